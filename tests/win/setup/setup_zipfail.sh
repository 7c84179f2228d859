#!/usr/bin/env bash
# "Komprimieren" in the real ZKSTART.EXE where no archive can be written,
# used by keys as a player would: a file as target, a read-only folder, a
# drive that fills up during the run (a small tmpfs as drive Y:). Each run
# must end with "So ein Mist..." and "Installation leider fehlgeschlagen...",
# "Weitere Kopie erstellen?"; then a good target, where "Zip erfolgreich
# erstellt!" still comes and the archive holds the game.
#   setup_zipfail.sh BUILD_DIR      (as root: it mounts two small tmpfs)
# Runs in a Wine prefix of its own (BUILD/wineprefix-zipfail); X: is a new
# host folder, Y: the tmpfs. Inside an outer session its display is used.
set -euo pipefail
build=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
session="$here/../../../scripts/wine-session.sh"
prefix=$build/wineprefix-zipfail
if [ -z "${ZK_INNER:-}" ]; then
  [ "$(id -u)" = 0 ] || { echo "needs root for the tmpfs mounts"; exit 1; }
  work=$(mktemp -d "$build/zipfail.XXXXXX")
  mkdir -p "$work/x/nurlesen" "$work/y"
  cleanup() {
    rm -f "$prefix/dosdevices/x:" "$prefix/dosdevices/y:"
    umount "$work/x/nurlesen" 2>/dev/null || true
    umount "$work/y" 2>/dev/null || true
    rm -rf "$work"
  }
  trap cleanup EXIT
  unset WINEPREFIX
  [ -f "$prefix/system.reg" ] || "$session" "$prefix" true
  mount -t tmpfs -o ro,size=64k zkro "$work/x/nurlesen"
  printf 'kein Ordner\r\n' > "$work/x/datei.txt"
  ln -sfn "$work/x" "$prefix/dosdevices/x:"
  ln -sfn "$work/y" "$prefix/dosdevices/y:"
  ZK_INNER=1 ZK_WORK="$work" "$session" "$prefix" bash "$0" "$build"
  exit $?
fi

. "$here/../winlib.sh"
# The game lies apart from the program, so only its own files are listed.
data="$WINEPREFIX/drive_c/DATEN/ZANTORIK"
rm -rf "$data"
total=$(python3 "$here/make_game.py" "$data" --short-of-a-page)
mount -t tmpfs -o size=$((total + 256)) zkvoll "$ZK_WORK/y"
[ "$(stat -f -c '%a*%S' "$ZK_WORK/y" | bc)" -gt "$total" ] || { echo "FAIL: the tmpfs is too small"; exit 1; }

prepare_game
start_program
wt press "$launcher" 'Zantorik kopieren'
wt wait "$setup" 10 || fail "the setup window did not open"
sleep 1
fill_field "$setup" 'c:\spiele\zantorik\' 'c:\daten\zantorik'
shown='c:\'
wt press "$setup" 'Komprimieren'
sleep 0.3
[ "$(wt check "$setup" 'Komprimieren')" = checked ] || fail "Komprimieren is not ticked"

# Types the target and starts.
run() {
  fill_field "$setup" "$shown" "$1"
  shown=$1
  wt press "$setup" 'Start'
  wt wait 'Information' 120 || fail "$1: no question after the zip run"
}
for target in 'x:\datei.txt' 'x:\nurlesen' 'y:\'; do
  run "$target"
  question=$(wt dump 'Information')
  grep -q 'Installation leider fehlgeschlagen...' <<<"$question" && grep -q 'Weitere Kopie erstellen?' <<<"$question" ||
    fail "$target: question: $question"
  grep -qx 'Static: So ein Mist...' <<<"$(wt dump "$setup")" || fail "$target: status: $(wt dump "$setup")"
  import -window root "$shots/zipfail-$(tr -dc 'a-z' <<<"$target").png"
  # "Ja": another try, the focus in the target field.
  wt press 'Information' '&Ja'
  wt gone 'Information' 10 || fail "$target: the question stayed"
  sleep 0.5
  [ "$(wt state "$setup" 'Start')" = enabled ] || fail "$target: Start stays disabled"
done
[ ! -e "$ZK_WORK/x/datei.txt/zantorik.zip" ] && [ ! -e "$ZK_WORK/x/nurlesen/zantorik.zip" ] ||
  fail "an archive where none can be"
echo "a file, a read-only folder and a full drive as target: each run says it failed"

run 'x:\gut'
question=$(wt dump 'Information')
grep -q 'Zip erfolgreich erstellt!' <<<"$question" || fail "good target: question: $question"
grep -qx 'Static: Geschafft!' <<<"$(wt dump "$setup")" || fail "good target: status: $(wt dump "$setup")"
archive="$ZK_WORK/x/gut/zantorik.zip"
unzip -tq "$archive" >/dev/null || fail "unzip -t: $(unzip -t "$archive" 2>&1 | tail -5)"
entries=$(unzip -Z1 "$archive" | sort | tr '\n' ' ')
[ "$entries" = 'TEXTE/THEMA.{1} TEXTE/THEMA.{2} ZANTORIK.EXE ZANTORIK.HLP ZANTORIK.PIF ' ] ||
  fail "archive entries: $entries"
wt press 'Information' '&Ja'
wt gone "$setup" 10 || fail "Ja did not close the setup"
wt wait "$launcher" 10 || fail "the launcher did not come back"
wt close "$launcher"
ended || fail "the program did not end"
echo "setup zip-failure test passed"
