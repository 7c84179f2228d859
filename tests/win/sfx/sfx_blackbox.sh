#!/usr/bin/env bash
# Self-extracting archives made by hand from the built ZKSFX.BIN: the stub,
# a settings header written by sfxpack.exe, then an archive made by
# Info-ZIP's zip (appended as it is) or grown by the real ZKZIP.DLL (which
# writes offsets from the file's start). unzip and 7z must accept them;
# started for real they unpack every file byte for byte into their default
# folder. Most runs are unattended (ZKSFX_UNATTENDED=1 answers every
# question with its default and ZKSFX_LOG records them); the last one goes
# through the dialogs as a user would, with screenshots in the build folder.
set -euo pipefail
build=$(realpath "$1")
: "${WINEPREFIX:?run inside scripts/wine-session.sh}"
work="$WINEPREFIX/drive_c/sfxtest"
rm -rf "$work"
mkdir -p "$work"
cp "$build/bin/ZKSFX.BIN" "$build/bin/ZKZIP.DLL" "$work/"
source "$(dirname "$0")/sfx_lib.sh"
# Every failure of sfxpack itself says why; a silent one is Wine not
# starting it (seen once under load), which gets one more try.
pack() {
  local rc=0
  wine "$build/tests/win/sfx/sfxpack.exe" "$@" </dev/null >"$work/pack.out" 2>&1 || rc=$?
  if [ "$rc" -ne 0 ] && [ ! -s "$work/pack.out" ]; then
    rc=0
    wine "$build/tests/win/sfx/sfxpack.exe" "$@" </dev/null >"$work/pack.out" 2>&1 || rc=$?
  fi
  [ "$rc" -eq 0 ] || { cat "$work/pack.out"; fail "sfxpack $* ended with $rc"; }
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

src="$work/payload"
make_payload "$src"

# A: Info-ZIP's archive appended as it is (offsets from its own start).
(cd "$src" && zip -qr -X "$work/payload.zip" .)
pack cat 'C:\sfxtest\A.EXE' 'C:\sfxtest\ZKSFX.BIN' 'C:\sfxtest\payload.zip' --dir 'C:\sfxtest\outA'
# B: what the archiver makes: stub, header, empty end record, then the
# library adds the files, one call after another (in place, then rewriting).
pack new 'C:\sfxtest\B.EXE' 'C:\sfxtest\ZKSFX.BIN' --dir 'C:\sfxtest\outB' --caption 'Größe für ZANTORIK' --ansi
pack add 'C:\sfxtest\B.EXE' 'C:\sfxtest\ZKZIP.DLL' 'C:\sfxtest\payload' liesmich.txt
pack add 'C:\sfxtest\B.EXE' 'C:\sfxtest\ZKZIP.DLL' 'C:\sfxtest\payload' zantorik.exe
pack add 'C:\sfxtest\B.EXE' 'C:\sfxtest\ZKZIP.DLL' 'C:\sfxtest\payload' '*.*'

# Independent readers accept both.
for exe in A B; do
  out=$(unzip -t "$work/$exe.EXE" 2>&1) && urc=0 || urc=$?
  has "$out" "No errors detected in compressed data" "unzip -t $exe.EXE"
  # Offsets that do not count the stub are a warning (1) for unzip, never an error.
  [ "$urc" -le 1 ] || fail "unzip -t $exe.EXE: exit $urc"
  [ "$exe" = A ] || [ "$urc" -eq 0 ] || fail "unzip -t $exe.EXE warns: $out"
  out=$(7z t -tzip "$work/$exe.EXE" 2>&1) || fail "7z t $exe.EXE: $out"
  has "$out" "Everything is Ok" "7z t $exe.EXE"
done

# Both unpack everything into their default folders.
for exe in A B; do
  run $exe
  [ "$rc" -eq 0 ] || fail "$exe.EXE ended with $rc: $log"
  has "$log" "result: 0" "$exe.EXE"
  has "$log" "success: $files Dateien wurden entpackt nach|C:\\sfxtest\\out$exe" "$exe.EXE"
  same "$src" "$work/out$exe" "$exe.EXE did not unpack everything"
done

# Again into the same folder: the default answer to "overwrite?" is no.
printf 'geändert' > "$work/outB/liesmich.txt"
run B
[ "$rc" -eq 0 ] || fail "B.EXE again ended with $rc: $log"
has "$log" 'overwrite: C:\sfxtest\outB\liesmich.txt -> no' "B.EXE again"
[ "$(cat "$work/outB/liesmich.txt")" = "geändert" ] || fail "B.EXE overwrote a file it was told to keep"

# C: overwrite always, the message first.
mkdir -p "$work/outC"
printf 'alt' > "$work/outC/liesmich.txt"
pack cat 'C:\sfxtest\C.EXE' 'C:\sfxtest\ZKSFX.BIN' 'C:\sfxtest\payload.zip' --dir 'C:\sfxtest\outC' \
  --flags 0x08 --msg 'Bitte erst lesen.'
run C
[ "$rc" -eq 0 ] || fail "C.EXE ended with $rc: $log"
[ "$(head -1 <<<"$log")" = "message: Bitte erst lesen. -> ok" ] || fail "C.EXE: the message did not come first: $log"
grep -q '^overwrite' <<<"$log" && fail "C.EXE asked although told to overwrite"
same "$src" "$work/outC" "C.EXE did not overwrite"

# D: the command line runs afterwards, "><" being the folder; no report.
pack cat 'C:\sfxtest\D.EXE' 'C:\sfxtest\ZKSFX.BIN' 'C:\sfxtest\payload.zip' --dir 'C:\sfxtest\outD' \
  --flags 0xC0 --cmd 'zantorik.exe /P ><'
rm -f "$work/stub.log"
run D ZK_STUB_LOG='C:\sfxtest\stub.log'
[ "$rc" -eq 0 ] || fail "D.EXE ended with $rc: $log"
grep -q '^success' <<<"$log" && fail "D.EXE reported although told not to"
for _ in $(seq 50); do [ -s "$work/stub.log" ] && break; sleep 0.2; done
[ -s "$work/stub.log" ] || fail "D.EXE did not start the program"
started=$(tr -d '\r' < "$work/stub.log")
has "$(head -1 <<<"$started")" 'outD\zantorik.exe' "D.EXE's program"
has "$(head -1 <<<"$started")" '/P C:\sfxtest\outD' "D.EXE's command line"
[ "$(sed -n 2p <<<"$started")" = 'C:\sfxtest\outD' ] || fail "D.EXE's program did not run in the folder: $started"

# E: names that would leave the folder are refused, the rest unpacks.
python3 - "$work/unsafe.zip" <<'EOF'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w') as z:
    for name in ['../evil.txt', 'sub/../../evil2.txt', '..\\evil3.txt', 'ok.txt']:
        z.writestr(zipfile.ZipInfo(name), 'x')
EOF
pack cat 'C:\sfxtest\E.EXE' 'C:\sfxtest\ZKSFX.BIN' 'C:\sfxtest\unsafe.zip' --dir 'C:\sfxtest\outE\inner'
run E
[ "$rc" -eq 2 ] || fail "E.EXE ended with $rc: $log"
has "$log" "../evil.txt: unzulässiger Name, nicht entpackt" "E.EXE"
has "$log" "../evil3.txt: unzulässiger Name, nicht entpackt" "E.EXE"
[ -f "$work/outE/inner/ok.txt" ] || fail "E.EXE left out the good file"
found=$(find "$WINEPREFIX/drive_c" -name 'evil*')
[ -z "$found" ] || fail "E.EXE wrote outside its folder: $found"

# F: damaged data is found by its CRC and not left behind.
python3 - "$work/payload.zip" "$work/damaged.zip" <<'EOF'
import shutil, sys, zipfile
shutil.copy(sys.argv[1], sys.argv[2])
info = zipfile.ZipFile(sys.argv[2]).getinfo('daten/zufall.bin')
with open(sys.argv[2], 'r+b') as f:
    f.seek(info.header_offset + 30 + len(info.filename) + len(info.extra) + 5000)
    b = f.read(1)
    f.seek(-1, 1)
    f.write(bytes([b[0] ^ 0x55]))
EOF
pack cat 'C:\sfxtest\F.EXE' 'C:\sfxtest\ZKSFX.BIN' 'C:\sfxtest\damaged.zip' --dir 'C:\sfxtest\outF'
run F
[ "$rc" -eq 2 ] || fail "F.EXE ended with $rc: $log"
grep -qE 'daten.zufall.bin: (Prüfsummenfehler|Daten beschädigt), nicht entpackt' <<<"$log" || fail "F.EXE: $log"
[ ! -e "$work/outF/daten/zufall.bin" ] || fail "F.EXE left the damaged file behind"
cmp -s "$src/daten/tief/unten/gross.txt" "$work/outF/daten/tief/unten/gross.txt" || fail "F.EXE lost a good file"

# G: no default folder: beside the program, here in a folder whose name
# has a blank and an umlaut.
pack cat 'C:\sfxtest\G.EXE' 'C:\sfxtest\ZKSFX.BIN' 'C:\sfxtest\payload.zip' --dir ''
mkdir -p "$work/Neuer Ordner ä"
mv "$work/G.EXE" "$work/Neuer Ordner ä/G.EXE"
rc=0
(cd "$work/Neuer Ordner ä" && ZKSFX_UNATTENDED=1 ZKSFX_LOG='C:\sfxtest\G.log' wine G.EXE </dev/null >/dev/null 2>&1) || rc=$?
log=$(tr -d '\r' < "$work/G.log")
[ "$rc" -eq 0 ] || fail "G.EXE ended with $rc: $log"
rm "$work/Neuer Ordner ä/G.EXE"
same "$src" "$work/Neuer Ordner ä" "G.EXE did not unpack beside itself"

# I: an add cut short (a crash): half a new entry where the directory was,
# the undo journal beside. The stub reads the archive as it was; the next
# add through the library puts it back first.
pack new 'C:\sfxtest\I.EXE' 'C:\sfxtest\ZKSFX.BIN' --dir 'C:\sfxtest\outI'
pack add 'C:\sfxtest\I.EXE' 'C:\sfxtest\ZKZIP.DLL' 'C:\sfxtest\payload' '*.*'
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
pack add 'C:\sfxtest\I.EXE' 'C:\sfxtest\ZKZIP.DLL' 'C:\sfxtest\payload' liesmich.txt
[ ! -e "$work/I.EXE.zkj" ] || fail "the library left the journal behind"
out=$(unzip -t "$work/I.EXE" 2>&1) || fail "unzip -t I.EXE after the undo: $out"

# H: through the dialogs: the message, the folder, one overwrite question
# answered for all, the report.
pack new 'C:\sfxtest\H.EXE' 'C:\sfxtest\ZKSFX.BIN' --dir 'C:\sfxtest\outH' --caption 'ZANTORIK entpacken' \
  --flags 0x02 --msg 'Willkommen bei ZANTORIK!'
pack add 'C:\sfxtest\H.EXE' 'C:\sfxtest\ZKZIP.DLL' 'C:\sfxtest\payload' '*.*'
rm -f "$work/H.log"
mkdir -p "$work/outH"
printf 'alt' > "$work/outH/liesmich.txt"
printf 'alt' > "$work/outH/zantorik.exe"
(cd "$work" && ZKSFX_LOG='C:\sfxtest\H.log' wine 'C:\sfxtest\H.EXE' </dev/null >/dev/null 2>&1) &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
# Waits until the window titled $1 holds the text $2; prints its dump.
dump=$(await 'ZANTORIK entpacken' 'Willkommen bei ZANTORIK!')
has "$dump" "Button: Abbrechen" "the message's German buttons"
sleep 0.5
import -window root "$build/sfx-message.png"
wt press 'ZANTORIK entpacken' 'OK' || fail "no OK on the message"
# (The folder field's text cannot be read from another process; that the
# files land in outH shows it offered the default folder.)
dump=$(await 'ZANTORIK entpacken' 'Entpacken &nach:')
has "$dump" "Static: $files Dateien," "the options"
has "$dump" "Button: Nach&fragen" "the overwrite choice"
sleep 0.5
import -window root "$build/sfx-options.png"
wt press 'ZANTORIK entpacken' '&Entpacken' || fail "no Entpacken button"
dump=$(await 'ZANTORIK entpacken' 'ist schon vorhanden')
has "$dump" 'outH\' "the overwrite question"
has "$dump" "Button: Ja, &alle" "the overwrite question"
sleep 0.5
import -window root "$build/sfx-overwrite.png"
wt press 'ZANTORIK entpacken' 'Ja, &alle' || fail "no Ja, alle button"
await 'ZANTORIK entpacken' "$files Dateien wurden entpackt nach" >/dev/null
sleep 0.5
import -window root "$build/sfx-success.png"
wt press 'ZANTORIK entpacken' 'OK' || fail "no OK on the report"
rc=0
wait $pid || rc=$?
trap - EXIT
[ "$rc" -eq 0 ] || fail "H.EXE ended with $rc"
has "$(tr -d '\r' < "$work/H.log")" "result: 0" "H.EXE"
same "$src" "$work/outH" "H.EXE did not unpack everything"

echo "self-extractor black-box test passed"
