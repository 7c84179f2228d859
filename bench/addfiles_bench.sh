#!/usr/bin/env bash
# Benchmark of adding files as the setup does (not a test): the generated
# game-like folder zipped through the archive component and the real zip
# library, one AddFiles call per file, against `zip -9 -r -q` of the same
# folder, on the disk WORKDIR lies on (not a memory disk: what a sync costs
# shows only on a real one). RUNS pairs, the two sides in turn; the median
# of the pairs' time ratios counts, since a shared machine drifts. Prints
# both sides' median times, the sizes and the ratios; ends 0 unless
# something fails outright.
#   bench/addfiles_bench.sh DRIVER [WORKDIR] [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
driver=$(realpath "$1")
work=${2:-$here/build/bench-addfiles/work}
runs=${3:-5}
mkdir -p "$work"
work=$(cd "$work" && pwd)
command -v zip >/dev/null || { echo "zip is not installed" >&2; exit 1; }

game=$work/game
rm -rf "$game"
python3 "$here/bench/make_bench_game.py" "$game"
nfiles=$(find "$game" -type f | wc -l)
bytes=$(du -sb "$game" | cut -f1)
ours=$work/addfiles.zip
theirs=$work/infozip.zip

now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
zips=(); ourss=(); ratios=()
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
for ((i = 1; i <= runs; i++)); do
    rm -f "$ours" "$theirs"
    t0=$(now)
    (cd "$game" && zip -9 -r -q "$theirs" .)
    t1=$(now)
    result=$("$driver" "$ours" "$game")
    small=$(sed -n 2p <<<"$result"); result=$(sed -n 1p <<<"$result")
    t2=$(now)
    z=$(calc "$t1 - $t0"); o=$(calc "$t2 - $t1")
    printf 'run %d: zip -9 %.3f s, AddFiles %.3f s, ratio %.3f\n' "$i" "$z" "$o" "$(calc "$o / $z")"
    zips+=("$z"); ourss+=("$o"); ratios+=("$(calc "$o / $z")")
done
zip_size=$(stat -c %s "$theirs")
our_size=$(stat -c %s "$ours")

printf 'folder:    %d files, %d bytes\n' "$nfiles" "$bytes"
printf 'zip -9:    %8.3f s  %10d bytes  (median)\n' "$(median "${zips[@]}")" "$zip_size"
printf 'AddFiles:  %8.3f s  %10d bytes  (median; %s files, one call each)\n' "$(median "${ourss[@]}")" "$our_size" "${result%% *}"
printf 'one small file more: %s ms into the finished archive, %s ms into a new one\n' ${small% *} ${small#* }
printf 'time ratio: %.3f median of %d pairs, %.3f to %.3f (aim <= 1.0)   size ratio: %.4f (aim <= 1.01)\n' \
    "$(median "${ratios[@]}")" "$runs" "$(printf '%s\n' "${ratios[@]}" | sort -g | head -1)" \
    "$(printf '%s\n' "${ratios[@]}" | sort -g | tail -1)" "$(calc "$our_size / $zip_size")"
unzip -tq "$ours" >/dev/null && echo "unzip -t: archive OK" || { echo "unzip -t: archive BROKEN"; exit 1; }
