#!/usr/bin/env bash
# The real ZKSTART.EXE copies a game-like folder to X: as a player would:
# "Zantorik kopieren", the target typed, "Start", the questions answered.
# Every listed file arrives byte for byte with its stamp, again over copies
# marked read-only, hidden and system, which lose the marks. Then
# "Komprimieren": X:\zantorik.zip (an older zip64 one of Info-ZIP's) passes
# unzip -t with every listed file. A folder named ALT.EXE stops neither run.
# Neither run is closed away (Alt+F4, the close box; a close to each window
# of the process, the end of the session); its question comes and waits.
# Failing zip runs, one each: the dialogs on one line each, each failure told
# once with its reason (no archive, a file where the folder goes, a read-only
# tmpfs, a full Y:, no ZKZIP.DLL), then the failure question; an older
# archive there stays as it was.
#   setup_blackbox.sh BUILD_DIR     (own prefix BUILD/wineprefix-setup)
# The read-only and the full drive are tmpfs mounts: made as root, else
# through sudo without a password, else left out with a notice.
set -euo pipefail
build=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
prefix=$build/wineprefix-setup
if [ -z "${ZK_INNER:-}" ]; then
  export ZK_MOUNT=
  if [ "$(id -u)" != 0 ]; then ZK_MOUNT=none && sudo -n true 2>/dev/null && ZK_MOUNT='sudo -n'; fi
  [ "$ZK_MOUNT" != none ] ||
    echo "NOTICE: not root and no sudo without a password: the read-only and the full drive are left out"
  work=$(mktemp -d "$build/setup.XXXXXX")
  mkdir -p "$work/x/nurlesen" "$work/y"
  trap 'rm -f "$prefix/dosdevices/"[xy]:; [ "$ZK_MOUNT" = none ] || $ZK_MOUNT umount "$work/x/nurlesen" "$work/y" 2>/dev/null || true; rm -rf "$work"' EXIT
  unset WINEPREFIX
  [ -f "$prefix/system.reg" ] || "$here/../../../scripts/wine-session.sh" "$prefix" true
  if [ "$ZK_MOUNT" != none ]; then  # read-only, with an older archive in it
    $ZK_MOUNT mount -t tmpfs -o size=64k zkro "$work/x/nurlesen"
    (cd "$work" && printf 'aus dem Regal\r\n' >alt.txt && $ZK_MOUNT zip -q "$work/x/nurlesen/zantorik.zip" alt.txt)
    $ZK_MOUNT mount -o remount,ro "$work/x/nurlesen"
  fi
  printf 'kein Ordner\r\n' > "$work/x/datei.txt"
  ln -sfn "$work/x" "$prefix/dosdevices/x:"
  ln -sfn "$work/y" "$prefix/dosdevices/y:"
  ZK_INNER=1 ZK_TARGET="$work/x" "$here/../../../scripts/wine-session.sh" "$prefix" bash "$0" "$build"
  exit $?
fi

source "$here/../winlib.sh"
rm -rf "$game"
python3 "$here/make_game.py" "$game" "${ZK_GAME_MB:-600}"
mkdir -p "$game/ALT.EXE"
printf 'alte Fassung\r\n' > "$game/ALT.EXE/ALT.TXT"
# A second game apart from the program, 256 bytes short of filling Y:.
data="$WINEPREFIX/drive_c/DATEN/ZANTORIK"
rm -rf "$data"
total=$(python3 "$here/make_game.py" "$data" --short-of-a-page)
[ "$ZK_MOUNT" = none ] || $ZK_MOUNT mount -t tmpfs -o size=$((total + 256)) zkvoll "$ZK_TARGET/../y"
prepare_game
rm "$game/zantorik.pif"  # the game's own ZANTORIK.PIF stays
start_program
wt press "$launcher" 'Zantorik kopieren'
wt wait "$setup" 10 || fail "the setup window did not open"
await_focus "$setup" 'Edit: c:\spiele\zantorik\'
import -window root "$shots/setup-idle.png"
# Tab to the target field (tabbing selects its text) and type the drive.
xdotool key Tab Tab
await_focus "$setup" 'Edit: c:\'
xdotool type --delay 80 'X:\'
within 10 shows "$setup" 'Edit: x:\' || fail "target not typed: $(wt dump "$setup")"

# Alt+F4 and a click on the close box right after "Start" come behind it, in
# the run; its question QUESTION comes over the window, still open, and waits.
r=($(wt rect "$setup")) c=($(wt client "$setup"))
closebox="$((c[0] + c[2] - 9)) $(((r[1] + c[1]) / 2 + 1))"
closing() { xdotool key alt+F4 mousemove $closebox click 1; }
question() {
  await 'Information' "$1" 120 >&2  # not /dev/null: a failure says so there
  wt wait "=$setup" 0.1 && ! wt wait "=$launcher" 0.1 || fail "the setup window was closed during the run"
  ! wt gone 'Information' 2 || fail "the question was answered by keys given during the run"
}
# A run answered "Nein" twice: no start menu, no start; with an argument, closed meanwhile.
copy() {
  wt press "$setup" 'Start'
  [ $# -eq 0 ] || closing
  question 'ZANTORIK ins Startmenü einbinden?'
  wt press 'Information' '&Nein'
  wt wait 'Bestätigung' 10 || fail "no 'Jetzt starten?'"
  wt press 'Bestätigung' '&Nein'
  wt gone 'Bestätigung' 10 || fail "the start question stayed"
}
copy closing
import -window root "$shots/setup-after.png"
grep -qx 'Static: Geschafft!' <<<"$(wt dump "$setup")" || fail "after the run: $(wt dump "$setup")"
listed=$(cd "$game" && find . -type f | grep -Ei '(dll|hlp|txt|exe|pif|diz|\{.\})$' | sort)
[ "$(wc -l <<<"$listed")" -eq 18 ] || fail "the game folder holds $(wc -l <<<"$listed") listed files"
while read -r f; do
  cmp -s "$game/$f" "$ZK_TARGET/ZANTORIK/$f" || fail "$f differs or is missing"
  [ "$(stat -c %Y "$game/$f")" = "$(stat -c %Y "$ZK_TARGET/ZANTORIK/$f")" ] || fail "$f has another time stamp"
done <<<"$listed"
[ "$(cd "$ZK_TARGET/ZANTORIK" && find . -type f | sort)" = "$listed" ] || fail "copied more or less than listed"

# Once more over marked copies (Wine keeps marks on a file it overwrites).
marked='ZANTORIK.EXE ZANTORIK.HLP ZKZIP.DLL'
for f in $marked; do wine cmd /c attrib +r +h +s "X:\\ZANTORIK\\$f" </dev/null >/dev/null 2>&1; done
printf 'alt' > "$ZK_TARGET/ZANTORIK/FILE_ID.DIZ"
copy
while read -r f; do cmp -s "$game/$f" "$ZK_TARGET/ZANTORIK/$f" || fail "$f differs after the second run"; done <<<"$listed"
for f in $marked; do
  flags=$(wine cmd /c attrib "X:\\ZANTORIK\\$f" </dev/null 2>/dev/null | tr -d '\r')
  [[ "${flags%%X:*}" != *[RHS]* ]] || fail "$f keeps its marks: $flags"
done
# A target naming the source's parent by another spelling, resolved by the system.
fill_field "$setup" 'x:\' 'c:\spiele\.\'
wt press "$setup" 'Start'
await 'Fehler' 'Quelle und Ziel müssen verschieden sein!' 10 >/dev/null
wt press 'Fehler' '&Abbrechen'
wt gone 'Fehler' 10 || fail "the error stayed"
fill_field "$setup" 'c:\spiele\.\' 'x:\'

# The zip run into the same target, whose root holds an older archive from a pipe.
(printf 'aus der Leitung' | zip -q "$ZK_TARGET/zantorik.zip" -)
wt press "$setup" 'Komprimieren'
wt press "$setup" 'Start'
closing
await "$setup" 'Dateien werden gezippt...' 30 >&2
[ "$(wt endsession "$setup")" = 0 ] || fail "the setup window lets the session end during the zip run"
wine taskkill /im ZKSTART.EXE >/dev/null 2>&1  # the hidden main window too
question 'Zip erfolgreich erstellt!'
archive="$ZK_TARGET/zantorik.zip"
unzip -tq "$archive" >/dev/null || fail "unzip -t: $(unzip -t "$archive" 2>&1 | tail -5)"
[ "$(unzip -Z1 "$archive" | sed 's|^|./|' | sort)" = "$(printf './-\n%s' "$listed" | sort)" ] ||
  fail "entries: $(unzip -Z1 "$archive")"
wt press 'Information' '&Nein'  # stays
wt gone 'Information' 10 || fail "the question stayed"
[ "$(wt endsession "$setup")" = 1 ] || fail "after the runs the session may not end"

shown='x:\'
mkdir -p "$ZK_TARGET/notizen" && printf 'Notizen zum Spiel, keine Zip-Datei.\r\n%.0s' {1..40} >"$ZK_TARGET/notizen/zantorik.zip"
failing_run 'x:\notizen' 'Ruvalin ZANTORIK-Starter: Das ist keine Zip-Datei: ihr Ende fehlt.'
fill_field "$setup" 'c:\spiele\zantorik\' 'c:\daten\zantorik'
failing_run 'x:\datei.txt' \
  'Fehler: Der Zielordner x:\datei.txt kann nicht angelegt werden, denn dort liegt schon eine Datei dieses Namens.'
if [ "$ZK_MOUNT" != none ]; then
  # The drive refuses the undo record (Wine tells a read-only mount as access denied).
  failing_run 'x:\nurlesen' \
    'Ruvalin ZANTORIK-Starter: Die Zip-Datei kann nicht geöffnet oder angelegt werden, denn der Zugriff ist nicht erlaubt.'
  ARCHIVE=whole failing_run 'y:\' \
    'Ruvalin ZANTORIK-Starter: In die Zip-Datei kann nicht geschrieben werden, denn auf dem Laufwerk ist kein Platz mehr frei.'
fi
rm "$game/ZKZIP.DLL"
failing_run 'x:\ohnedll' 'Ruvalin ZANTORIK-Starter: Die Zip-Bibliothek ZKZIP.DLL kann nicht geladen werden.'
wt press "$setup" 'Ende'
wt wait "$launcher" 10 || fail "the launcher did not come back"
within 10 test "$(wt state "$launcher" 'Zantorik kopieren')" = disabled || fail "the setup button is still enabled"
wt close "$launcher"
ended || fail "the program did not end"
echo "setup black-box test passed"
