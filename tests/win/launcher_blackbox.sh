#!/usr/bin/env bash
# The real ZKSTART.EXE by keys and clicks: the not-found message, the focus back
# on the start button, Tab through each tab, the game with the options chosen.
set -euo pipefail
build=$(realpath "$1")
source "$(dirname "$0")/winlib.sh"
prepare_game xTI=1 xTG=1 xP=1
run='Button: >> ZANTORIK starten <<'
mv "$game/zantorik.pif" "$game/stub"
start_program
xdotool key Return
wt wait Fehler 10 || fail "no error dialog"
dump=$(wt dump Fehler)
[ "$dump" = $'Fehler\nStatic: \nStatic: ZANTORIK nicht gefunden.\nVersuche herauszufinden, in welchem Ordner ZANTORIK gespeichert wurde.\n\nDanach gib den kompletten Pfad mit Laufwerksbuchstaben bei "Programm-Pfad" ein\n\nBeispiel: D:\\GAMES\\ZANTORIK\nButton: OK\nButton: &Hilfe' ] ||
  fail "not-found dialog: $dump"
wt press Fehler OK
wt gone Fehler 10 || fail "the dialog stayed"
sleep 0.3
[ "$(focus "$launcher")" = "$run" ] || fail "focus after the dialog: $(focus "$launcher")"
mv "$game/stub" "$game/zantorik.pif"

visits() {  # CONTROL...: the focus now and after each Tab
  local got=() i IFS='|'
  for ((i = 1; i <= $#; i++)); do
    got+=("$(focus "$launcher")")
    if [ $i -lt $# ]; then xdotool key Tab; sleep 0.3; fi
  done
  [ "${got[*]}" = "$*" ] || fail "Tab went [${got[*]}], want [$*]"
}
page() { xdotool key ctrl+Tab; sleep 0.7; }

click_client "$launcher" 6 120  # left of the start tab's frame: takes no focus
sleep 0.5
visits "$run" 'Button: Programm beenden' 'Button: Infos und Copyright' 'Button: Zantorik kopieren' 'Button: Anleitung'
page 2
visits 'Button: Schneller Start' 'Button: Fairplay-Modus' 'Button: langsame Roboter' \
  'Button: keine Analyse-Ticks' 'Button: keine Themenwahl'
wt press "$launcher" 'Schneller Start'
page 3
visits 'Button: Abgeschaltet' 'Button: Stand By' 'Button: Analyse-Track' 'Edit: 2' 'Button: Spiel-Track' 'Edit: 3'
wt press "$launcher" 'Stand By'
wt press "$launcher" 'Spiel-Track'
page 4
visits 'Edit: /' 'msctls_trackbar32: ' 'Button: Voreinstellung Spielgeschwindigkeit in %'
xdotool key --delay 150 shift+Tab Next Next Next Next shift+Tab End  # four pages of 5: 50 to 70
xdotool type X
page 1
xdotool mousemove $(wt where "$launcher" '>> ZANTORIK starten <<') click 1
wt wait '=ZANTORIK' 20 || fail "the game did not start"
shown=$(wt dump '=ZANTORIK')  # the stand-in game shows its command line and folder
grep -qxF 'C:\SPIELE\ZANTORIK\\zantorik.pif C:\SPIELE\ZANTORIK\ /P70 /TI2 /X /B5' <<<"$shown" &&
  grep -qxF 'C:\SPIELE\ZANTORIK' <<<"$shown" || fail "game: $shown"
wt press '=ZANTORIK' OK
wt gone '=ZANTORIK' 10 || fail "the game did not end"
click_client "$launcher" 6 120
sleep 0.5
[ "$(focus "$launcher")" = "$run" ] || fail "focus after the game: $(focus "$launcher")"
wt close "$launcher"
ended || fail "closing the launcher did not end the program"
echo "launcher black-box test passed"
