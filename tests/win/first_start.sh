#!/usr/bin/env bash
# A first start of the real ZKSTART.EXE on drive C: of the test prefix, next
# to the stub game as zantorik.exe: the splash, after 3.5 seconds the
# welcome dialog, OK by Enter, the two shortcuts in the prefix's Programs
# folder (found through the registry, read with lnkinfo), the launcher.
# Then "Programm beenden" stores the options, and the next start goes
# straight to the launcher. Screenshots go to the build folder's screens/.
set -euo pipefail
build=$(realpath "$1")
: "${WINEPREFIX:?run inside scripts/wine-session.sh}"
game="$WINEPREFIX/drive_c/SPIELE/ZANTORIK"
shots="$build/screens"
mkdir -p "$game" "$shots"
cp "$build/bin/ZKSTART.EXE" "$game/"
cp "$build/tools/zantorik.exe" "$game/zantorik.exe"
printf 'Hilfe' > "$game/zantorik.hlp"
wine reg delete 'HKCU\Software\Orvandel' /f >/dev/null 2>&1 || true
export LC_ALL=C.UTF-8
wt() { wine "$build/tools/wintool.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
fail() { echo "FAIL: $*"; exit 1; }
now() { date +%s.%N; }
# The Programs folder as the shell records it for the current user.
programs=$(wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' /v Programs \
  2>/dev/null | tr -d '\r' | sed -n 's/^ *Programs *REG_SZ *//p')
[ -n "$programs" ] || fail "the prefix names no Programs folder"
group=$(winepath -u "$programs\\ZANTORIK" 2>/dev/null)
rm -rf "$group"

pid=
trap '[ -n "$pid" ] && kill $pid 2>/dev/null || true' EXIT
start() {
  (cd "$game" && exec wine 'C:\SPIELE\ZANTORIK\ZKSTART.EXE' >/dev/null 2>&1 </dev/null) &
  pid=$!
}
ended() {
  for _ in $(seq 100); do kill -0 $pid 2>/dev/null || return 0; sleep 0.2; done
  return 1
}
# lnkinfo's line for a field, without the label.
field() { lnkinfo "$1" 2>/dev/null | sed -n "s/^[[:space:]]*$2[[:space:]]*: //p" | head -1; }
check_link() {  # FILE DESCRIPTION TARGET
  [ -s "$1" ] || fail "no shortcut $1"
  [ "$(field "$1" Description)" = "$2" ] || { lnkinfo "$1"; fail "description of $1"; }
  [ "$(field "$1" 'Local path')" = "$3" ] || { lnkinfo "$1"; fail "target of $1"; }
}

# First start.
start
wt wait 'Hallo!' 30 >/dev/null || fail "no splash"
seen=$(now)
sleep 1
import -window root "$shots/first-start-splash.png"
wt dump 'Bestätigung' >/dev/null && fail "the welcome came before 3.5 seconds"
wt wait 'Bestätigung' 15 >/dev/null || fail "no welcome dialog"
elapsed=$(awk -v a="$(now)" -v b="$seen" 'BEGIN { printf "%.1f", a - b }')
echo "welcome after ${elapsed}s from the splash"
awk -v e="$elapsed" 'BEGIN { exit !(e >= 2.5 && e <= 10) }' || fail "welcome after ${elapsed}s"
sleep 0.5
import -window root "$shots/first-start-welcome.png"
expected=$'Bestätigung
Static: 
Static: Willkommen zu ZANTORIK!
Pfad: C:\\SPIELE\\ZANTORIK\\

"OK" zum Einbinden ins System (Symbole,...),
"Ignorieren" um es an andere Stelle zu kopieren bzw.
"Abbruch" zum Beenden.
Button: OK
Button: Abbrechen
Button: &Ignorieren'
actual=$(wt dump 'Bestätigung')
[ "$actual" = "$expected" ] || { diff <(echo "$expected") <(echo "$actual") || true; fail "welcome dialog"; }
# Enter answers with the default button, OK.
xdotool key Return
wt wait 'ZANTORIK Ruvalin V2.1' 15 >/dev/null || fail "the launcher did not open after OK"
wt gone 'Hallo!' 5 || fail "the splash stayed"
wt dump 'Bestätigung' >/dev/null && fail "the welcome stayed"
sleep 0.5
import -window root "$shots/first-start-launcher.png"
# The folder as it comes, with its backslash: the shell makes one of the two.
check_link "$group/ZANTORIK spielen.lnk" 'ZANTORIK spielen' 'C:\SPIELE\ZANTORIK\zkstart.exe'
check_link "$group/ZANTORIK Anleitung.lnk" 'ZANTORIK Anleitung' 'C:\SPIELE\ZANTORIK\zantorik.hlp'
wine reg query 'HKCU\Software\Orvandel\Zantorik' >/dev/null 2>&1 && fail "options stored before the exit button"

# The exit button stores the options, renews the shortcuts and ends the program.
rm -f "$group/ZANTORIK spielen.lnk"
wt press 'ZANTORIK Ruvalin V2.1' 'Programm beenden' || fail "no exit button"
ended || fail "the exit button did not end the program"
wine reg query 'HKCU\Software\Orvandel\Zantorik' /v zkPfad >/dev/null 2>&1 || fail "the options were not stored"
check_link "$group/ZANTORIK spielen.lnk" 'ZANTORIK spielen' 'C:\SPIELE\ZANTORIK\zkstart.exe'

# Second start: the splash, then the launcher without a word.
start
wt wait 'Hallo!' 30 >/dev/null || fail "no splash on the second start"
wt wait 'ZANTORIK Ruvalin V2.1' 15 >/dev/null || fail "no launcher on the second start"
wt gone 'Hallo!' 5 || fail "the splash stayed on the second start"
wt dump 'Bestätigung' >/dev/null && fail "welcomed again"
wt close 'ZANTORIK Ruvalin V2.1'
ended || fail "closing the launcher did not end the program"
pid=
echo "first start test passed"
