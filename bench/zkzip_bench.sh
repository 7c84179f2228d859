#!/usr/bin/env bash
# Benchmark of ZKZIP: a generated game-like folder (about 150 files, 30 MB of
# text, binaries and already-compressed data) zipped one file per ZkZipExec
# call, as the setup does, against `zip -9 -r -q` of the same folder.
# Prints both times and sizes and their ratios. Not a test: it always ends 0
# unless something fails outright.
#
#   bench/zkzip_bench.sh [WORKDIR]      (default: build/bench)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$here/build/bench}
mkdir -p "$work"
work=$(cd "$work" && pwd)

command -v zip >/dev/null || { echo "zip is not installed" >&2; exit 1; }

# The driver, optimised, with the library's sources linked in.
driver=$work/zkzip_bench
g++ -std=c++17 -O2 -DNDEBUG -I"$here/src" -o "$driver" \
    "$here/bench/zkzip_bench.cpp" "$here"/src/zkzip/{zkfs,names,zipformat,zkzip}.cpp -lz

# The folder, the same every run.
game=$work/game
rm -rf "$game"
python3 - "$game" <<'PY'
import os, random, sys
root = sys.argv[1]
rng = random.Random(1993)
words = ("Zantorik Spieler Runde Karte Frage Antwort Punkte Würfel Thema Feld Zug "
         "und der die das ein eine nicht mit auf für ist im Spiel Familie Robot").split()
def text(n):
    out, size = [], 0
    while size < n:
        line = " ".join(rng.choice(words) for _ in range(rng.randint(4, 14))) + "\r\n"
        out.append(line); size += len(line.encode())
    return "".join(out).encode()[:n]
def binary(n):
    # Tables, records and code-like runs: compressible, but not like text.
    out = bytearray()
    while len(out) < n:
        kind = rng.random()
        if kind < 0.4:
            rec = bytes(rng.randrange(0, 40) for _ in range(16))
            out += rec * rng.randint(2, 30)
        elif kind < 0.7:
            out += bytes(rng.choice((0, 0, 0, 1, 2, 0x20, 0xFF, rng.randrange(256))) for _ in range(512))
        else:
            out += rng.randbytes(rng.randint(32, 600))
    return bytes(out[:n])
files = []
for i in range(60):
    files.append((f"TEXTE/THEMA{i:02d}.{{{i % 9 + 1}}}", text(rng.randint(20000, 180000))))
for i in range(30):
    files.append((f"DATEN/LEVEL{i:02d}.DAT", binary(rng.randint(50000, 400000))))
for i in range(20):
    files.append((f"PROG{i:02d}.OVL" if i else "ZANTORIK.EXE", binary(rng.randint(100000, 500000))))
for i, ext in enumerate(["GIF", "PNG", "ZIP", "Z", "MP3", "PCX"] * 7):
    if len(files) >= 150: break
    files.append((f"GRAFIK/BILD{i:02d}.{ext}", rng.randbytes(rng.randint(100000, 500000))))
for name, data in files:
    path = os.path.join(root, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
PY
nfiles=$(find "$game" -type f | wc -l)
bytes=$(du -sb "$game" | cut -f1)

ours=$work/zkzip.zip
theirs=$work/infozip.zip
rm -f "$ours" "$theirs"
sync

t0=$(date +%s.%N)
(cd "$game" && zip -9 -r -q "$theirs" .)
t1=$(date +%s.%N)
result=$("$driver" "$ours" "$game")
t2=$(date +%s.%N)

calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
zip_time=$(calc "$t1 - $t0")
our_time=$(calc "$t2 - $t1")
zip_size=$(stat -c %s "$theirs")
our_size=$(stat -c %s "$ours")
time_ratio=$(calc "$our_time / $zip_time")
size_ratio=$(calc "$our_size / $zip_size")

printf 'folder:   %d files, %d bytes\n' "$nfiles" "$bytes"
printf 'zip -9:   %8.3f s  %10d bytes\n' "$zip_time" "$zip_size"
printf 'ZKZIP:    %8.3f s  %10d bytes  (%s files added, one call each)\n' "$our_time" "$our_size" "${result%% *}"
printf 'time ratio: %.3f (aim <= 1.3)   size ratio: %.4f (aim <= 1.01)\n' "$time_ratio" "$size_ratio"
if command -v unzip >/dev/null; then
    unzip -tq "$ours" >/dev/null && echo "unzip -t: archive OK" || { echo "unzip -t: archive BROKEN"; exit 1; }
fi
