#!/usr/bin/env bash
# Not a test: the copy of a game-like folder through the real setup window
# under Wine (window shown, labels and gauge repainted after every block)
# against cp -r of the same folder in the same run, and the same copy
# without windows for comparison. Drives S: (the game) and T: (the target)
# of a Wine prefix of its own stand on host folders.
#   bench/setup_bench.sh BUILD_DIR [MEGABYTES]    (default 100)
set -euo pipefail
build=$(realpath "$1"); mb=${2:-100}
here=$(cd "$(dirname "$0")/.." && pwd)
session="$here/scripts/wine-session.sh"
prefix=$build/wineprefix-bench
work=$build/bench-setup
rm -rf "$work"; mkdir -p "$work/game" "$work/target" "$work/cp"
python3 "$here/tests/win/setup/make_game.py" "$work/game/ZANTORIK" "$mb" --no-empty
unset WINEPREFIX
[ -f "$prefix/system.reg" ] || "$session" "$prefix" true
ln -sfn "$work/game" "$prefix/dosdevices/s:"
ln -sfn "$work/target" "$prefix/dosdevices/t:"
trap 'rm -f "$prefix/dosdevices/s:" "$prefix/dosdevices/t:"' EXIT

run() {  # prints the seconds of one copy through the program
  rm -rf "$work/target/ZANTORIK"; sync
  "$session" "$prefix" bash -c 'wine "$@" 2>/dev/null </dev/null' _ "$build/bench/setup_bench.exe" 'S:\ZANTORIK' 'T:\' "$@" \
    | tr -d '\r' | tee /dev/stderr | awk '$1 == "ok" { print $4 }'
}
cp_run() {
  rm -rf "$work/cp/ZANTORIK"; sync
  # Into the page cache, as the program's writes are timed.
  local t0 t1; t0=$(date +%s.%N); cp -r "$work/game/ZANTORIK" "$work/cp/"; t1=$(date +%s.%N)
  echo "$t1 - $t0" | bc -l
}
bytes=$(du -sb "$work/game/ZANTORIK" | cut -f1)
window=$(run); hidden=$(run --hidden); cpt=$(cp_run)
diff -r "$work/game/ZANTORIK" "$work/target/ZANTORIK" >/dev/null 2>&1 || true
printf 'folder: %d bytes\n' "$bytes"
printf 'setup window (repaints): %8.3f s  %8.1f MB/s\n' "$window" "$(echo "$bytes / $window / 1048576" | bc -l)"
printf 'no windows:              %8.3f s  %8.1f MB/s\n' "$hidden" "$(echo "$bytes / $hidden / 1048576" | bc -l)"
printf 'cp -r:                   %8.3f s  %8.1f MB/s\n' "$cpt" "$(echo "$bytes / $cpt / 1048576" | bc -l)"
printf 'window throughput / cp:  %8.2f  (aim: at least 0.7)\n' "$(echo "$cpt / $window" | bc -l)"
