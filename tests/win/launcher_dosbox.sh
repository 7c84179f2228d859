#!/usr/bin/env bash
# A DOS .COM as zantorik.pif, refused as on 64-bit Windows: DOSBox from App Paths with the game's CD
# image as D:, then the one chosen with the CD player switched off by a click (no D:).
set -euo pipefail
build=$(realpath "$1")
source "$(dirname "$0")/winlib.sh"
c="$WINEPREFIX/drive_c" gamewin='C:\Spiele mit Leer\Zantorik für Jörg' key='HKCU\Software\Orvandel\Zantorik'
game="$c/Spiele mit Leer/Zantorik für Jörg" log="$c/zk_dosbox_log.txt"
apppath='HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\DOSBox.exe'
rm -rf "$game" "$c/WAHL" "$log"
mkdir -p "$c/WAHL" && prepare_game
printf 'org 100h\nmov ax, 4C00h\nint 21h\n' > "$c/game.asm"
nasm -f bin -o "$game/zantorik.pif" "$c/game.asm"
printf 'FILE "ZANTORIK.BIN" BINARY\r\n  TRACK 01 MODE1/2352\r\n' > "$game/Zantorik.cue" && : > "$game/zantorik.bin"
cp "$build/tools/DOSBox.exe" "$c/WAHL/"
wine reg add "$apppath" /ve /t REG_EXPAND_SZ /d '%SystemDrive%\WAHL\DOSBox.exe' /f >/dev/null 2>&1
imgmount="IMGMOUNT D \"$gamewin\\Zantorik.cue\" -t iso"
dosbox() {  # NAME MASK [D: COMMAND]: the stand-in logs its command line, then its arguments
  local d=() q= dq='"' esc='\"'
  [ -z "${3:-}" ] || { d=(-c "$3"); q=" -c \"${3//$dq/$esc}\""; }
  want=$(printf '%s\n' "\"C:\\WAHL\\DOSBox.exe\" -c \"MOUNT C \\\"$gamewin\\\"\"$q -c \"C:\" -c \"ZANTORIK.EXE C:\\ / /B$2\" -c \"EXIT\"" \
    "$gamewin" -c "MOUNT C \"$gamewin\"" "${d[@]}" -c 'C:' -c "ZANTORIK.EXE C:\\ / /B$2" -c EXIT)
  for _ in $(seq 100); do [ -s "$log" ] && break; sleep 0.2; done
  got=$(tr -d '\r' < "$log" 2>/dev/null) || fail "DOSBox did not start ($1)"
  [ "$got" = "$want" ] || fail "$1: got [$got], want [$want]"
  rm "$log"
}
ZK_DOSBOX_LOG='C:\zk_dosbox_log.txt' start_program
xdotool key Return
dosbox "App Paths" 0 "$imgmount"
wine reg delete "$apppath" /f >/dev/null 2>&1
xdotool key ctrl+Tab ctrl+Tab sleep 0.7  # the CD-Player tab
xdotool mousemove $(wt where "$launcher" Abgeschaltet) click 1 sleep 0.3
wt press "$launcher" '>> ZANTORIK starten <<'
wt wait Information 10 || fail "no message without DOSBox"
dump=$(wt dump Information)
grep -qx 'Button: DOSBox suchen…' <<<"$dump" && grep -qx 'Button: Abbrechen' <<<"$dump" &&
  grep -qF "Static: Dieses Windows kann DOS-Programme wie ZANTORIK nicht selbst starten." <<<"$dump" || fail "message: $dump"
xdotool key Return
wt wait 'DOSBox suchen' 10 || fail "no file dialog"
sleep 1
xdotool type --delay 50 'C:\WAHL\DOSBox.exe'
xdotool key Return
dosbox chosen 8
stored=$(wine reg query "$key" /v DOSBox 2>/dev/null | tr -d '\r' | sed -n 's/^ *DOSBox *REG_SZ *//p')
[ "$stored" = 'C:\WAHL\DOSBox.exe' ] || fail "the choice was not stored: [$stored]"
wt close "$launcher"
echo "DOSBox start test passed"
