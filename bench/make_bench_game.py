#!/usr/bin/env python3
"""Writes the benchmarks' game-like folder, the same bytes every run: about
150 files, 30 MB of text, binaries and already-compressed data.
    make_bench_game.py FOLDER"""
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
