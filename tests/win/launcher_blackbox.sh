#!/usr/bin/env bash
# The real ZKSTART.EXE in C:\SPIELE\ZANTORIK of the test prefix, used by
# keys as a player would once the splash has handed over: Enter starts the
# game from the focused start button, Alt+F4 ends the program without
# storing anything. Keeps a screenshot of each tab in the build folder.
set -euo pipefail
build=$(realpath "$1")
: "${WINEPREFIX:?run inside scripts/wine-session.sh}"
game="$WINEPREFIX/drive_c/SPIELE/ZANTORIK"
log="$WINEPREFIX/drive_c/zk_stub_log.txt"
mkdir -p "$game"
cp "$build/bin/ZKSTART.EXE" "$game/"
cp "$build/tools/zantorik.exe" "$game/zantorik.pif"
rm -f "$log"
wine reg delete 'HKCU\Software\Orvandel' /f >/dev/null 2>&1 || true
# Options stored once (all at their defaults), so the splash hands straight
# over to the launcher instead of greeting a first start.
wine reg add 'HKCU\Software\Orvandel\Zantorik' /v xFast /d 0 /f >/dev/null 2>&1
wt() { wine "$build/tools/wintool.exe" "$@" </dev/null 2>/dev/null; }
fail() { echo "FAIL: $*"; exit 1; }
stored=$(wine reg query 'HKCU\Software\Orvandel\Zantorik' 2>/dev/null | tr -d '\r')
[[ "$stored" == *xFast* ]] || fail "could not store the options"

cd "$game"
ZK_STUB_LOG='C:\zk_stub_log.txt' wine 'C:\SPIELE\ZANTORIK\ZKSTART.EXE' >/dev/null 2>&1 </dev/null &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
wt wait 'ZANTORIK Ruvalin V2.1' 30 || fail "the launcher did not open"
sleep 1
import -window root "$build/launcher-start.png"
# The other tabs, reached with Ctrl+Tab as a player would.
for tab in allgemeines cd-player sonstiges; do
  xdotool key ctrl+Tab; sleep 0.7
  import -window root "$build/launcher-$tab.png"
done
xdotool key ctrl+Tab; sleep 0.5
# Focus back on the start button, then Enter.
wt dump 'ZANTORIK Ruvalin V2.1' | grep -q '>> ZANTORIK starten <<' || fail "no start button"
xdotool key Return
for _ in $(seq 100); do [ -s "$log" ] && break; sleep 0.2; done
[ -s "$log" ] || fail "the game did not start"
expected=$'C:\\SPIELE\\ZANTORIK\\\\zantorik.pif C:\\SPIELE\\ZANTORIK\\ / /B0\nC:\\SPIELE\\ZANTORIK'
actual=$(tr -d '\r' < "$log")
[ "$actual" = "$expected" ] || fail "command line: got [$actual], want [$expected]"
wt wait 'ZANTORIK Ruvalin V2.1' 1 || fail "the launcher closed on start"

xdotool key alt+F4
for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.2; done
kill -0 $pid 2>/dev/null && fail "Alt+F4 did not end the program"
[ "$(wine reg query 'HKCU\Software\Orvandel\Zantorik' 2>/dev/null | tr -d '\r')" = "$stored" ] ||
  fail "Alt+F4 stored the options"
echo "launcher black-box test passed"
