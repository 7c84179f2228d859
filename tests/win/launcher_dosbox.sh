#!/usr/bin/env bash
# A real DOS .COM program as zantorik.pif, refused as on 64-bit Windows:
# ZKSTART.EXE starts the stand-in DOSBox.exe instead, found in a program-files
# folder, through App Paths or, with none, chosen
# by "DOSBox suchen…"; one that does not run is an error; with the stand-in
# game as zantorik.pif no DOSBox starts. The game folder has blanks and
# umlauts; E: is a CD-ROM drive, made so before the prefix's session starts.
set -euo pipefail
build=$(realpath "$1")
if [ "${2:-}" != --inside ]; then
  session="$(cd "$(dirname "$0")" && pwd)/../../scripts/wine-session.sh"
  prefix=$build/wineprefix-dosbox
  unset WINEPREFIX
  [ -f "$prefix/system.reg" ] || "$session" "$prefix" true
  mkdir -p "$prefix/drive_c/CD"
  ln -sfn "$prefix/drive_c/CD" "$prefix/dosdevices/e:"
  "$session" "$prefix" wine reg add 'HKLM\Software\Wine\Drives' /v e: /d cdrom /f >/dev/null 2>&1
  exec "$session" "$prefix" bash "$0" "$build" --inside
fi
. "$(dirname "$0")/winlib.sh"
c="$WINEPREFIX/drive_c" gamewin='C:\Spiele mit Leer\Zantorik für Jörg'
game="$c/Spiele mit Leer/Zantorik für Jörg" log="$c/zk_dosbox_log.txt" gamelog="$c/zk_stub_log.txt"
apppath='HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\DOSBox.exe' key='HKCU\Software\Orvandel\Zantorik'

rm -rf "$game" "$c/Program Files/DOSBox"* "$c/EMU" "$c/WAHL" "$c/KAPUTT" "$log" "$gamelog"
mkdir -p "$game" "$c/Program Files/DOSBox-0.74-3" "$c/EMU" "$c/WAHL" "$c/KAPUTT"
cp "$build/bin/ZKSTART.EXE" "$game/"
printf 'org 100h\nmov ax, 4C00h\nint 21h\n' > "$c/game.asm"
nasm -f bin -o "$game/zantorik.pif" "$c/game.asm"
for d in EMU WAHL; do cp "$build/tools/DOSBox.exe" "$c/$d/"; done
echo 'kein Programm' > "$c/KAPUTT/DOSBox.exe"
wine reg delete "$apppath" /f >/dev/null 2>&1 || true
wine reg delete 'HKCU\Software\Orvandel' /f >/dev/null 2>&1 || true
wine reg add "$key" /v xFast /d 0 /f >/dev/null 2>&1

(cd "$game" && ZK_DOSBOX_LOG='C:\zk_dosbox_log.txt' ZK_STUB_LOG='C:\zk_stub_log.txt' \
  exec wine "$gamewin\\ZKSTART.EXE" >/dev/null 2>&1 </dev/null) &
pid=$!
wt wait "$launcher" 30 || fail "the launcher did not open"
sleep 1
start() { rm -f "$log" "$gamelog"; wt press "$launcher" '>> ZANTORIK starten <<'; }
waitfor() { for _ in $(seq 100); do [ -s "$1" ] && return 0; sleep 0.2; done; return 1; }
expect_dosbox() {  # path, case
  local want
  want=$(printf '%s\n' "\"$1\" -c \"MOUNT C \\\"$gamewin\\\"\" -c \"MOUNT D E:\\ -t cdrom\" -c \"C:\" -c \"ZANTORIK.EXE C:\\ / /B0\" -c \"EXIT\"" \
    "$gamewin" -c "MOUNT C \"$gamewin\"" -c 'MOUNT D E:\ -t cdrom' -c 'C:' -c 'ZANTORIK.EXE C:\ / /B0' -c EXIT)
  waitfor "$log" || fail "DOSBox did not start ($2)"
  local got; got=$(tr -d '\r' < "$log")
  [ "$got" = "$want" ] || fail "$2: got [$got], want [$want]"
}

# Nowhere: the message; Abbrechen starts nothing.
xdotool key Return  # the start button has the focus
wt wait Information 10 || fail "no message without DOSBox"
dump=$(wt dump Information)
grep -qx 'Button: DOSBox suchen…' <<<"$dump" || fail "no search button: $dump"
grep -qx 'Button: Abbrechen' <<<"$dump" || fail "no cancel button: $dump"
[[ "$dump" == *"Static: Dieses Windows kann DOS-Programme wie ZANTORIK nicht selbst starten."* ]] || fail "text: $dump"
wt press Information Abbrechen
wt gone Information 10 || fail "the message stayed"

cp "$build/tools/DOSBox.exe" "$c/Program Files/DOSBox-0.74-3/"
start; expect_dosbox 'C:\Program Files\DOSBox-0.74-3\DOSBox.exe' "program files"
# Registered as installers often do, with an environment reference.
wine reg add "$apppath" /ve /t REG_EXPAND_SZ /d '%SystemDrive%\EMU\DOSBox.exe' /f >/dev/null 2>&1
start; expect_dosbox 'C:\EMU\DOSBox.exe' "App Paths"

# A stored DOSBox that Windows cannot run: the error.
wine reg add "$key" /v DOSBox /d 'C:\KAPUTT\DOSBox.exe' /f >/dev/null 2>&1
start
wt wait Fehler 10 || fail "no error for a DOSBox that does not run"
wt dump Fehler | grep -q 'DOSBox konnte nicht gestartet werden.' || fail "error text: $(wt dump Fehler)"
wt press Fehler OK

# Gone everywhere: the player shows the way, typed into the file dialog.
wine reg delete "$key" /v DOSBox /f >/dev/null 2>&1
wine reg delete "$apppath" /f >/dev/null 2>&1
rm -rf "$c/Program Files/DOSBox-0.74-3"
start
wt wait Information 10 || fail "no message after the DOSBox went away"
xdotool key Return
wt wait 'DOSBox suchen' 10 || fail "no file dialog"
sleep 1
xdotool type --delay 50 'C:\WAHL\DOSBox.exe'
xdotool key Return
expect_dosbox 'C:\WAHL\DOSBox.exe' "chosen"
stored=$(wine reg query "$key" /v DOSBox 2>/dev/null | tr -d '\r' | sed -n 's/^ *DOSBox *REG_SZ *//p')
[ "$stored" = 'C:\WAHL\DOSBox.exe' ] || fail "the choice was not stored: [$stored]"

# A .pif that Windows runs: the game starts, DOSBox does not.
cp "$build/tools/zantorik.exe" "$game/zantorik.pif"
start
waitfor "$gamelog" || fail "the game did not start"
sleep 2
[ -e "$log" ] && fail "DOSBox started beside the game"
wt close "$launcher"
echo "DOSBox start test passed"
