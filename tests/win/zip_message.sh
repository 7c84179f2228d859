#!/usr/bin/env bash
# An archive message as a German player meets it: "Komprimieren" and "Start"
# while ZKZIP.DLL is missing. The box shows its German text on one line.
set -euo pipefail
build=$(realpath "$1")
source "$(dirname "$0")/winlib.sh"
prepare_game
rm -f "$game/ZKZIP.DLL"
cp "$build/tools/zantorik.exe" "$game/zantorik.exe"
start_program
wt press "$launcher" 'Zantorik kopieren'
wt wait "$setup" 10 || fail "the setup window did not open"
await_focus "$setup" 'Edit: c:\spiele\zantorik\'
wt press "$setup" 'Komprimieren'
wt press "$setup" 'Start'
box='Ruvalin ZANTORIK-Starter' message='Die Zip-Bibliothek ZKZIP.DLL kann nicht geladen werden.'
await "$box" "Static: $message" >/dev/null
one_line() {  # once the box is drawn
  import -window root "$shots/look-zip-message.png"
  [ "$(ink_lines "$shots/look-zip-message.png" $(wt rect "$box" "$message"))" -eq 1 ]
}
within 10 one_line || fail "the message is not one line"
# OK, then the failed run's question; "Nein" leaves the setup.
for _ in $(seq 30); do
  wt wait 'Information' 0.3 && break
  wt press "$box" OK || true
done
await 'Information' 'fehlgeschlagen' 5 >/dev/null
wt press 'Information' '&Nein'
wt wait "$launcher" 10 || fail "the launcher did not come back"
wt close "$launcher"
ended || fail "the program did not end"
echo "archive message test passed"
