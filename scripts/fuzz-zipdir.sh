#!/usr/bin/env bash
# Runs the directory fuzzer for a bounded time:
#   fuzz-zipdir.sh BUILD SECONDS
# Seeds are made once; what the fuzzer finds stays in BUILD/corpus, and a
# failing input is kept as BUILD/crash-*. Inputs that once failed
# (tests/fuzz/regressions/fuzz_zipdir) run first, every time.
set -euo pipefail
build="$1"
seconds="$2"
here="$(cd "$(dirname "$0")/.." && pwd)"
mkdir -p "$build/corpus"
[ -d "$build/seeds" ] || python3 "$here/tests/fuzz/make-seeds.py" "$build/seeds"
exec "$build/fuzz_zipdir" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$build/" "$build/corpus" "$build/seeds" \
  "$here/tests/fuzz/regressions/fuzz_zipdir"
