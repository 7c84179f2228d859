#!/usr/bin/env bash
# The real ZKSTART.EXE by keys and clicks: the not-found message, the focus back
# on the start button, Tab through each tab, the game with the options chosen,
# the game from a folder that is no DOS path.
set -euo pipefail
build=$(realpath "$1")
source "$(dirname "$0")/winlib.sh"
rm -rf "$game"  # an earlier run's game, with its own ZANTORIK.PIF, would be found
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
await_focus "$launcher" "$run"
mv "$game/stub" "$game/zantorik.pif"

visits() {  # CONTROL...: the focus now and after each Tab
  local i=0 want
  for want; do
    [ $((i++)) -eq 0 ] || xdotool key Tab
    within 5 focus_is "$launcher" "$want" || fail "Tab $i went to [$(focus "$launcher")], want [$*]"
  done
}
page() { xdotool key ctrl+Tab; }  # to page $1

click_client "$launcher" 6 120  # left of the start tab's frame: takes no focus
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
await_focus "$launcher" "$run"
xdotool mousemove $(wt where "$launcher" '>> ZANTORIK starten <<') click 1
wt wait '=ZANTORIK' 20 || fail "the game did not start"
shown=$(wt dump '=ZANTORIK')  # the stand-in game shows its command line and folder
grep -qxF 'C:\SPIELE\ZANTORIK\\zantorik.pif C:\SPIELE\ZANTORIK\ /P70 /TI2 /X /B5' <<<"$shown" &&
  grep -qxF 'C:\SPIELE\ZANTORIK' <<<"$shown" || fail "game: $shown"
wt press '=ZANTORIK' OK
wt gone '=ZANTORIK' 10 || fail "the game did not end"
click_client "$launcher" 6 120
await_focus "$launcher" "$run"
wt close "$launcher"
ended || fail "closing the launcher did not end the program"

# From a folder with a blank and umlauts the game gets the folder as one
# argument, by its short name; the stand-in records how it was started.
game="$WINEPREFIX/drive_c/Spiele/Zäntorik Größe" gamewin='C:\Spiele\Zäntorik Größe'
log="$WINEPREFIX/drive_c/zk_stub_log.txt"
rm -rf "$game" "$log"
prepare_game
ZK_STUB_LOG='C:\zk_stub_log.txt' start_program
xdotool key Return
within 20 test -s "$log" || fail "the game did not start from $gamewin"
mapfile -t got < <(tr -d '\r' <"$log")  # command line, working folder, the arguments as Windows splits them
short=${got[2]:-}
[ ${#got[@]} -eq 5 ] && [ "${got[0]}" = "$short\\zantorik.pif $short / /B0" ] && [ "${got[1]}" = "$gamewin" ] ||
  fail "game from $gamewin: $(printf '[%s]' "${got[@]}")"
LC_ALL=C grep -qxE 'C:(\\[A-Za-z0-9_~-]{1,8}(\.[A-Za-z0-9_~-]{1,3})?)+\\' <<<"$short" || fail "no DOS path: $short"
[ "$(realpath "$(winepath -u "$short" 2>/dev/null)")" = "$(realpath "$game")" ] || fail "$short is not $gamewin"
wt close "$launcher"
ended || fail "closing the launcher did not end the program"
echo "launcher black-box test passed"
