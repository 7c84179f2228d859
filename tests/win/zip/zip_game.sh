#!/usr/bin/env bash
# A game-like folder zipped by the real ZKZIP.DLL one file per AddFiles call
# (zip_game_tests.exe checks the directory after every call), then the
# archive checked from this side: unzip -t, Python's zipfile, 7z t, and an
# extraction that must give the folder back byte for byte.
#   zip_game.sh BUILD_DIR      (inside scripts/wine-session.sh)
set -euo pipefail
export LC_ALL=C.UTF-8  # names beyond ASCII as they are
build=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
: "${WINEPREFIX:?run inside scripts/wine-session.sh}"
work="$WINEPREFIX/drive_c/zipgame"
rm -rf "$work"
mkdir -p "$work/out"
fail() { echo "FAIL: $*"; exit 1; }

python3 "$here/../setup/make_game.py" "$work/ZANTORIK" "${ZK_GAME_MB:-3}"
# A name beyond plain ASCII and a folder two levels down.
mkdir -p "$work/ZANTORIK/GRAFIK/ALT"
printf 'Größe der Würfel\r\n' > "$work/ZANTORIK/GRAFIK/WÜRFEL.TXT"
head -c 70000 /dev/urandom > "$work/ZANTORIK/GRAFIK/ALT/BILD.GIF"
files=$(cd "$work/ZANTORIK" && find . -type f | wc -l)

out=$(env ZK_GAME_DIR='C:\zipgame\ZANTORIK' ZK_GAME_ZIP='C:\zipgame\out\zantorik.zip' \
      wine "$build/tests/win/zip/zip_game_tests.exe" </dev/null 2>&1) || { echo "$out"; fail "zip_game_tests.exe"; }
grep -q "PASSED.*1 test" <<<"$out" || { echo "$out"; fail "zip_game_tests.exe did not pass"; }
zipfile="$work/out/zantorik.zip"
[ -f "$zipfile" ] || fail "no archive"

res=$(unzip -t "$zipfile" 2>&1) || { echo "$res"; fail "unzip -t"; }
grep -q "No errors detected in compressed data" <<<"$res" || { echo "$res"; fail "unzip -t"; }
n=$(unzip -Z1 "$zipfile" | wc -l)
[ "$n" -eq "$files" ] || fail "$n entries for $files files"
python3 - "$zipfile" <<'PY' || fail "zipfile.testzip"
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    bad = z.testzip()
    assert bad is None, bad
    assert "GRAFIK/WÜRFEL.TXT" in z.namelist(), z.namelist()
PY
res=$(7z t "$zipfile" 2>&1) || { echo "$res"; fail "7z t"; }
grep -q "Everything is Ok" <<<"$res" || { echo "$res"; fail "7z t"; }
mkdir -p "$work/unpacked"
unzip -q "$zipfile" -d "$work/unpacked" || fail "unzip"
diff -r "$work/ZANTORIK" "$work/unpacked" || fail "the extracted folder differs"
echo "zip_game: $files files, $(stat -c %s "$zipfile") bytes, every check passed"
rm -rf "$work"
