#!/usr/bin/env python3
"""Writes a game-like folder: the files a ZANTORIK installation holds, with
contents of their own, plus files the setup must leave out.
    make_game.py FOLDER [MEGABYTES] [--no-empty]
    make_game.py FOLDER --short-of-a-page
MEGABYTES: the size of ZANTORIK.EXE (default 40). --no-empty leaves out the
empty file, whose copy switches the free-space display off.
--short-of-a-page: only five listed files of random bytes, 256 bytes short
of a whole number of 4 KiB pages in all; prints that size. A drive of that
many pages passes the space test, yet an archive of them does not fit."""
import os
import random
import sys

root = sys.argv[1]
args = [a for a in sys.argv[2:] if not a.startswith("--")]
mb = int(args[0]) if args else 40
rng = random.Random(2031)


def write(name, size):
    os.makedirs(os.path.dirname(os.path.join(root, name)), exist_ok=True)
    with open(os.path.join(root, name), "wb") as f:
        left = size
        while left:
            n = min(left, 1 << 20)
            f.write(rng.randbytes(n))
            left -= n


if "--short-of-a-page" in sys.argv:
    files = {"ZANTORIK.HLP": 50000, "ZANTORIK.PIF": 545, "TEXTE/THEMA.{1}": 20000, "TEXTE/THEMA.{2}": 30000}
    rest = sum(files.values())
    files["ZANTORIK.EXE"] = 300000 + (4096 - 256 - (rest + 300000) % 4096) % 4096
    for name, size in files.items():
        write(name, size)
    print(sum(files.values()))
    sys.exit(0)

write("ZANTORIK.EXE", mb * 1024 * 1024 + 4321)
write("ZANTORIK.HLP", 2 * 1024 * 1024 + 17)
write("ZANTORIK.PIF", 545)
write("ZKZIP.DLL", 300001)
write("FILE_ID.DIZ", 400)
write("SAVE.DAT", 5000)           # not listed
write("LIESMICH", 100)            # not listed: no extension of the game
if "--no-empty" not in sys.argv:
    write("LEER.TXT", 0)          # empty: the free space does not move
with open(os.path.join(root, "ZANTORIK.TXT"), "w", encoding="latin-1") as f:
    f.write("ZANTORIK Kurzanleitung\r\n" * 200)
for i in range(1, 10):
    write(os.path.join("TEXTE", "THEMA.{%d}" % i), 150000 + i * 1000)
write(os.path.join("TEXTE", "NOTIZ.BAK"), 1000)  # not listed
