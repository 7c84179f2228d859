#!/usr/bin/env bash
# Runs a fuzzer of the archive code for a bounded time:
#   fuzz-zipdir.sh BUILD SECONDS [TARGET]
# TARGET is fuzz_zipdir (the component's directory reader, the default) or
# fuzz_zipformat (the format core); both start from the same seeds.
# Seeds are made once; what the fuzzer finds stays in BUILD/corpus (or
# BUILD/corpus-TARGET), and a failing input is kept as BUILD/TARGET-crash-*.
set -euo pipefail
build="$1"
seconds="$2"
target="${3:-fuzz_zipdir}"
here="$(cd "$(dirname "$0")/.." && pwd)"
corpus="$build/corpus"
[ "$target" = fuzz_zipdir ] || corpus="$build/corpus-$target"
mkdir -p "$corpus"
[ -d "$build/seeds" ] || python3 "$here/tests/fuzz/make-seeds.py" "$build/seeds"
exec "$build/$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$build/$target-" "$corpus" "$build/seeds"
