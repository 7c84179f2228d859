#!/usr/bin/env bash
# A first start of the real ZKSTART.EXE beside zantorik.exe: the welcome, OK by
# Enter, the two shortcuts in the Programs folder read back with lnkinfo.
set -euo pipefail
build=$(realpath "$1")
source "$(dirname "$0")/winlib.sh"
rm -rf "$game"
prepare_game
mv "$game/zantorik.pif" "$game/zantorik.exe"
wine reg delete 'HKCU\Software\Orvandel' /f >/dev/null 2>&1 || true
programs=$(wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' /v Programs \
  2>/dev/null | tr -d '\r' | sed -n 's/^ *Programs *REG_SZ *//p')
group=$(winepath -u "$programs\\ZANTORIK" 2>/dev/null)
rm -rf "$group"
(cd "$game" && exec wine 'C:\SPIELE\ZANTORIK\ZKSTART.EXE' >/dev/null 2>&1 </dev/null) &
pid=$!
wt wait 'Bestätigung' 40 >/dev/null || fail "no welcome dialog"
expected=$'Bestätigung\nStatic: \nStatic: Willkommen zu ZANTORIK!\nPfad: C:\\SPIELE\\ZANTORIK\\\n\n"OK" zum Einbinden ins System (Symbole,...),\n"Ignorieren" um es an andere Stelle zu kopieren bzw.\n"Abbruch" zum Beenden.\nButton: OK\nButton: Abbrechen\nButton: &Ignorieren'
[ "$(wt dump 'Bestätigung')" = "$expected" ] || fail "welcome dialog: $(wt dump 'Bestätigung')"
xdotool key Return  # the default button, OK
wt wait "$launcher" 15 >/dev/null || fail "the launcher did not open after OK"
for link in 'spielen|zkstart.exe' 'Anleitung|zantorik.hlp'; do
  info=$(lnkinfo "$group/ZANTORIK ${link%|*}.lnk" 2>/dev/null) || fail "no shortcut ${link%|*}"
  fields=$(sed -n 's/^[[:space:]]*\(Description\|Local path\)[[:space:]]*: //p' <<<"$info")
  grep -qxF "ZANTORIK ${link%|*}" <<<"$fields" && grep -qxF "C:\\SPIELE\\ZANTORIK\\${link#*|}" <<<"$fields" ||
    fail "shortcut: $info"
done
wt close "$launcher"
ended || fail "closing the launcher did not end the program"
echo "first start test passed"
