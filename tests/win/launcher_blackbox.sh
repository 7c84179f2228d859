#!/usr/bin/env bash
# The real ZKSTART.EXE by keys and clicks: without zantorik.pif the
# not-found message and the focus back on the start button; then the
# stand-in game started with the stored options and with options chosen by
# keys and clicks, Tab through each tab, and the options stored on exit.
set -euo pipefail
build=$(realpath "$1")
source "$(dirname "$0")/winlib.sh"
prepare_game xTI=1 xTG=1 xP=1
run='Button: >> ZANTORIK starten <<'
mkdir -p "$WINEPREFIX/drive_c/LEER"
cp "$build/bin/ZKSTART.EXE" "$WINEPREFIX/drive_c/LEER/"
(cd "$WINEPREFIX/drive_c/LEER" && exec wine 'C:\LEER\ZKSTART.EXE' >/dev/null 2>&1 </dev/null) &
pid=$!
wt wait "$launcher" 30 || fail "the launcher did not open"
sleep 1
xdotool key Return
wt wait Fehler 10 || fail "no error dialog"
dump=$(wt dump Fehler)
[ "$dump" = $'Fehler\nStatic: \nStatic: ZANTORIK nicht gefunden.\nVersuche herauszufinden, in welchem Ordner ZANTORIK gespeichert wurde.\n\nDanach gib den kompletten Pfad mit Laufwerksbuchstaben bei "Programm-Pfad" ein\n\nBeispiel: D:\\GAMES\\ZANTORIK\nButton: OK\nButton: &Hilfe' ] ||
  fail "not-found dialog: $dump"
wt press Fehler OK
wt gone Fehler 10 || fail "the dialog stayed"
sleep 0.3
[ "$(focus "$launcher")" = "$run" ] || fail "focus after the dialog: $(focus "$launcher")"
wt close "$launcher"
ended || fail "closing the launcher did not end the program"

game() {  # TOKENS: the stand-in game shows its command line and folder
  wt wait '=ZANTORIK' 20 || fail "the game did not start"
  local shown; shown=$(wt dump '=ZANTORIK')
  grep -qxF "C:\\SPIELE\\ZANTORIK\\\\zantorik.pif C:\\SPIELE\\ZANTORIK\\ $1" <<<"$shown" || fail "game: $shown"
  grep -qxF 'C:\SPIELE\ZANTORIK' <<<"$shown" || fail "game's folder: $shown"
  wt press '=ZANTORIK' OK
  wt gone '=ZANTORIK' 10 || fail "the game did not end"
  sleep 0.5
}
visits() {  # WINDOW CONTROL...: the focus now and after each Tab
  local window=$1 got=() i
  shift
  for ((i = 1; i <= $#; i++)); do
    got+=("$(focus "$window")")
    if [ $i -lt $# ]; then xdotool key Tab; sleep 0.3; fi
  done
  local IFS='|'
  [ "${got[*]}" = "$*" ] || fail "$window: Tab went [${got[*]}], want [$*]"
}
page() { xdotool key ctrl+Tab; sleep 0.7; }

start_program
xdotool key Return
game '/P50 /TI2 /TG3 / /B0'
click_client "$launcher" 6 120  # left of the start tab's frame: takes no focus
sleep 0.5
visits "$launcher" "$run" 'Button: Programm beenden' 'Button: Infos und Copyright' 'Button: Zantorik kopieren' 'Button: Anleitung'
page 2
visits "$launcher" 'Button: Schneller Start' 'Button: Fairplay-Modus' 'Button: langsame Roboter' \
  'Button: keine Analyse-Ticks' 'Button: keine Themenwahl'
wt press "$launcher" 'Schneller Start'
page 3
visits "$launcher" 'Button: Abgeschaltet' 'Button: Stand By' 'Button: Analyse-Track' 'Edit: 2' 'Button: Spiel-Track' 'Edit: 3'
wt press "$launcher" 'Stand By'
wt press "$launcher" 'Spiel-Track'
page 4
visits "$launcher" 'Edit: /' 'msctls_trackbar32: ' 'Button: Voreinstellung Spielgeschwindigkeit in %'
xdotool key --delay 150 shift+Tab Next Next Next Next shift+Tab End  # four pages of 5: 50 to 70
xdotool type X
page 1
xdotool mousemove $(wt where "$launcher" '>> ZANTORIK starten <<') click 1
game '/P70 /TI2 /X /B5'
click_client "$launcher" 6 120
sleep 0.5
[ "$(focus "$launcher")" = "$run" ] || fail "focus after the game: $(focus "$launcher")"
wt press "$launcher" 'Programm beenden'
ended || fail "the exit button did not end the program"
stored=$(wine reg query 'HKCU\Software\Orvandel\Zantorik' 2>/dev/null | tr -d '\r' | sed -n 's/^ *\([A-Za-z_]*\) *REG_SZ *\(.*\)$/\1=\2/p' | sort | tr '\n' ' ')
[ "$stored" = 'CD_G=3 CD_I=2 Speed=70 xFair=0 xFast=1 xNieCD=0 xNoCD=1 xNoFC=0 xNoTic=0 xNoTxt=0 xP=1 xTG=0 xTI=1 zkPfad=C:\SPIELE\ZANTORIK\ ' ] ||
  fail "stored: [$stored]"
echo "launcher black-box test passed"
