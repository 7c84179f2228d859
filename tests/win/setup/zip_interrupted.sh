#!/usr/bin/env bash
# An archive is never lost, on the real ZKSTART.EXE by keys and clicks. A zip
# run into C:\ZIEL, whose zantorik.zip holds an older entry, is ended during
# the add of the large ZANTORIK.EXE: the undo record stays. The next run,
# while another program holds the archive open without sharing, tells why,
# fails, and changes neither file. Once the archive is free the same window's
# next run puts it back and goes on: unzip -t passes with the older entry and
# every game file. Then a second ZKSTART.EXE zips there while the first adds
# the large file: it is told that another program writes the archive, and
# the first run ends whole.
#   zip_interrupted.sh BUILD_DIR      (inside scripts/wine-session.sh)
set -euo pipefail
build=$(realpath "$1"); here=$(cd "$(dirname "$0")" && pwd)
source "$here/../winlib.sh"
rm -rf "$game"
python3 "$here/make_game.py" "$game" "${ZK_GAME_MB:-400}" --text >/dev/null
prepare_game
rm "$game/zantorik.pif"  # the game's own ZANTORIK.PIF stays
ziel="$WINEPREFIX/drive_c/ZIEL" && rm -rf "$ziel" && mkdir -p "$ziel"
archive="$ziel/zantorik.zip" record="$ziel/zantorik.zip.zkj"
(cd "$ziel" && printf 'aus dem alten Archiv\r\n' >ALT.TXT && zip -q zantorik.zip ALT.TXT && rm ALT.TXT)
listed=$(cd "$game" && find . -type f | grep -Ei '(dll|hlp|txt|exe|pif|diz|\{.\})$' | sed 's|^\./||' | sort)
holder=
trap '[ -n "$pid" ] && kill $pid 2>/dev/null; [ -n "$holder" ] && kill $holder 2>/dev/null; true' EXIT

# The setup of the program on top, ready to zip into C:\ZIEL.
open_setup() {
  wt press "$launcher" 'Zantorik kopieren'
  wt wait "$setup" 10 || fail "the setup window did not open"
  await_focus "$setup" 'Edit: c:\spiele\zantorik\'
  shown='c:\'
  fill_field "$setup" "$shown" 'c:\ziel' && shown='c:\ziel'
  wt press "$setup" 'Komprimieren'
  within 10 test "$(wt check "$setup" 'Komprimieren')" = checked || fail "Komprimieren not ticked"
}
# Whether the run is inside the add of ZANTORIK.EXE (some ten seconds of
# deflate): its record is written and the archive has grown by 20 MB.
in_large_add() { [ -s "$record" ] && [ "$(stat -c %s "$archive" 2>/dev/null || echo 0)" -gt $((20 << 20)) ]; }

start_program
open_setup
wt press "$setup" 'Start'
within 120 in_large_add || fail "the run did not reach the large file"
kill -9 $pid && wait $pid 2>/dev/null || true
pid=
! unzip -tq "$archive" >/dev/null 2>&1 || fail "the archive was whole after the run was ended"
sums=$(sha1sum "$archive" "$record")

# Another program holds the archive: nothing changes, the reason is told.
wine "$build/tools/wintool.exe" hold 'C:\ZIEL\zantorik.zip' 600 >"$ziel/held.log" 2>/dev/null </dev/null &
holder=$!
within 20 grep -q held "$ziel/held.log" || fail "the archive could not be held"
start_program
open_setup
failing_run 'c:\ziel' 'Ruvalin ZANTORIK-Starter: Die Zip-Datei ist seit einem abgebrochenen Zippen unvollständig und kann jetzt nicht wiederhergestellt werden, denn ein anderes Programm hat sie geöffnet.'
[ "$(sha1sum "$archive" "$record")" = "$sums" ] || fail "the archive or its record changed"
kill $holder && wait $holder 2>/dev/null || true
holder=

# Free again: the same window's next run puts the archive back and goes on.
wt press "$setup" 'Start'
await 'Information' 'Zip erfolgreich erstellt!' 300 >/dev/null
unzip -tq "$archive" >/dev/null || fail "unzip -t: $(unzip -t "$archive" 2>&1 | tail -3)"
[ "$(unzip -Z1 "$archive" | sort)" = "$(printf 'ALT.TXT\n%s' "$listed" | sort)" ] || fail "entries: $(diff <(unzip -Z1 "$archive" | sort) <(printf 'ALT.TXT\n%s' "$listed" | sort) | tr '\n' ' ')"
[ ! -e "$record" ] || fail "the record stayed"
wt press 'Information' '&Nein'
wt gone 'Information' 10 || fail "the question stayed"

# Two programs, one target: the first adds the large file, the second is told.
rm "$archive"
first=$pid
start_program  # the second; its launcher is the only one shown
second=$pid pid=$first
wt press "$setup" 'Start'  # the first program's, the only setup window yet
within 120 in_large_add || fail "the first run did not reach the large file"
wt press "$launcher" 'Zantorik kopieren'
wt wait "$setup#2" 10 || fail "the second setup window did not open"
# Two windows of that title: the second program's is the one whose Start works.
for i in 1 2; do [ "$(wt state "$setup#$i" Start)" = enabled ] && setup="$setup#$i"; done
[[ "$setup" == *#? ]] || fail "no second setup window to use"
await_focus "$setup" 'Edit: c:\spiele\zantorik\'
shown='c:\'
wt press "$setup" 'Komprimieren'
ARCHIVE=any failing_run 'c:\ziel' 'Ruvalin ZANTORIK-Starter: Die Zip-Datei wird gerade von einem anderen Programm geschrieben. Warte, bis es fertig ist, und versuche es dann noch einmal.'
await 'Information' 'Zip erfolgreich erstellt!' 300 >/dev/null
unzip -tq "$archive" >/dev/null || fail "unzip -t after two programs: $(unzip -t "$archive" 2>&1 | tail -3)"
[ "$(unzip -Z1 "$archive" | sort)" = "$listed" ] || fail "entries after two programs: $(unzip -Z1 "$archive")"
wt press 'Information' '&Ja'  # the first setup closes
kill $second 2>/dev/null || true
echo "zip interrupted test passed"
