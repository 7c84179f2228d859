#!/usr/bin/env bash
# The real ZKSTART.EXE copies a game-like folder to a second drive, used as a
# player would: "Zantorik kopieren" in the launcher, the target typed into
# the setup window, "Start", the questions answered. Every listed file must
# arrive byte for byte. Then "Komprimieren" and "Start" again: the real
# ZKZIP.DLL adds to X:\zantorik.zip, an older archive with zip64 records,
# which must then pass unzip -t and hold every listed file under its
# relative path; a folder named like a game file stops neither run.
# Screenshots of the setup window idle, during the runs and after them are
# kept in BUILD/screens.
#   setup_blackbox.sh BUILD_DIR
# Runs in a Wine prefix of its own (BUILD/wineprefix-setup) whose drive X:
# is a new empty host folder; inside an outer session its display is used.
set -euo pipefail
build=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
session="$here/../../../scripts/wine-session.sh"
prefix=$build/wineprefix-setup
if [ -z "${ZK_INNER:-}" ]; then
  target=$(mktemp -d)
  trap 'rm -f "$prefix/dosdevices/x:"; rm -rf "$target"' EXIT
  unset WINEPREFIX
  [ -f "$prefix/system.reg" ] || "$session" "$prefix" true
  ln -sfn "$target" "$prefix/dosdevices/x:"
  ZK_INNER=1 ZK_TARGET="$target" "$session" "$prefix" bash "$0" "$build"
  exit $?
fi

shots=$build/screens
mkdir -p "$shots"
game="$WINEPREFIX/drive_c/SPIELE/ZANTORIK"
rm -rf "$game"
python3 "$here/make_game.py" "$game" "${ZK_GAME_MB:-300}"
# A folder named like a game file, with a listed file in it: the folder is
# made, its file copied and zipped, and the run goes on after it.
mkdir -p "$game/ALT.EXE"
printf 'alte Fassung\r\n' > "$game/ALT.EXE/ALT.TXT"
cp "$build/bin/ZKSTART.EXE" "$game/"
# The real zip library in place of the stand-in bytes: still a listed file.
cp "$build/bin/ZKZIP.DLL" "$game/"
wine reg delete 'HKCU\Software\Orvandel' /f >/dev/null 2>&1 || true
# Options stored once: no welcome, the launcher comes after the splash.
wine reg add 'HKCU\Software\Orvandel\Zantorik' /v xFast /d 0 /f >/dev/null 2>&1
# Without the carriage returns of the Windows console.
wt() { local rc=0; wine "$build/tools/wintool.exe" "$@" </dev/null 2>/dev/null | tr -d '\r' || rc=$?; return $rc; }
fail() { echo "FAIL: $*"; import -window root "$shots/setup-failure.png" || true; exit 1; }
setup='ZANTORIK Setup V2.03'
launcher='ZANTORIK Ruvalin V2.1'

cd "$game"
wine 'C:\SPIELE\ZANTORIK\ZKSTART.EXE' >/dev/null 2>&1 </dev/null &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
wt wait "$launcher" 40 || fail "the launcher did not open"
sleep 1
[ "$(wt state "$launcher" 'Zantorik kopieren')" = enabled ] || fail "the setup button is not enabled"
wt press "$launcher" 'Zantorik kopieren'
wt wait "$setup" 10 || fail "the setup window did not open"
wt gone "$launcher" 5 || fail "the launcher stayed visible"
sleep 1
dump=$(wt dump "$setup")
grep -qx 'Edit: c:\\spiele\\zantorik\\' <<<"$dump" || fail "source field: $dump"
grep -qx 'Edit: c:\\' <<<"$dump" || fail "target field: $dump"
grep -q 'QUELLE bitte ändern, wenn nicht korrekt.' <<<"$dump" || fail "no status line for the source field"
import -window root "$shots/setup-idle.png"

# Tab to the target field (tabbing selects its text) and type the drive.
xdotool key Tab Tab
sleep 0.3
xdotool type --delay 80 'X:\'
sleep 0.5
wt dump "$setup" | grep -qx 'Edit: x:\\' || fail "target not typed: $(wt dump "$setup")"
wt dump "$setup" | grep -q 'Im ZIEL wird ein Ordner "ZANTORIK" angelegt.' || fail "no status line for the target field"

start=$(date +%s.%N)
wt press "$setup" 'Start'
# Keep a picture with the gauge part way: lime at its left end, black at its right.
for i in $(seq 12); do
  import -window root "$shots/setup-during-$i.png"
  left=$(convert "$shots/setup-during-$i.png" -format '%[hex:p{310,475}]' info:)
  right=$(convert "$shots/setup-during-$i.png" -format '%[hex:p{710,475}]' info:)
  if [ "$left" = 00FF00 ] && [ "$right" = 000000 ]; then mv "$shots/setup-during-$i.png" "$shots/setup-during.png"; break; fi
done
rm -f "$shots"/setup-during-*.png
[ -f "$shots/setup-during.png" ] || echo "note: no picture caught the run part way"
wt wait 'Information' 120 || fail "no question after the run"
end=$(date +%s.%N)
question=$(wt dump 'Information')
grep -q 'Installation erfolgreich abgeschlossen.' <<<"$question" || fail "question: $question"
grep -q 'ZANTORIK ins Startmenü einbinden?' <<<"$question" || fail "question: $question"
import -window root "$shots/setup-question.png"
wt press 'Information' '&Nein'
wt wait 'Bestätigung' 10 || fail "no 'Jetzt starten?'"
wt dump 'Bestätigung' | grep -q 'ZANTORIK wurde erfolgreich installiert. Jetzt starten?' || fail "no start question"
wt press 'Bestätigung' '&Nein'
wt gone 'Bestätigung' 10 || fail "the start question stayed"
sleep 1
import -window root "$shots/setup-after.png"
after=$(wt dump "$setup")
grep -qx 'Static: Geschafft!' <<<"$after" || fail "status after the run: $after"
grep -qx 'Static: 0' <<<"$after" || fail "bytes left after the run: $after"
grep -qx 'Static: Aktualisieren' <<<"$after" || grep -q 'Static: [0-9.]*$' <<<"$after" || fail "free bytes: $after"
[ "$(wt state "$setup" 'Start')" = enabled ] || fail "Start stays disabled"

# Every listed file, byte for byte; the others stay behind.
listed=$(cd "$game" && find . -type f | grep -Ei '(dll|hlp|txt|exe|pif|diz|\{.\})$' | sort)
[ "$(wc -l <<<"$listed")" -eq 18 ] || fail "the game folder holds $(wc -l <<<"$listed") listed files"
while read -r f; do
  cmp -s "$game/$f" "$ZK_TARGET/ZANTORIK/$f" || fail "$f differs or is missing"
done <<<"$listed"
copied=$(cd "$ZK_TARGET/ZANTORIK" && find . -type f | sort)
[ "$copied" = "$listed" ] || fail "copied more or less than listed: $copied"
bytes=$(cd "$game" && cat $(sed 's|^\./||' <<<"$listed") | wc -c)
echo "copied $bytes bytes in $(echo "$end - $start" | bc) s (until the question showed)"

# The zip run into the same target: the archive goes to its root. An older
# one waits there, written by Info-ZIP's zip from a pipe (zip64 records):
# its entry stays, the game joins it, and no message box comes up.
(printf 'aus der Leitung' | zip -q "$ZK_TARGET/zantorik.zip" -)
wt press "$setup" 'Komprimieren'
sleep 0.3
[ "$(wt check "$setup" 'Komprimieren')" = checked ] || fail "Komprimieren is not ticked"
start=$(date +%s.%N)
wt press "$setup" 'Start'
# A picture once the zip run shows its own labels.
for i in $(seq 40); do
  if wt dump "$setup" | grep -qx 'Static: Noch zu Zippen'; then import -window root "$shots/zip-during.png"; break; fi
  sleep 0.2
done
[ -f "$shots/zip-during.png" ] || echo "note: no picture caught the zip run part way"
wt wait 'Information' 300 || fail "no question after the zip run"
end=$(date +%s.%N)
question=$(wt dump 'Information')
grep -q 'Zip erfolgreich erstellt!' <<<"$question" || fail "question: $question"
grep -q 'Setup verlassen?' <<<"$question" || fail "question: $question"
import -window root "$shots/zip-question.png"
after=$(wt dump "$setup")
grep -qx 'Static: Noch zu Zippen' <<<"$after" || fail "labels after the zip run: $after"
grep -qx 'Static: 0' <<<"$after" || fail "bytes left after the zip run: $after"
echo "zipped $bytes bytes in $(echo "$end - $start" | bc) s (until the question showed)"
archive="$ZK_TARGET/zantorik.zip"
[ -f "$archive" ] || fail "no X:\\zantorik.zip: $(ls "$ZK_TARGET")"
unzip -tq "$archive" >/dev/null || fail "unzip -t: $(unzip -t "$archive" 2>&1 | tail -5)"
# Every listed file under its relative path beside the older entry, and nothing else.
grep -qx -- - <<<"$(unzip -Z1 "$archive")" || fail "the older entry is gone: $(unzip -Z1 "$archive")"
entries=$(unzip -Z1 "$archive" | grep -vx -- - | sed 's|^|./|' | sort)
[ "$entries" = "$listed" ] || fail "archive entries: $entries"
unpacked=$(mktemp -d)
unzip -q "$archive" -d "$unpacked"
while read -r f; do
  cmp -s "$game/$f" "$unpacked/$f" || fail "$f differs in the archive"
done <<<"$listed"
rm -rf "$unpacked"
# "Ja" leaves the setup; the launcher comes back with its button off.
wt press 'Information' '&Ja'
wt gone "$setup" 10 || fail "Ja did not close the setup"
wt wait "$launcher" 10 || fail "the launcher did not come back"
sleep 0.5
[ "$(wt state "$launcher" 'Zantorik kopieren')" = disabled ] || fail "the setup button is still enabled"
import -window root "$shots/setup-launcher-after.png"
wt close "$launcher"
for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.2; done
kill -0 $pid 2>/dev/null && fail "the program did not end"
echo "setup black-box test passed"
