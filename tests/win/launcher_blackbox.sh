#!/usr/bin/env bash
# The real ZKSTART.EXE by keys and clicks, both track boxes and the speed
# box stored ticked. Without zantorik.pif: the exact not-found message on
# four lines. Then the stand-in game started with the stored options and
# with options set by keys and clicks; the focus back on the start button
# after it; Tab by the tables on each tab and in the setup window; the exit
# button stores the options, Alt+F4 does not.
set -euo pipefail
build=$(realpath "$1")
source "$(dirname "$0")/winlib.sh"
prepare_game xTI=1 xTG=1 xP=1
run='Button: >> ZANTORIK starten <<'
stored() {  # the stored values, sorted
  wine reg query 'HKCU\Software\Orvandel\Zantorik' 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *\([A-Za-z_]*\) *REG_SZ *\(.*\)$/\1=\2/p' | sort | tr '\n' ' '
}
mkdir -p "$WINEPREFIX/drive_c/LEER"
cp "$build/bin/ZKSTART.EXE" "$WINEPREFIX/drive_c/LEER/"
(cd "$WINEPREFIX/drive_c/LEER" && exec wine 'C:\LEER\ZKSTART.EXE' >/dev/null 2>&1 </dev/null) &
pid=$!
wt wait "$launcher" 30 || fail "the launcher did not open"
sleep 1
xdotool key Return
wt wait Fehler 10 || fail "no error dialog"
sleep 0.5
import -window root "$shots/launcher-notfound.png"
dump=$(wt dump Fehler)
[ "$dump" = $'Fehler\nStatic: \nStatic: ZANTORIK nicht gefunden.\nVersuche herauszufinden, in welchem Ordner ZANTORIK gespeichert wurde.\n\nDanach gib den kompletten Pfad mit Laufwerksbuchstaben bei "Programm-Pfad" ein\n\nBeispiel: D:\\GAMES\\ZANTORIK\nButton: OK\nButton: &Hilfe' ] ||
  fail "not-found dialog: $dump"
lines=$(ink_lines "$shots/launcher-notfound.png" $(wt rect Fehler 'ZANTORIK nicht gefunden.'))
[ "$lines" -eq 4 ] || fail "the text shows on $lines lines"
wt press Fehler OK
wt gone Fehler 10 || fail "the dialog stayed"
sleep 0.3
[ "$(focus "$launcher")" = "$run" ] || fail "focus after the dialog: $(focus "$launcher")"
wt close "$launcher"
ended || fail "closing the launcher did not end the program"

# game TOKENS: the stand-in game shows its command line; OK ends it.
game() {
  wt wait '=ZANTORIK' 20 || fail "the game did not start"
  local shown; shown=$(wt dump '=ZANTORIK')
  grep -qxF "C:\\SPIELE\\ZANTORIK\\\\zantorik.pif C:\\SPIELE\\ZANTORIK\\ $1" <<<"$shown" || fail "game: $shown"
  grep -qxF 'C:\SPIELE\ZANTORIK' <<<"$shown" || fail "game's folder: $shown"
  wt press '=ZANTORIK' OK
  wt gone '=ZANTORIK' 10 || fail "the game did not end"
  sleep 0.5
}
# visits WINDOW CONTROL...: the focus now and after each Tab.
visits() {
  local window=$1 got=() i
  shift
  for ((i = 1; i <= $#; i++)); do
    got+=("$(focus "$window")")
    if [ $i -lt $# ]; then xdotool key Tab; sleep 0.3; fi
  done
  local IFS='|'
  [ "${got[*]}" = "$*" ] || fail "$window: Tab went [${got[*]}], want [$*]"
}
page() { xdotool key ctrl+Tab; sleep 0.7; import -window root "$shots/launcher-tab$1.png"; }

start_program
[ "$(focus "$launcher")" = "$run" ] || fail "focus at start: $(focus "$launcher")"
xdotool key Return
game '/P50 /TI2 /TG3 / /B0'
click_client "$launcher" 6 120  # left of the start tab's frame: takes no focus
sleep 0.5
visits "$launcher" "$run" 'Button: Programm beenden' 'Button: Infos und Copyright' 'Button: Zantorik kopieren' \
  'Button: Anleitung'
page 2
visits "$launcher" 'Button: Schneller Start' 'Button: Fairplay-Modus' 'Button: langsame Roboter' \
  'Button: keine Analyse-Ticks' 'Button: keine Themenwahl'
wt press "$launcher" 'Schneller Start'
page 3
visits "$launcher" 'Button: Abgeschaltet' 'Button: Stand By' 'Button: Analyse-Track' 'Edit: 2' 'Button: Spiel-Track' 'Edit: 3'
wt press "$launcher" 'Stand By'
wt press "$launcher" 'Spiel-Track'
sleep 0.3
[ "$(wt state "$launcher" Abgeschaltet)" = disabled ] || fail "Stand By left Abgeschaltet enabled"
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
xdotool key Tab
sleep 0.3
[ "$(focus "$launcher")" = 'Button: Programm beenden' ] || fail "Tab went to $(focus "$launcher")"
xdotool key Return
ended || fail "Return did not end the program"
want=$(printf '%s\n' 'zkPfad=C:\SPIELE\ZANTORIK\' xFast=1 xFair=0 xNoFC=0 xNoTic=0 xNieCD=0 xNoCD=1 xNoTxt=0 xTI=1 \
  xTG=0 xP=1 CD_I=2 CD_G=3 Speed=70 | sort | tr '\n' ' ')
[ "$(stored)" = "$want" ] || fail "stored: [$(stored)], want [$want]"

start_program
wt press "$launcher" 'Zantorik kopieren'
wt wait "$setup" 10 || fail "the setup window did not open"
sleep 1
visits "$setup" 'Edit: c:\spiele\zantorik\' 'Button: ...' 'Edit: c:\' 'Button: ...' 'Button: Start' 'Button: Infos' \
  'Button: Hilfe' 'Button: Ende' 'Button: Komprimieren' 'Edit: c:\spiele\zantorik\'
wt close "$setup"
wt wait "$launcher" 10 || fail "the launcher did not come back"
[ "$(wt state "$launcher" 'Zantorik kopieren')" = disabled ] || fail "Zantorik kopieren still enabled"
wt press "$launcher" 'Schneller Start'
sleep 0.3
xdotool key alt+F4
ended || fail "Alt+F4 did not end the program"
[ "$(stored)" = "$want" ] || fail "Alt+F4 stored the options: [$(stored)]"
echo "launcher black-box test passed"
