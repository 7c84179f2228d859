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
prog="$WINEPREFIX/drive_c/ZKPROG"
game="$WINEPREFIX/drive_c/SPIELE/ZANTORIK"
rm -rf "$prog" "$game"
mkdir -p "$prog"
cp "$build/bin/ZKSTART.EXE" "$build/bin/ZKZIP.DLL" "$prog/"
# Random bytes only, so the archive cannot be smaller than the files. The
# game's size stops 256 bytes short of a whole number of 4 KiB pages: a
# tmpfs of that many pages passes the space test, yet the archive, whose
# headers alone take more, does not fit.
total=$(python3 - "$game" <<'PY'
import os, random, sys
root = sys.argv[1]
rng = random.Random(14)
files = {"ZANTORIK.HLP": 50000, "ZANTORIK.PIF": 545, "TEXTE/THEMA.{1}": 20000, "TEXTE/THEMA.{2}": 30000}
rest = sum(files.values())
exe = 300000
exe += (4096 - 256 - (rest + exe) % 4096) % 4096
files["ZANTORIK.EXE"] = exe
for name, size in files.items():
    os.makedirs(os.path.dirname(os.path.join(root, name)), exist_ok=True)
    with open(os.path.join(root, name), "wb") as f:
        f.write(rng.randbytes(size))
print(rest + exe)
PY
)
mount -t tmpfs -o size=$((total + 256)) zkvoll "$ZK_WORK/y"
[ "$(stat -f -c '%a*%S' "$ZK_WORK/y" | bc)" -gt "$total" ] || { echo "FAIL: the tmpfs is too small"; exit 1; }

wine reg delete 'HKCU\Software\Orvandel' /f >/dev/null 2>&1 || true
wine reg add 'HKCU\Software\Orvandel\Zantorik' /v xFast /d 0 /f >/dev/null 2>&1

cd "$prog"
wine 'C:\ZKPROG\ZKSTART.EXE' >/dev/null 2>&1 </dev/null &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
wt wait "$launcher" 40 || fail "the launcher did not open"
sleep 1
wt press "$launcher" 'Zantorik kopieren'
wt wait "$setup" 10 || fail "the setup window did not open"
sleep 1
# A field's text replaced as a player does it: a click into the field,
# End, Shift+Home, typing. The field is found by the text it holds.
fill() {
  local at
  at=$(wt where "$setup" "$1") || fail "no field that reads $1: $(wt dump "$setup")"
  xdotool mousemove $at click 1
  sleep 0.3
  xdotool key End shift+Home
  xdotool type --delay 60 "$2"
  sleep 0.3
  wt dump "$setup" | grep -qxF "Edit: $2" || fail "not typed: $2: $(wt dump "$setup")"
}
fill 'c:\zkprog\' 'c:\spiele\zantorik'
shown='c:\'

# Types the target and starts.
run() {
  fill "$shown" "$1"
  shown=$1
  if [ "$(wt check "$setup" 'Komprimieren')" != checked ]; then
    wt press "$setup" 'Komprimieren'
    sleep 0.3
    [ "$(wt check "$setup" 'Komprimieren')" = checked ] || fail "Komprimieren is not ticked"
  fi
  wt press "$setup" 'Start'
  wt wait 'Information' 120 || fail "$1: no question after the zip run"
}
for target in 'x:\datei.txt' 'x:\nurlesen' 'y:\'; do
  run "$target"
  question=$(wt dump 'Information')
  grep -q 'Installation leider fehlgeschlagen...' <<<"$question" || fail "$target: question: $question"
  grep -q 'Weitere Kopie erstellen?' <<<"$question" || fail "$target: question: $question"
  wt dump "$setup" | grep -qx 'Static: So ein Mist...' || fail "$target: status: $(wt dump "$setup")"
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
wt dump "$setup" | grep -qx 'Static: Geschafft!' || fail "good target: status: $(wt dump "$setup")"
archive="$ZK_WORK/x/gut/zantorik.zip"
unzip -tq "$archive" >/dev/null || fail "unzip -t: $(unzip -t "$archive" 2>&1 | tail -5)"
entries=$(unzip -Z1 "$archive" | sort | tr '\n' ' ')
[ "$entries" = 'TEXTE/THEMA.{1} TEXTE/THEMA.{2} ZANTORIK.EXE ZANTORIK.HLP ZANTORIK.PIF ' ] ||
  fail "archive entries: $entries"
wt press 'Information' '&Ja'
wt gone "$setup" 10 || fail "Ja did not close the setup"
wt wait "$launcher" 10 || fail "the launcher did not come back"
wt close "$launcher"
for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.2; done
kill -0 $pid 2>/dev/null && fail "the program did not end"
echo "setup zip-failure test passed"
