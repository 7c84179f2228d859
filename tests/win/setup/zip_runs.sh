#!/usr/bin/env bash
# Runs of the real ZKSTART.EXE as a player meets them. A zip run and a copy
# run of a large game are not closed away: Alt+F4 and a click on the close
# box meanwhile leave the setup window open (asked to let the session end,
# it says no); the run finishes, its question comes and waits, and the
# archive or the copy is whole. Then one failing zip run per case: the
# dialogs it shows, the failure question, the old archive byte for byte.
#   zip_runs.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../winlib.sh"
ziele="$WINEPREFIX/drive_c/ziele"
trap '[ -n "$pid" ] && kill $pid 2>/dev/null; rm -rf "$game" "$ziele"' EXIT
rm -rf "$game" "$ziele"
python3 "$here/make_game.py" "$game" "${ZK_GAME_MB:-600}"
prepare_game
rm "$game/zantorik.pif"  # the game's own ZANTORIK.PIF stays
listed=$(cd "$game" && find . -type f | grep -Ei '(dll|hlp|txt|exe|pif|diz|\{.\})$' | sort)
start_program
wt press "$launcher" 'Zantorik kopieren'
wt wait "$setup" 10 || fail "the setup window did not open"
fill_field "$setup" 'c:\' 'c:\ziele'

# Alt+F4, then a click on the close box, while a run holds the window; the
# run must still be going afterwards.
r=($(wt rect "$setup")) c=($(wt client "$setup"))
closebox="$((c[0] + c[2] - 9)) $(((r[1] + c[1]) / 2 + 1))"
close_during_run() {
  xdotool key alt+F4 mousemove $closebox click 1
  import -window root "$shots/zipruns-$1.png"
  ! wt wait 'Information' 0.1 || fail "$1: the run was over before the keys; a larger game is needed"
}
# The run's question has come over the setup window, still open.
question_over_setup() {
  await 'Information' "$1" 120 >&2  # not /dev/null: a failure says so there
  wt wait "=$setup" 0.1 || fail "the setup window was closed during the run"
  ! wt wait "=$launcher" 0.1 || fail "the launcher came back during the run"
}

wt press "$setup" 'Komprimieren'
wt press "$setup" 'Start'
await "$setup" 'Dateien werden gezippt...' 30 >&2
[ "$(wt endsession "$setup")" = 0 ] || fail "the setup window lets the session end during the zip run"
wine taskkill /im ZKSTART.EXE >/dev/null 2>&1  # a close for each of its windows, the hidden main one too
close_during_run zip
question_over_setup 'Zip erfolgreich erstellt!'
archive="$ziele/zantorik.zip"
unzip -tq "$archive" >/dev/null || fail "unzip -t: $(unzip -t "$archive" 2>&1 | tail -5)"
[ "$(unzip -Z1 "$archive" | sed 's|^|./|' | sort)" = "$listed" ] || fail "entries: $(unzip -Z1 "$archive")"
wt press 'Information' '&Nein'
wt gone 'Information' 10 || fail "the zip question stayed"

wt press "$setup" 'Komprimieren'
wt press "$setup" 'Start'
for _ in $(seq 300); do [ -d "$ziele/ZANTORIK" ] && break; sleep 0.1; done
close_during_run copy
question_over_setup 'ZANTORIK ins Startmenü einbinden?'
! wt gone 'Information' 2 || fail "the question after the copy was answered by keys given during the run"
wt press 'Information' '&Nein'
wt wait 'Bestätigung' 10 || fail "no 'Jetzt starten?'"
wt press 'Bestätigung' '&Nein'
wt gone 'Bestätigung' 10 || fail "the start question stayed"
while read -r f; do cmp -s "$game/$f" "$ziele/ZANTORIK/$f" || fail "copy: $f differs or is missing"; done <<<"$listed"
[ "$(wt endsession "$setup")" = 1 ] || fail "after the runs the session may not end"

# One failing zip run into TARGET (a Windows path the caller prepared): the
# dialogs before the question must read MESSAGE... ("title: text"), the
# question tells the failure, and a zantorik.zip that was there stays as it
# was (none that was not). "Ja" leaves the window ready for the next case.
shown='c:\ziele'
dialog_text() { local d; d=$(wt dump "=$1") || return 1; sed '1d; /^Static: $/d; /^Button: /d; s/^Static: //' <<<"$d" | paste -sd' '; }
failing_run() {
  local target=$1 dir seen=() last= title text end=$((SECONDS + 120)) before; shift
  dir=$(winepath -u "$target" 2>/dev/null)
  before=$(cat "$dir/zantorik.zip" 2>/dev/null | sha1sum)
  fill_field "$setup" "$shown" "$target"
  shown=$target
  wt press "$setup" 'Start'
  while [ "${last%%:*}" != Information ]; do
    [ $SECONDS -lt $end ] || fail "$target: no failure question; seen: ${seen[*]}"
    for title in 'Ruvalin ZANTORIK-Starter' Fehler Warnung Information; do
      text=$(dialog_text "$title") || continue
      last="$title: $text"
      seen+=("$last")
      [ "$title" = Information ] && break
      wt press "=$title" OK || wt press "=$title" '&Abbrechen'
      while [ "$(dialog_text "$title" || true)" = "$text" ]; do
        [ $SECONDS -lt $end ] || fail "$target: the message stayed or came again: $last"
      done
    done
  done
  grep -qx 'Static: So ein Mist...' <<<"$(wt dump "$setup")" || fail "$target: status: $(wt dump "$setup")"
  local want=("$@" 'Information: Installation leider fehlgeschlagen... Weitere Kopie erstellen?')
  [ "${seen[*]}" = "${want[*]}" ] || fail "$target: dialogs $(printf '[%s] ' "${seen[@]}"), wanted $(printf '[%s] ' "${want[@]}")"
  [ "$(cat "$dir/zantorik.zip" 2>/dev/null | sha1sum)" = "$before" ] || fail "$target: the archive changed"
  wt press 'Information' '&Ja'
  wt gone 'Information' 10 || fail "$target: the question stayed"
}

wt press "$setup" 'Komprimieren'
mkdir -p "$ziele/notizen"
for _ in $(seq 40); do printf 'Notizen zum Spiel, keine Zip-Datei.\r\n'; done > "$ziele/notizen/zantorik.zip"
failing_run 'c:\ziele\notizen' 'Ruvalin ZANTORIK-Starter: Das ist keine Zip-Datei: ihr Ende fehlt.'

wt press "$setup" 'Ende'
wt wait "$launcher" 10 || fail "the launcher did not come back"
wt close "$launcher"
ended || fail "the program did not end"
echo "zip and copy runs test passed"
