#!/usr/bin/env bash
# The game folder zipped by the real ZKZIP.DLL one file per AddFiles call
# (ZipGame in zip_win_tests.exe checks the directory after every call), then
# the archive checked from this side: unzip -t, Python's zipfile, 7z t, and
# an extraction that must give the folder back byte for byte.
#   zip_game.sh BUILD_DIR      (inside scripts/wine-session.sh)
set -euo pipefail
build=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../winlib.sh"
work="$WINEPREFIX/drive_c/zipgame"
rm -rf "$work" && mkdir -p "$work/out" "$work/unpacked"
python3 "$here/../setup/make_game.py" "$work/ZANTORIK" "${ZK_GAME_MB:-3}"
mkdir -p "$work/ZANTORIK/GRAFIK/ALT"  # two levels down, a name beyond ASCII
printf 'Größe der Würfel\r\n' > "$work/ZANTORIK/GRAFIK/ALT/WÜRFEL.TXT"
files=$(cd "$work/ZANTORIK" && find . -type f | wc -l)
zipfile="$work/out/zantorik.zip"
out=$(ZK_GAME_DIR='C:\zipgame\ZANTORIK' ZK_GAME_ZIP='C:\zipgame\out\zantorik.zip' \
      wine "$build/tests/win/zip/zip_win_tests.exe" --gtest_filter='ZipGame.*' </dev/null 2>&1) || { echo "$out"; fail "ZipGame"; }
grep -q "PASSED.*1 test" <<<"$out" || { echo "$out"; fail "ZipGame did not run"; }
res=$(unzip -t "$zipfile" 2>&1) && grep -q "No errors detected in compressed data" <<<"$res" || { echo "$res"; fail "unzip -t"; }
[ "$(unzip -Z1 "$zipfile" | wc -l)" -eq "$files" ] || fail "not $files entries"
python3 - "$zipfile" <<'PY' || fail "zipfile.testzip"
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    assert z.testzip() is None and "GRAFIK/ALT/WÜRFEL.TXT" in z.namelist(), z.namelist()
PY
res=$(7z t "$zipfile" 2>&1) && grep -q "Everything is Ok" <<<"$res" || { echo "$res"; fail "7z t"; }
unzip -q "$zipfile" -d "$work/unpacked" && diff -r "$work/ZANTORIK" "$work/unpacked" || fail "the extracted folder differs"
echo "zip_game: $files files, $(stat -c %s "$zipfile") bytes, every check passed"
rm -rf "$work"
