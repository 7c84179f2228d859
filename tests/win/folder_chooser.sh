#!/usr/bin/env bash
# The folder chooser opens just below the field it serves (a click on the
# "..." beside it), a click back into the setup window hides it, and keys
# in its tree and "Übernehmen!" fill the source field.
set -euo pipefail
build=$(realpath "$1")
source "$(dirname "$0")/winlib.sh"
rm -rf "$game"
prepare_game
mkdir -p "$game/TEXTE"  # as the game has it: the game folder's node opens
start_program
wt press "$launcher" 'Zantorik kopieren'
wt wait "$setup" 10 || fail "the setup window did not open"
await_focus "$setup" 'Edit: c:\spiele\zantorik\'
# The "..." lies 7 pixels right of its field, 19 wide.
field=($(wt rect "$setup" 'c:\')) || fail "no target field"
xdotool mousemove $((field[0] + field[2] + 16)) $((field[1] + 12)) click 1
wt wait 'Zielordner wählen!' 10 || fail "the chooser did not open"
below() { chooser=($(wt rect 'Zielordner wählen!')) && [ "${chooser[*]:0:2}" = "$((field[0] + 5)) $((field[1] + field[3]))" ]; }
within 5 below || fail "chooser at ${chooser[0]},${chooser[1]}, field at ${field[*]}"
import -window root "$shots/look-chooser.png"
# Only a chooser that has become the active window can lose to the click.
await_focus 'Zielordner wählen!' 'SysTreeView32: c:\'
click_client "$setup" 200 200
wt gone 'Zielordner wählen!' 5 || fail "the chooser stayed"
# Left takes the tree from the source's folder to its parent.
src=($(wt rect "$setup" 'c:\spiele\zantorik\')) || fail "no source field"
xdotool mousemove $((src[0] + src[2] + 16)) $((src[1] + 12)) click 1
wt wait 'Quellordner wählen!' 10 || fail "the chooser did not open for the source"
await_focus 'Quellordner wählen!' 'SysTreeView32: ZANTORIK'
xdotool key Left Left  # the open node closes, then the step up
await_focus 'Quellordner wählen!' 'SysTreeView32: SPIELE'
xdotool key Tab space
wt gone 'Quellordner wählen!' 5 || fail "the chooser stayed after Übernehmen!"
grep -qx 'Edit: c:\\spiele' <<<"$(wt dump "$setup")" || fail "source field: $(wt dump "$setup")"
wt close "$setup"
wt wait "$launcher" 10 || fail "the launcher did not come back"
wt close "$launcher"
ended || fail "the program did not end"
echo "folder chooser test passed"
