#!/usr/bin/env bash
# ZKSTART.EXE in a folder without zantorik.pif: Enter on the start button
# brings up the error dialog with its exact text and German buttons, its
# lines broken only where the text breaks them; OK closes it and the
# launcher stays with the focus on its start button. Keeps a screenshot of
# the dialog.
set -euo pipefail
build=$(realpath "$1")
source "$(dirname "$0")/winlib.sh"
prepare_game
game="$WINEPREFIX/drive_c/LEER"
mkdir -p "$game"
cp "$build/bin/ZKSTART.EXE" "$game/"
(cd "$game" && exec wine 'C:\LEER\ZKSTART.EXE' >/dev/null 2>&1 </dev/null) &
pid=$!
wt wait "$launcher" 30 || fail "the launcher did not open"
sleep 1
xdotool key Return
wt wait 'Fehler' 10 || fail "no error dialog"
sleep 0.5
shot="$build/launcher-notfound.png"
import -window root "$shot"
dump=$(wt dump 'Fehler')
expected_text=$'ZANTORIK nicht gefunden.\nVersuche herauszufinden, in welchem Ordner ZANTORIK gespeichert wurde.\n\nDanach gib den kompletten Pfad mit Laufwerksbuchstaben bei "Programm-Pfad" ein\n\nBeispiel: D:\\GAMES\\ZANTORIK'
grep -qx 'Button: OK' <<<"$dump" || fail "no OK button: $dump"
grep -qx 'Button: &Hilfe' <<<"$dump" || fail "no help button: $dump"
[[ "$dump" == *"Static: $expected_text"* ]] || fail "text: $dump"
# Four lines with words on them, as the text has.
text=($(wt rect 'Fehler' 'ZANTORIK nicht gefunden.'))
lines=$(ink_lines "$shot" "${text[@]}")
[ "$lines" -eq 4 ] || fail "the text shows on $lines lines"
wt press 'Fehler' 'OK' || fail "cannot press OK"
wt gone 'Fehler' 10 || fail "the dialog stayed"
wt wait "$launcher" 2 || fail "the launcher closed"
sleep 0.3
# The focus is back where it was before the dialog.
[ "$(focus "$launcher")" = 'Button: >> ZANTORIK starten <<' ] || fail "focus after the dialog: $(focus "$launcher")"
[ -e "$game/zantorik.pif" ] && fail "something made a pif"
wt close "$launcher"
ended || fail "closing the launcher did not end the program"
echo "not-found dialog test passed"
