#!/usr/bin/env bash
# Self-extractors made the program's way (sfxmake.exe: TZipArchiver::AddFiles
# to a new ".EXE", the real ZKZIP.DLL, ZKSFX.BIN found in the program's
# folder) and started for real. unzip and 7z must accept them; they unpack
# every file byte for byte. Most runs are unattended (ZKSFX_UNATTENDED=1
# answers every question with its default, ZKSFX_LOG records them); the last
# goes through the dialogs as a user would, with screenshots.
set -euo pipefail
build=$(realpath "$1")
source "$(dirname "$0")/../winlib.sh"
work="$WINEPREFIX/drive_c/sfxtest"
rm -rf "$work"
mkdir -p "$work/tool"
cp "$build/tests/win/sfx/sfxmake.exe" "$build/bin/ZKSFX.BIN" "$build/bin/ZKZIP.DLL" "$work/tool/"
same() { diff -r "$1" "$2" >/dev/null || { diff -r "$1" "$2" | head -20; fail "$3"; }; }
# sfxmake OUT.EXE [options] SPEC...: the payload folder current.
make_sfx() {
  (cd "$work" && wine 'C:\sfxtest\tool\sfxmake.exe' "$1" 'C:\sfxtest\payload' "${@:2}" </dev/null >"$work/make.out" 2>&1) \
    || { cat "$work/make.out"; fail "sfxmake $*"; }
  made=$(tr -d '\r' < "$work/make.out")
  grep -q '^message' <<<"$made" && fail "sfxmake reported: $made"
  return 0
}
# Starts C:\sfxtest\NAME.EXE unattended; rc and the log (without CRs) follow.
run() {
  local name=$1; shift
  rm -f "$work/$name.log"
  rc=0
  (cd "$work" && env ZKSFX_UNATTENDED=1 ZKSFX_LOG="C:\\sfxtest\\$name.log" "$@" wine "C:\\sfxtest\\$name.EXE" \
     </dev/null >/dev/null 2>&1) || rc=$?
  log=$(tr -d '\r' < "$work/$name.log" 2>/dev/null || true)
}

# The payload: text, random bytes, an empty file, an empty folder, nested
# folders, an umlaut in a name, a large compressible file, a program.
src="$work/payload"
mkdir -p "$src/daten/tief/unten" "$src/leer"
printf 'Hallo Welt\r\n' > "$src/liesmich.txt"
head -c 300000 /dev/urandom > "$src/daten/zufall.bin"
: > "$src/daten/leer.txt"
yes 'ZANTORIK spielen, ZANTORIK gewinnen' | head -c 3000000 > "$src/daten/tief/unten/gross.txt" || true
printf 'Umlaute im Namen' > "$src/daten/Größe.txt"
cp "$build/tools/zantorik.exe" "$src/zantorik.exe"
files=$(cd "$src" && find . -type f | wc -l)

# A: one file first (the stub is written), then everything (added in place,
# then replacing). Independent readers accept it; it unpacks everything.
make_sfx 'C:\sfxtest\A.EXE' --dir 'C:\sfxtest\outA' liesmich.txt zantorik.exe '*.*'
has "$made" 'stub C:\sfxtest\tool\ZKSFX.BIN' "the stub from the program's folder"
cmp -s -n "$(stat -c %s "$work/tool/ZKSFX.BIN")" "$work/tool/ZKSFX.BIN" "$work/A.EXE" || fail "A.EXE does not begin with the stub"
out=$(unzip -t "$work/A.EXE" 2>&1) || fail "unzip -t A.EXE: $out"
has "$out" "No errors detected in compressed data" "unzip -t A.EXE"
out=$(7z t -tzip "$work/A.EXE" 2>&1) || fail "7z t A.EXE: $out"
has "$out" "Everything is Ok" "7z t A.EXE"
run A
[ "$rc" -eq 0 ] || fail "A.EXE ended with $rc: $log"
has "$log" "result: 0" "A.EXE"
has "$log" "success: $files Dateien wurden entpackt nach|C:\\sfxtest\\outA" "A.EXE"
same "$src" "$work/outA" "A.EXE did not unpack everything"
# D: the command line runs afterwards, "><" being the folder; no report
# (options: auto-run, check size, no success message).
make_sfx 'C:\sfxtest\D.EXE' --dir 'C:\sfxtest\outD' --options 0x34 --cmd 'zantorik.exe /P ><' '*.*'
run D ZK_STUB_LOG='C:\sfxtest\stub.log'
[ "$rc" -eq 0 ] || fail "D.EXE ended with $rc: $log"
grep -q '^success' <<<"$log" && fail "D.EXE reported although told not to"
for _ in $(seq 50); do [ -s "$work/stub.log" ] && break; sleep 0.2; done
[ -s "$work/stub.log" ] || fail "D.EXE did not start the program"
started=$(tr -d '\r' < "$work/stub.log")
has "$(head -1 <<<"$started")" 'outD\zantorik.exe' "D.EXE's program"
has "$(head -1 <<<"$started")" '/P C:\sfxtest\outD' "D.EXE's command line"
[ "$(sed -n 2p <<<"$started")" = 'C:\sfxtest\outD' ] || fail "D.EXE's program did not run in the folder: $started"

# F: damaged data is found by its CRC and not left behind.
make_sfx 'C:\sfxtest\F.EXE' --dir 'C:\sfxtest\outF' '*.*'
python3 - "$work/F.EXE" <<'EOF'
import sys, zipfile
info = zipfile.ZipFile(sys.argv[1]).getinfo('daten/zufall.bin')
with open(sys.argv[1], 'r+b') as f:
    f.seek(info.header_offset + 30 + len(info.filename) + len(info.extra) + 5000)
    b = f.read(1)
    f.seek(-1, 1)
    f.write(bytes([b[0] ^ 0x55]))
EOF
run F
[ "$rc" -eq 2 ] || fail "F.EXE ended with $rc: $log"
grep -qE 'daten.zufall.bin: (Prüfsummenfehler|Daten beschädigt), nicht entpackt' <<<"$log" || fail "F.EXE: $log"
[ ! -e "$work/outF/daten/zufall.bin" ] || fail "F.EXE left the damaged file behind"
cmp -s "$src/daten/tief/unten/gross.txt" "$work/outF/daten/tief/unten/gross.txt" || fail "F.EXE lost a good file"

# G: no default folder: beside the program, in a folder whose name has a
# blank and an umlaut.
make_sfx 'C:\sfxtest\G.EXE' '*.*'
mkdir -p "$work/Neuer Ordner ä"
mv "$work/G.EXE" "$work/Neuer Ordner ä/G.EXE"
rc=0
(cd "$work/Neuer Ordner ä" && ZKSFX_UNATTENDED=1 ZKSFX_LOG='C:\sfxtest\G.log' wine G.EXE </dev/null >/dev/null 2>&1) || rc=$?
[ "$rc" -eq 0 ] || fail "G.EXE ended with $rc: $(cat "$work/G.log")"
rm "$work/Neuer Ordner ä/G.EXE"
same "$src" "$work/Neuer Ordner ä" "G.EXE did not unpack beside itself"

# I: an add cut short (a crash): half a new entry where the directory was,
# the undo journal beside. The stub reads the archive as it was; the next
# add puts it back first.
make_sfx 'C:\sfxtest\I.EXE' --dir 'C:\sfxtest\outI' '*.*'
python3 - "$work/I.EXE" <<'EOF'
import struct, sys, zlib
path = sys.argv[1]
b = open(path, 'rb').read()
end = b.rfind(b'PK\x05\x06')
start = end - struct.unpack('<I', b[end + 12:end + 16])[0]
tail, prefix = b[start:], b[max(0, start - 4096):start]
j = b'ZKJ1' + struct.pack('<IQIIQ', 0, start, len(prefix), zlib.crc32(prefix), len(tail)) + tail
open(path + '.zkj', 'wb').write(j + struct.pack('<I', zlib.crc32(j)))
open(path, 'wb').write(b[:start] + b'PK\x03\x04' + bytes(5000))
EOF
run I
[ "$rc" -eq 0 ] || fail "I.EXE after a cut-short add ended with $rc: $log"
same "$src" "$work/outI" "I.EXE did not unpack the archive as it was"
make_sfx 'C:\sfxtest\I.EXE' liesmich.txt
[ ! -e "$work/I.EXE.zkj" ] || fail "the journal was left behind"
out=$(unzip -t "$work/I.EXE" 2>&1) || fail "unzip -t I.EXE after the undo: $out"

# H: another icon (checked in sfx_win_tests), an umlaut caption, through the
# dialogs: the message, the folder, one overwrite question answered for
# all, the report.
python3 - "$build/src/zksfx/zksfx.ico" "$work/other.ico" <<'EOF'
import sys
ico = bytearray(open(sys.argv[1], 'rb').read())
for i in range(22 + 40 + 64, 22 + 40 + 64 + 512):
    ico[i] ^= 0x33
open(sys.argv[2], 'wb').write(ico)
EOF
make_sfx 'C:\sfxtest\H.EXE' --dir 'C:\sfxtest\outH' --caption 'Größe für ZANTORIK' --options 0x12 \
  --msg 'Willkommen bei ZANTORIK!' --icon 'C:\sfxtest\other.ico' '*.*'
mkdir -p "$work/outH"
printf 'alt' > "$work/outH/liesmich.txt"
printf 'alt' > "$work/outH/zantorik.exe"
(cd "$work" && ZKSFX_LOG='C:\sfxtest\H.log' wine 'C:\sfxtest\H.EXE' </dev/null >/dev/null 2>&1) &
pid=$!
dump=$(await 'ZANTORIK' 'Willkommen bei ZANTORIK!')
[ "$(head -1 <<<"$dump")" = 'Größe für ZANTORIK' ] || fail "H.EXE's caption: $(head -1 <<<"$dump")"
has "$dump" "Button: Abbrechen" "the message's German buttons"
sleep 0.5
import -window root "$shots/sfx-message.png"
wt press 'ZANTORIK' 'OK' || fail "no OK on the message"
# (The folder field's text cannot be read from another process; that the
# files land in outH shows it offered the default folder.)
dump=$(await 'ZANTORIK' 'Entpacken &nach:')
has "$dump" "Static: $files Dateien," "the options"
has "$dump" "Button: Nach&fragen" "the overwrite choice"
sleep 0.5
import -window root "$shots/sfx-options.png"
wt press 'ZANTORIK' '&Entpacken' || fail "no Entpacken button"
dump=$(await 'ZANTORIK' 'ist schon vorhanden')
has "$dump" 'outH\' "the overwrite question"
sleep 0.5
import -window root "$shots/sfx-overwrite.png"
wt press 'ZANTORIK' 'Ja, &alle' || fail "no Ja, alle button"
await 'ZANTORIK' "$files Dateien wurden entpackt nach" >/dev/null
sleep 0.5
import -window root "$shots/sfx-success.png"
wt press 'ZANTORIK' 'OK' || fail "no OK on the report"
rc=0
wait $pid || rc=$?
pid=
[ "$rc" -eq 0 ] || fail "H.EXE ended with $rc"
has "$(tr -d '\r' < "$work/H.log")" "result: 0" "H.EXE"
same "$src" "$work/outH" "H.EXE did not unpack everything"

echo "self-extractor black-box test passed"
