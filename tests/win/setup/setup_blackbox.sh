#!/usr/bin/env bash
# The real ZKSTART.EXE copies a game-like folder to a second drive, used as a
# player would: "Zantorik kopieren" in the launcher, the target typed into
# the setup window, "Start", the questions answered. Every listed file must
# arrive byte for byte, again in a second run over read-only, hidden and
# system copies, which lose those marks; a target that spells the source's
# parent with "." is refused. Then "Komprimieren" and "Start" again: the real
# ZKZIP.DLL adds to X:\zantorik.zip, an older archive with zip64 records,
# which must then pass unzip -t and hold every listed file under its
# relative path; a folder named like a game file stops neither run.
# Screenshots of the window idle, during the runs and after them are kept.
#   setup_blackbox.sh BUILD_DIR
# Runs in a Wine prefix of its own (BUILD/wineprefix-setup) whose drive X:
# is a new empty host folder; inside an outer session its display is used.
set -euo pipefail
build=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
prefix=$build/wineprefix-setup
if [ -z "${ZK_INNER:-}" ]; then
  session="$here/../../../scripts/wine-session.sh"
  target=$(mktemp -d)
  trap 'rm -f "$prefix/dosdevices/x:"; rm -rf "$target"' EXIT
  unset WINEPREFIX
  [ -f "$prefix/system.reg" ] || "$session" "$prefix" true
  ln -sfn "$target" "$prefix/dosdevices/x:"
  ZK_INNER=1 ZK_TARGET="$target" "$session" "$prefix" bash "$0" "$build"
  exit $?
fi

source "$here/../winlib.sh"
rm -rf "$game"
python3 "$here/make_game.py" "$game" "${ZK_GAME_MB:-300}"
# A folder named like a game file, with a listed file in it.
mkdir -p "$game/ALT.EXE"
printf 'alte Fassung\r\n' > "$game/ALT.EXE/ALT.TXT"
prepare_game
rm "$game/zantorik.pif"  # the game's own ZANTORIK.PIF stays
start_program
[ "$(wt state "$launcher" 'Zantorik kopieren')" = enabled ] || fail "the setup button is not enabled"
wt press "$launcher" 'Zantorik kopieren'
wt wait "$setup" 10 || fail "the setup window did not open"
wt gone "$launcher" 5 || fail "the launcher stayed visible"
sleep 1
dump=$(wt dump "$setup")
grep -qx 'Edit: c:\\spiele\\zantorik\\' <<<"$dump" && grep -qx 'Edit: c:\\' <<<"$dump" || fail "fields: $dump"
grep -q 'QUELLE bitte ändern, wenn nicht korrekt.' <<<"$dump" || fail "no status line for the source field"
import -window root "$shots/setup-idle.png"

# Tab to the target field (tabbing selects its text) and type the drive.
xdotool key Tab Tab
sleep 0.3
xdotool type --delay 80 'X:\'
sleep 0.5
dump=$(wt dump "$setup")
grep -qx 'Edit: x:\\' <<<"$dump" || fail "target not typed: $dump"
grep -q 'Im ZIEL wird ein Ordner "ZANTORIK" angelegt.' <<<"$dump" || fail "no status line for the target field"

wt press "$setup" 'Start'
# A picture with the gauge part way: lime at its left end, black at its right.
for i in $(seq 12); do
  import -window root "$shots/setup-during.png"
  if [ "$(convert "$shots/setup-during.png" -format '%[hex:p{310,475}]-%[hex:p{710,475}]' info:)" = 00FF00-000000 ]; then break; fi
done
wt wait 'Information' 120 || fail "no question after the run"
question=$(wt dump 'Information')
grep -q 'Installation erfolgreich abgeschlossen.' <<<"$question" && grep -q 'ZANTORIK ins Startmenü einbinden?' <<<"$question" ||
  fail "question: $question"
import -window root "$shots/setup-question.png"
wt press 'Information' '&Nein'
wt wait 'Bestätigung' 10 || fail "no 'Jetzt starten?'"
grep -q 'ZANTORIK wurde erfolgreich installiert. Jetzt starten?' <<<"$(wt dump 'Bestätigung')" || fail "no start question"
wt press 'Bestätigung' '&Nein'
wt gone 'Bestätigung' 10 || fail "the start question stayed"
sleep 1
import -window root "$shots/setup-after.png"
after=$(wt dump "$setup")
grep -qx 'Static: Geschafft!' <<<"$after" && grep -qx 'Static: 0' <<<"$after" || fail "after the run: $after"
[ "$(wt state "$setup" 'Start')" = enabled ] || fail "Start stays disabled"

# The others stay behind.
listed=$(cd "$game" && find . -type f | grep -Ei '(dll|hlp|txt|exe|pif|diz|\{.\})$' | sort)
[ "$(wc -l <<<"$listed")" -eq 18 ] || fail "the game folder holds $(wc -l <<<"$listed") listed files"
# Every listed file byte for byte, with its source's time stamp.
while read -r f; do
  cmp -s "$game/$f" "$ZK_TARGET/ZANTORIK/$f" || fail "$f differs or is missing"
  [ "$(stat -c %Y "$game/$f")" = "$(stat -c %Y "$ZK_TARGET/ZANTORIK/$f")" ] || fail "$f has another time stamp"
done <<<"$listed"
[ "$(cd "$ZK_TARGET/ZANTORIK" && find . -type f | sort)" = "$listed" ] || fail "copied more or less than listed"

# Once more over the copy, some of whose files are now read-only, hidden or
# system files: each is overwritten and loses its marks (Wine keeps them on
# a file it overwrites, and as root lets a plain create through).
marked='ZANTORIK.EXE ZANTORIK.HLP ZKZIP.DLL'
for f in $marked; do wine cmd /c attrib +r +h +s "X:\\ZANTORIK\\$f" </dev/null >/dev/null 2>&1; done
printf 'alt' > "$ZK_TARGET/ZANTORIK/FILE_ID.DIZ"
wt press "$setup" 'Start'
wt wait 'Information' 120 || fail "no question after the second run"
wt press 'Information' '&Nein'
wt wait 'Bestätigung' 10 || fail "no 'Jetzt starten?' after the second run"
wt press 'Bestätigung' '&Nein'
wt gone 'Bestätigung' 10 || fail "the start question stayed"
while read -r f; do cmp -s "$game/$f" "$ZK_TARGET/ZANTORIK/$f" || fail "$f differs after the second run"; done <<<"$listed"
for f in $marked; do
  flags=$(wine cmd /c attrib "X:\\ZANTORIK\\$f" </dev/null 2>/dev/null | tr -d '\r')
  [[ "${flags%%X:*}" != *[RHS]* ]] || fail "$f keeps its marks: $flags"
done
# A target that names the source's parent by another spelling.
fill_field "$setup" 'x:\' 'c:\spiele\.\'
wt press "$setup" 'Start'
wt wait 'Fehler' 10 || fail "no error for c:\\spiele\\.\\"
grep -q 'Quelle und Ziel müssen verschieden sein!' <<<"$(wt dump 'Fehler')" || fail "error: $(wt dump 'Fehler')"
wt press 'Fehler' '&Abbrechen'
wt gone 'Fehler' 10 || fail "the error stayed"
fill_field "$setup" 'c:\spiele\.\' 'x:\'

# The zip run into the same target: the archive goes to its root, where an
# older one of Info-ZIP's from a pipe waits; its entry stays, no box comes.
(printf 'aus der Leitung' | zip -q "$ZK_TARGET/zantorik.zip" -)
wt press "$setup" 'Komprimieren'
sleep 0.3
[ "$(wt check "$setup" 'Komprimieren')" = checked ] || fail "Komprimieren is not ticked"
wt press "$setup" 'Start'
for _ in $(seq 40); do
  grep -qx 'Static: Noch zu Zippen' <<<"$(wt dump "$setup")" && { import -window root "$shots/zip-during.png"; break; }
  sleep 0.2
done
wt wait 'Information' 300 || fail "no question after the zip run"
question=$(wt dump 'Information')
grep -q 'Zip erfolgreich erstellt!' <<<"$question" && grep -q 'Setup verlassen?' <<<"$question" || fail "question: $question"
after=$(wt dump "$setup")
grep -qx 'Static: Noch zu Zippen' <<<"$after" && grep -qx 'Static: 0' <<<"$after" || fail "after the zip run: $after"
archive="$ZK_TARGET/zantorik.zip"
unzip -tq "$archive" >/dev/null || fail "unzip -t: $(unzip -t "$archive" 2>&1 | tail -5)"
grep -qx -- - <<<"$(unzip -Z1 "$archive")" || fail "the older entry is gone: $(unzip -Z1 "$archive")"
[ "$(unzip -Z1 "$archive" | grep -vx -- - | sed 's|^|./|' | sort)" = "$listed" ] || fail "entries: $(unzip -Z1 "$archive")"
unpacked=$(mktemp -d)
unzip -q "$archive" -d "$unpacked"
while read -r f; do cmp -s "$game/$f" "$unpacked/$f" || fail "$f differs in the archive"; done <<<"$listed"
rm -rf "$unpacked"
# "Ja" leaves the setup; the launcher comes back with its button off.
wt press 'Information' '&Ja'
wt gone "$setup" 10 || fail "Ja did not close the setup"
wt wait "$launcher" 10 || fail "the launcher did not come back"
sleep 0.5
[ "$(wt state "$launcher" 'Zantorik kopieren')" = disabled ] || fail "the setup button is still enabled"
wt close "$launcher"
ended || fail "the program did not end"
echo "setup black-box test passed"
