#!/usr/bin/env bash
# The folder chooser opens just below the field it serves (a click on the
# "..." beside it), a click back into the setup window hides it, and a key
# in its tree and "Übernehmen!" fill the source field.
set -euo pipefail
build=$(realpath "$1")
source "$(dirname "$0")/winlib.sh"
prepare_game
start_program
wt press "$launcher" 'Zantorik kopieren'
wt wait "$setup" 10 || fail "the setup window did not open"
sleep 1
# The "..." lies 7 pixels right of its field, 19 wide.
field=($(wt rect "$setup" 'c:\')) || fail "no target field"
xdotool mousemove $((field[0] + field[2] + 16)) $((field[1] + 12)) click 1
wt wait 'Zielordner wählen!' 10 || fail "the chooser did not open"
sleep 1
import -window root "$shots/look-chooser.png"
chooser=($(wt rect 'Zielordner wählen!'))
[ "${chooser[0]}" -eq $((field[0] + 5)) ] && [ "${chooser[1]}" -eq $((field[1] + field[3])) ] ||
  fail "chooser at ${chooser[0]},${chooser[1]}, field at ${field[*]}"
click_client "$setup" 200 200
wt gone 'Zielordner wählen!' 5 || fail "the chooser stayed"
# Left takes the tree from the source's folder to its parent.
src=($(wt rect "$setup" 'c:\spiele\zantorik\')) || fail "no source field"
xdotool mousemove $((src[0] + src[2] + 16)) $((src[1] + 12)) click 1
wt wait 'Quellordner wählen!' 10 || fail "the chooser did not open for the source"
sleep 0.5
xdotool key Left
sleep 0.3
wt press 'Quellordner wählen!' 'Übernehmen!'
wt gone 'Quellordner wählen!' 5 || fail "the chooser stayed after Übernehmen!"
grep -qx 'Edit: c:\\spiele' <<<"$(wt dump "$setup")" || fail "source field: $(wt dump "$setup")"
wt close "$setup"
wt wait "$launcher" 10 || fail "the launcher did not come back"
wt close "$launcher"
ended || fail "the program did not end"
echo "folder chooser test passed"
