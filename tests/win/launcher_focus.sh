#!/usr/bin/env bash
# The focus survives activation: Return starts the stand-in game from the
# focused start button; the game's window takes over and is closed; a click
# on a margin of the launcher brings it back with the start button focused,
# so Tab moves on to "Programm beenden" and Return ends the program with the
# options stored.
set -euo pipefail
build=$(realpath "$1")
source "$(dirname "$0")/winlib.sh"
prepare_game
start_program
run='Button: >> ZANTORIK starten <<'
[ "$(focus "$launcher")" = "$run" ] || fail "focus at start: $(focus "$launcher")"
xdotool key Return
wt wait '=ZANTORIK' 20 || fail "the game did not start"
wt press '=ZANTORIK' OK || fail "cannot end the game"
wt gone '=ZANTORIK' 10 || fail "the game did not end"
sleep 0.5
# Left of the start tab's frame: a spot that takes no focus.
click_client "$launcher" 6 120
sleep 0.5
[ "$(focus "$launcher")" = "$run" ] || fail "focus after the game: $(focus "$launcher")"
xdotool key Tab
sleep 0.3
[ "$(focus "$launcher")" = 'Button: Programm beenden' ] || fail "Tab went to $(focus "$launcher")"
xdotool key Return
ended || fail "Return did not end the program"
wine reg query 'HKCU\Software\Orvandel\Zantorik' /v zkPfad >/dev/null 2>&1 || fail "the options were not stored"
echo "focus test passed"
