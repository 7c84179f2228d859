#!/usr/bin/env bash
# Not a test: the copy of a game-like folder through the real setup window
# under Wine (window shown, labels and gauge repainted after every block)
# against cp -r of the same folder in the same run, and the same copy
# without windows for comparison; then the zip run through the window
# ("Komprimieren", the real ZKZIP.DLL) against zip -9 -r of the same folder. Drives S: (the game) and T: (the target)
# of a Wine prefix of its own stand on host folders. WORKDIR puts them on
# the disk it lies on (what a flush costs shows only there); the zip run is
# timed in pairs with zip, and the median of the pairs' ratios counts.
#   bench/setup_bench.sh BUILD_DIR [MEGABYTES] [WORKDIR]   (default 100, memory)
set -euo pipefail
build=$(realpath "$1"); mb=${2:-100}
here=$(cd "$(dirname "$0")/.." && pwd)
session="$here/scripts/wine-session.sh"
prefix=$build/wineprefix-bench
# In memory when there is room: the write-back of one run's files to disk
# would otherwise slow down the next run by chance.
if [ -n "${3:-}" ]; then
  mkdir -p "$3"; work=$(cd "$3" && pwd)
elif [ -d /dev/shm ] && [ "$(df -Pk /dev/shm | awk 'NR == 2 { print $4 }')" -gt $((mb * 4 * 1024 + 65536)) ]; then
  work=$(mktemp -d /dev/shm/zk-bench-setup.XXXXXX)
  trap 'rm -rf "$work"' EXIT
else
  work=$build/bench-setup
fi
rm -rf "$work"; mkdir -p "$work/game" "$work/target" "$work/cp"
python3 "$here/tests/win/setup/make_game.py" "$work/game/ZANTORIK" "$mb" --no-empty
unset WINEPREFIX
[ -f "$prefix/system.reg" ] || "$session" "$prefix" true
ln -sfn "$work/game" "$prefix/dosdevices/s:"
ln -sfn "$work/target" "$prefix/dosdevices/t:"
trap 'rm -f "$prefix/dosdevices/s:" "$prefix/dosdevices/t:"; case $work in /dev/shm/*) rm -rf "$work";; esac' EXIT

run() {  # prints the seconds of one copy through the program
  rm -rf "$work/target/ZANTORIK" "$work/target/zantorik.zip"; sync
  "$session" "$prefix" bash -c 'wine "$@" 2>/dev/null </dev/null' _ "$build/bench/setup_bench.exe" 'S:\ZANTORIK' 'T:\' "$@" \
    | tr -d '\r' | tee /dev/stderr | awk '$1 == "ok" { print $4 }'
}
cp_run() {
  rm -rf "$work/cp/ZANTORIK"; sync
  # Into the page cache, as the program's writes are timed.
  local t0 t1; t0=$(date +%s.%N); cp -r "$work/game/ZANTORIK" "$work/cp/"; t1=$(date +%s.%N)
  echo "$t1 - $t0" | bc -l
}
zip_run() {
  rm -f "$work/zip.zip"; sync
  local t0 t1; t0=$(date +%s.%N); (cd "$work/game/ZANTORIK" && zip -9 -r -q "$work/zip.zip" .); t1=$(date +%s.%N)
  echo "$t1 - $t0" | bc -l
}
bytes=$(du -sb "$work/game/ZANTORIK" | cut -f1)
# The best of five runs each: single runs of a few tenths of a second
# swing with the page cache's write-back.
best() { for _ in 1 2 3 4 5; do "$@"; done | awk 'NR == 1 || $1 < m { m = $1 } END { print m }'; }
window=$(best run); hidden=$(best run --hidden); cpt=$(best cp_run)
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
zips=() ratios=() refs=()
for _ in 1 2 3; do
  z=$(run --zip); r=$(zip_run)
  zips+=("$z") ratios+=("$(echo "$z / $r" | bc -l)") refs+=("$r")
done
zipped=$(printf '%s\n' "${zips[@]}" | median); zipt=$(printf '%s\n' "${refs[@]}" | median)
zipsize=$(stat -c %s "$work/target/zantorik.zip"); refsize=$(stat -c %s "$work/zip.zip")
diff -r "$work/game/ZANTORIK" "$work/target/ZANTORIK" >/dev/null 2>&1 || true
printf 'folder: %d bytes\n' "$bytes"
printf 'setup window (repaints): %8.3f s  %8.1f MB/s\n' "$window" "$(echo "$bytes / $window / 1048576" | bc -l)"
printf 'no windows:              %8.3f s  %8.1f MB/s\n' "$hidden" "$(echo "$bytes / $hidden / 1048576" | bc -l)"
printf 'cp -r:                   %8.3f s  %8.1f MB/s\n' "$cpt" "$(echo "$bytes / $cpt / 1048576" | bc -l)"
printf 'window throughput / cp:  %8.2f  (aim: at least 0.7)\n' "$(echo "$cpt / $window" | bc -l)"
printf 'zip run in the window:   %8.3f s  %d bytes\n' "$zipped" "$zipsize"
printf 'zip -9 -r:               %8.3f s  %d bytes (holds the unlisted files too)\n' "$zipt" "$refsize"
printf 'zip time window / zip:   %8.2f  median of 3 pairs (aim: at most 1.0)\n' "$(printf '%s\n' "${ratios[@]}" | median)"
