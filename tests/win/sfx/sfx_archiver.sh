#!/usr/bin/env bash
# Self-extractors made by the archive component itself: sfxmake.exe runs
# TZipArchiver::AddFiles to a new ".EXE" with the real ZKZIP.DLL, and the
# component finds ZKSFX.BIN in the program's folder. unzip and 7z must accept
# the result; started for real it unpacks every file byte for byte into its
# default folder: A unattended, B with another icon and an umlaut caption
# through its dialogs (screenshots in the build folder).
set -euo pipefail
build=$(realpath "$1")
: "${WINEPREFIX:?run inside scripts/wine-session.sh}"
work="$WINEPREFIX/drive_c/sfxarch"
rm -rf "$work"
mkdir -p "$work/tool"
cp "$build/tests/win/sfx/sfxmake.exe" "$build/bin/ZKSFX.BIN" "$build/bin/ZKZIP.DLL" "$work/tool/"
source "$(dirname "$0")/sfx_lib.sh"
make() {
  (cd "$work" && wine 'C:\sfxarch\tool\sfxmake.exe' "$@" </dev/null >"$work/make.out" 2>&1) \
    || { cat "$work/make.out"; fail "sfxmake $*"; }
  made=$(tr -d '\r' < "$work/make.out")
}

src="$work/payload"
make_payload "$src"

# A: one file first (the stub is written), then everything (added to it).
make 'C:\sfxarch\A.EXE' 'C:\sfxarch\payload' --dir 'C:\sfxarch\outA' liesmich.txt '*.*'
has "$made" 'stub C:\sfxarch\tool\ZKSFX.BIN' "the stub from the program's folder"
grep -q '^message' <<<"$made" && fail "sfxmake reported: $made"
cmp -s -n "$(stat -c %s "$work/tool/ZKSFX.BIN")" "$work/tool/ZKSFX.BIN" "$work/A.EXE" || fail "A.EXE does not begin with the stub"

out=$(unzip -t "$work/A.EXE" 2>&1) || fail "unzip -t A.EXE: $out"
has "$out" "No errors detected in compressed data" "unzip -t A.EXE"
out=$(7z t -tzip "$work/A.EXE" 2>&1) || fail "7z t A.EXE: $out"
has "$out" "Everything is Ok" "7z t A.EXE"

rc=0
(cd "$work" && ZKSFX_UNATTENDED=1 ZKSFX_LOG='C:\sfxarch\A.log' wine 'C:\sfxarch\A.EXE' </dev/null >/dev/null 2>&1) || rc=$?
log=$(tr -d '\r' < "$work/A.log" 2>/dev/null || true)
[ "$rc" -eq 0 ] || fail "A.EXE ended with $rc: $log"
has "$log" "result: 0" "A.EXE"
has "$log" "success: $files Dateien wurden entpackt nach|C:\\sfxarch\\outA" "A.EXE"
same "$src" "$work/outA" "A.EXE did not unpack everything"

# B: another icon, an umlaut caption, a message first; through the dialogs.
python3 - "$build/src/zksfx/zksfx.ico" "$work/other.ico" <<'EOF'
import sys
ico = bytearray(open(sys.argv[1], 'rb').read())
for i in range(22 + 40 + 64, 22 + 40 + 64 + 512):
    ico[i] ^= 0x33
open(sys.argv[2], 'wb').write(ico)
EOF
make 'C:\sfxarch\B.EXE' 'C:\sfxarch\payload' --dir 'C:\sfxarch\outB' --caption 'Größe für ZANTORIK' \
  --msg 'Willkommen bei ZANTORIK!' --icon 'C:\sfxarch\other.ico' '*.*'
# The icon image lies in the copy where it lay in the stub.
python3 - "$work/tool/ZKSFX.BIN" "$work/B.EXE" "$work/other.ico" "$build/src/zksfx/zksfx.ico" <<'EOF'
import sys
stub, exe, new, old = (open(p, 'rb').read() for p in sys.argv[1:5])
at = stub.find(old[22:])
assert at > 0 and stub.count(old[22:]) == 1, "the stub's icon image is not found once"
assert exe[at:at + 744] == new[22:], "the new image is not where the old one was"
assert exe[:at] == stub[:at] and exe[at + 744:len(stub)] == stub[at + 744:], "more of the stub changed"
EOF
out=$(unzip -t "$work/B.EXE" 2>&1) || fail "unzip -t B.EXE: $out"

(cd "$work" && ZKSFX_LOG='C:\sfxarch\B.log' wine 'C:\sfxarch\B.EXE' </dev/null >/dev/null 2>&1) &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
dump=$(await 'ZANTORIK' 'Willkommen bei ZANTORIK!')
[ "$(head -1 <<<"$dump")" = 'Größe für ZANTORIK' ] || fail "B.EXE's caption: $(head -1 <<<"$dump")"
sleep 0.5
import -window root "$build/sfx-archiver-message.png"
wt press 'ZANTORIK' 'OK' || fail "no OK on the message"
await 'ZANTORIK' "$files Dateien wurden entpackt nach" >/dev/null
sleep 0.5
import -window root "$build/sfx-archiver-success.png"
wt press 'ZANTORIK' 'OK' || fail "no OK on the report"
rc=0
wait $pid || rc=$?
trap - EXIT
[ "$rc" -eq 0 ] || fail "B.EXE ended with $rc"
has "$(tr -d '\r' < "$work/B.log")" "result: 0" "B.EXE"
same "$src" "$work/outB" "B.EXE did not unpack everything"

echo "self-extractor archiver test passed"
