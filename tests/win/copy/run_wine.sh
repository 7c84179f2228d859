#!/usr/bin/env bash
# Runs the Windows copy tests with drive X: mapped to a new empty host folder:
#   run_wine.sh TEST.EXE BUILD_DIR [gtest args]
# Inside a Wine session (WINEPREFIX set) it uses that prefix; otherwise it
# starts a session of its own in BUILD_DIR/wineprefix-copy.
set -euo pipefail
exe=$(realpath "$1"); build=$(realpath "$2"); shift 2
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${WINEPREFIX:-}" ]; then
  exec "$here/../../../scripts/wine-session.sh" "$build/wineprefix-copy" bash "$here/run_wine.sh" "$exe" "$build" "$@"
fi
export WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG="${WINEDEBUG:--all}"
target=$(mktemp -d)
log=$(mktemp)
cleanup() { rm -f "$WINEPREFIX/dosdevices/x:"; rm -rf "$target" "$log"; }
trap cleanup EXIT
mkdir -p "$WINEPREFIX/dosdevices"
ln -sfn "$target" "$WINEPREFIX/dosdevices/x:"
# Wine's services may start with this program and keep its output open;
# give them a file, so that a test runner reading our output is not kept
# waiting for them.
rc=0
ZK_SHOT_DIR="${ZK_SHOT_DIR:-}" wine "$exe" "$@" >"$log" 2>&1 </dev/null || rc=$?
cat "$log"
exit $rc
