#!/usr/bin/env bash
# Benchmark of ZKZIP: a generated game-like folder (about 150 files, 30 MB of
# text, binaries and already-compressed data) zipped one file per ZkZipExec
# call, as the setup does, against `zip -9 -r -q` of the same folder.
# Prints both times and sizes and their ratios. Not a test: it always ends 0
# unless something fails outright.
#
#   bench/zkzip_bench.sh [WORKDIR]      (default: build/bench)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$here/build/bench}
mkdir -p "$work"
work=$(cd "$work" && pwd)

command -v zip >/dev/null || { echo "zip is not installed" >&2; exit 1; }

# The driver, optimised, with the library's sources linked in.
driver=$work/zkzip_bench
g++ -std=c++17 -O2 -DNDEBUG -I"$here/src" -o "$driver" \
    "$here/bench/zkzip_bench.cpp" "$here"/src/zkzip/{zkfs,names,zipformat,zkzip}.cpp -lz

# The folder, the same every run.
game=$work/game
rm -rf "$game"
python3 "$here/bench/make_bench_game.py" "$game"
nfiles=$(find "$game" -type f | wc -l)
bytes=$(du -sb "$game" | cut -f1)

ours=$work/zkzip.zip
theirs=$work/infozip.zip
rm -f "$ours" "$theirs"
sync

t0=$(date +%s.%N)
(cd "$game" && zip -9 -r -q "$theirs" .)
t1=$(date +%s.%N)
result=$("$driver" "$ours" "$game")
t2=$(date +%s.%N)

calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
zip_time=$(calc "$t1 - $t0")
our_time=$(calc "$t2 - $t1")
zip_size=$(stat -c %s "$theirs")
our_size=$(stat -c %s "$ours")
time_ratio=$(calc "$our_time / $zip_time")
size_ratio=$(calc "$our_size / $zip_size")

printf 'folder:   %d files, %d bytes\n' "$nfiles" "$bytes"
printf 'zip -9:   %8.3f s  %10d bytes\n' "$zip_time" "$zip_size"
printf 'ZKZIP:    %8.3f s  %10d bytes  (%s files added, one call each)\n' "$our_time" "$our_size" "${result%% *}"
printf 'time ratio: %.3f (aim <= 1.3)   size ratio: %.4f (aim <= 1.01)\n' "$time_ratio" "$size_ratio"
if command -v unzip >/dev/null; then
    unzip -tq "$ours" >/dev/null && echo "unzip -t: archive OK" || { echo "unzip -t: archive BROKEN"; exit 1; }
fi
