#!/usr/bin/env bash
# A first start of the real ZKSTART.EXE next to the stub game as
# zantorik.exe: the splash, after 3.5 seconds the exact welcome, OK by
# Enter, the two shortcuts in the prefix's Programs folder (found through
# the registry, read with lnkinfo), the launcher. "Programm beenden" stores
# the options and renews the shortcuts, and the next start goes straight to
# the launcher.
set -euo pipefail
build=$(realpath "$1")
source "$(dirname "$0")/winlib.sh"
prepare_game
rm "$game/zantorik.pif"
cp "$build/tools/zantorik.exe" "$game/zantorik.exe"
wine reg delete 'HKCU\Software\Orvandel' /f >/dev/null 2>&1 || true
programs=$(wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' /v Programs \
  2>/dev/null | tr -d '\r' | sed -n 's/^ *Programs *REG_SZ *//p')
group=$(winepath -u "$programs\\ZANTORIK" 2>/dev/null)
rm -rf "$group"
start() { (cd "$game" && exec wine 'C:\SPIELE\ZANTORIK\ZKSTART.EXE' >/dev/null 2>&1 </dev/null) & pid=$!; }
field() { sed -n "s/^[[:space:]]*$2[[:space:]]*: //p" <<<"$1" | head -1; }
check_link() {  # FILE DESCRIPTION TARGET, as lnkinfo reads them
  local info; info=$(lnkinfo "$1" 2>/dev/null) || fail "no shortcut $1"
  [ "$(field "$info" Description)" = "$2" ] && [ "$(field "$info" 'Local path')" = "$3" ] || fail "shortcut $1: $info"
}

start
wt wait 'Hallo!' 30 >/dev/null || fail "no splash"
seen=$(date +%s.%N)
wt wait 'Bestätigung' 15 >/dev/null || fail "no welcome dialog"
elapsed=$(awk -v a="$(date +%s.%N)" -v b="$seen" 'BEGIN { printf "%.1f", a - b }')
awk -v e="$elapsed" 'BEGIN { exit !(e >= 2.5 && e <= 10) }' || fail "welcome after ${elapsed}s"
sleep 0.5
import -window root "$shots/first-start-welcome.png"
expected=$'Bestätigung\nStatic: \nStatic: Willkommen zu ZANTORIK!\nPfad: C:\\SPIELE\\ZANTORIK\\\n\n"OK" zum Einbinden ins System (Symbole,...),\n"Ignorieren" um es an andere Stelle zu kopieren bzw.\n"Abbruch" zum Beenden.\nButton: OK\nButton: Abbrechen\nButton: &Ignorieren'
actual=$(wt dump 'Bestätigung')
[ "$actual" = "$expected" ] || { diff <(echo "$expected") <(echo "$actual") || true; fail "welcome dialog"; }
xdotool key Return  # the default button, OK
wt wait "$launcher" 15 >/dev/null || fail "the launcher did not open after OK"
wt gone 'Hallo!' 5 || fail "the splash stayed"
# The folder as it comes, with its backslash: the shell makes one of the two.
check_link "$group/ZANTORIK spielen.lnk" 'ZANTORIK spielen' 'C:\SPIELE\ZANTORIK\zkstart.exe'
check_link "$group/ZANTORIK Anleitung.lnk" 'ZANTORIK Anleitung' 'C:\SPIELE\ZANTORIK\zantorik.hlp'
wine reg query 'HKCU\Software\Orvandel\Zantorik' >/dev/null 2>&1 && fail "options stored before the exit button"

rm "$group/ZANTORIK spielen.lnk"
echo Liesmich > "$group/Liesmich.txt"
wt press "$launcher" 'Programm beenden' || fail "no exit button"
ended || fail "the exit button did not end the program"
wine reg query 'HKCU\Software\Orvandel\Zantorik' /v zkPfad >/dev/null 2>&1 || fail "the options were not stored"
check_link "$group/ZANTORIK spielen.lnk" 'ZANTORIK spielen' 'C:\SPIELE\ZANTORIK\zkstart.exe'
[ -e "$group/Liesmich.txt" ] || fail "the renewal removed the rest of the group"

start
wt wait "$launcher" 40 >/dev/null || fail "no launcher on the second start"
wt gone 'Hallo!' 5 || fail "the splash stayed on the second start"
wt dump 'Bestätigung' >/dev/null && fail "welcomed again"
wt close "$launcher"
ended || fail "closing the launcher did not end the program"
echo "first start test passed"
