#!/usr/bin/env bash
# Runs one Windows program under Wine in the given prefix:
#   wine-exec.sh PREFIX PROGRAM [ARGS...]
# Used by ctest as the emulator of the Windows builds.
set -eu
export WINEPREFIX="$1"; shift
export WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG="${WINEDEBUG:--all}"
exec wine "$@"
