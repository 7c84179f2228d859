#!/usr/bin/env bash
# ZKSTART.EXE in a folder without zantorik.pif: Enter on the start button
# brings up the error dialog with its exact text and German buttons; OK
# closes it and the launcher stays. Keeps a screenshot of the dialog.
set -euo pipefail
build=$(realpath "$1")
: "${WINEPREFIX:?run inside scripts/wine-session.sh}"
folder="$WINEPREFIX/drive_c/LEER"
mkdir -p "$folder"
cp "$build/src/launcher/ZKSTART.EXE" "$folder/"
# Stored options: this is not a first start.
wine reg add 'HKCU\Software\Orvandel\Zantorik' /v xFast /d 0 /f >/dev/null 2>&1
wt() { wine "$build/tools/wintool.exe" "$@" </dev/null 2>/dev/null; }
fail() { echo "FAIL: $*"; exit 1; }

cd "$folder"
wine 'C:\LEER\ZKSTART.EXE' >/dev/null 2>&1 </dev/null &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
wt wait 'ZANTORIK Ruvalin V2.1' 30 || fail "the launcher did not open"
sleep 1
xdotool key Return
wt wait 'Fehler' 10 || fail "no error dialog"
sleep 0.5
import -window root "$build/launcher-notfound.png"
dump=$(wt dump 'Fehler' | tr -d '\r')
expected_text=$'ZANTORIK nicht gefunden.\nVersuche herauszufinden, in welchem Ordner ZANTORIK gespeichert wurde.\n\nDanach gib den kompletten Pfad mit Laufwerksbuchstaben bei "Programm-Pfad" ein\n\nBeispiel: D:\\GAMES\\ZANTORIK'
grep -qx 'Button: OK' <<<"$dump" || fail "no OK button: $dump"
grep -qx 'Button: &Hilfe' <<<"$dump" || fail "no help button: $dump"
[[ "$dump" == *"Static: $expected_text"* ]] || fail "text: $dump"
wt press 'Fehler' 'OK' || fail "cannot press OK"
wt gone 'Fehler' 10 || fail "the dialog stayed"
wt wait 'ZANTORIK Ruvalin V2.1' 2 || fail "the launcher closed"
[ -e "$folder/zantorik.pif" ] && fail "something made a pif"
wt close 'ZANTORIK Ruvalin V2.1'
for _ in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.2; done
kill -0 $pid 2>/dev/null && fail "closing the launcher did not end the program"
echo "not-found dialog test passed"
