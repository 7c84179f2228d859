#!/usr/bin/env bash
# Runs the about-box screen test inside the current Wine session and keeps a
# screenshot of the whole screen with the box on it:
#   about-screenshot.sh TEST_EXE OUTDIR
set -uo pipefail
exe=$1 out=$(realpath -m "$2")
mkdir -p "$out"
rm -f "$out/about_ready" "$out/about_screen.png"
log="$out/about_test.log"
wine "$exe" "Z:$out" 4000 >"$log" 2>&1 &
pid=$!
for _ in $(seq 300); do [ -e "$out/about_ready" ] && break; kill -0 $pid 2>/dev/null || break; sleep 0.1; done
[ -e "$out/about_ready" ] && import -window root "$out/about_screen.png"
wait $pid
rc=$?
cat "$log"
[ -e "$out/about_screen.png" ] && echo "Screenshot: $out/about_screen.png" || { echo "no screenshot taken"; rc=1; }
exit $rc
