#!/usr/bin/env bash
# Runs one Windows program under Wine in the given prefix:
#   wine-exec.sh PREFIX PROGRAM [ARGS...]
# Used by ctest as the emulator of the Windows builds. The output goes
# through a file: Wine's helper processes may keep a pipe open long after
# the program has ended, and ctest would wait for them.
set -u
export WINEPREFIX="$1"; shift
export WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG="${WINEDEBUG:--all}"
out=$(mktemp)
wine "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
