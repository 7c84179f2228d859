#!/usr/bin/env bash
# Runs the Windows copy tests with drive X: mapped to a new empty host folder:
#   run_wine.sh TEST.EXE BUILD_DIR [gtest args]
# The tests get a Wine prefix of their own (BUILD_DIR/wineprefix-copy), whose
# server starts after X: is in place: a server that is already running keeps
# the drive list it read at its start. Inside an outer session its display
# is used.
set -euo pipefail
exe=$(realpath "$1"); build=$(realpath "$2"); shift 2
here=$(cd "$(dirname "$0")" && pwd)
prefix=$build/wineprefix-copy
target=$(mktemp -d)
log=$(mktemp)
cleanup() { rm -f "$prefix/dosdevices/x:"; rm -rf "$target" "$log"; }
trap cleanup EXIT
unset WINEPREFIX
session="$here/../../../scripts/wine-session.sh"
# A new prefix is made first; a drive link in an unmade one stops Wine.
[ -f "$prefix/system.reg" ] || "$session" "$prefix" true
ln -sfn "$target" "$prefix/dosdevices/x:"
# Wine's services may start with the program and keep its output open; give
# them a file, so that a test runner reading our output is not kept waiting.
rc=0
ZK_SHOT_DIR="${ZK_SHOT_DIR:-}" "$session" "$prefix" \
  bash -c 'wine "$@" >"$0" 2>&1 </dev/null' "$log" "$exe" "$@" || rc=$?
cat "$log"
exit $rc
