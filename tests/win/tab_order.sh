#!/usr/bin/env bash
# Tab visits the controls of each launcher tab (reached with Ctrl+Tab) and
# of the setup window in the order of their tables. Both track boxes and
# the speed box are stored ticked, so the controls they enable take part.
set -euo pipefail
build=$(realpath "$1")
source "$(dirname "$0")/winlib.sh"
prepare_game xTI=1 xTG=1 xP=1
start_program
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
page() { xdotool key ctrl+Tab; sleep 0.5; }
visits "$launcher" 'Button: >> ZANTORIK starten <<' 'Button: Programm beenden' 'Button: Infos und Copyright' \
  'Button: Zantorik kopieren' 'Button: Anleitung'
page
visits "$launcher" 'Button: Schneller Start' 'Button: Fairplay-Modus' 'Button: langsame Roboter' \
  'Button: keine Analyse-Ticks' 'Button: keine Themenwahl'
page
visits "$launcher" 'Button: Abgeschaltet' 'Button: Stand By' 'Button: Analyse-Track' 'Edit: 2' 'Button: Spiel-Track' 'Edit: 3'
page
visits "$launcher" 'Edit: /' 'msctls_trackbar32: ' 'Button: Voreinstellung Spielgeschwindigkeit in %'
page
wt press "$launcher" 'Zantorik kopieren'
wt wait "$setup" 10 || fail "the setup window did not open"
sleep 1
visits "$setup" 'Edit: c:\spiele\zantorik\' 'Button: ...' 'Edit: c:\' 'Button: ...' 'Button: Start' 'Button: Infos' \
  'Button: Hilfe' 'Button: Ende' 'Button: Komprimieren' 'Edit: c:\spiele\zantorik\'
wt close "$setup"
wt wait "$launcher" 10 || fail "the launcher did not come back"
wt close "$launcher"
ended || fail "the program did not end"
echo "tab order test passed"
