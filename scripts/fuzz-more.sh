#!/usr/bin/env bash
# Runs the format core's, the self-extractor's and the zip library's fuzzers
# for a bounded time each (the directory reader has fuzz-zipdir.sh):
#   fuzz-more.sh BUILD SECONDS
# What they find stays in BUILD/corpus-NAME; a failing input is kept as
# BUILD/crash-*. Inputs that once failed (tests/fuzz/regressions/NAME) run
# first, every time.
set -euo pipefail
build="$1"
seconds="$2"
here="$(cd "$(dirname "$0")/.." && pwd)"
[ -d "$build/seeds-sfx" ] || python3 "$here/tests/fuzz/make-seeds.py" "$build/seeds-sfx" sfx
[ -d "$build/seeds" ] || python3 "$here/tests/fuzz/make-seeds.py" "$build/seeds"
for run in "fuzz_zipformat seeds" "fuzz_sfxrun seeds-sfx" "fuzz_zkzip_append seeds"; do
  set -- $run
  mkdir -p "$build/corpus-$1"
  inputs=("$build/corpus-$1" "$build/$2")
  [ ! -d "$here/tests/fuzz/regressions/$1" ] || inputs+=("$here/tests/fuzz/regressions/$1")
  "$build/$1" -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/" "${inputs[@]}"
done
