#!/usr/bin/env python3
"""A game-like folder: what a ZANTORIK installation holds, plus files the
setup leaves out.  make_game.py FOLDER [MEGABYTES of ZANTORIK.EXE] [--no-empty] [--text]
--no-empty: without the empty file (whose copy stops the free-space display).
--text: ZANTORIK.EXE as text, which takes deflate far longer than random bytes.
--short-of-a-page: five files, 256 bytes short of whole 4 KiB pages in all
(printed): a drive that size passes the space test, yet their archive does not fit."""
import os, random, sys

root = sys.argv[1]
args = [a for a in sys.argv[2:] if not a.startswith("--")]
rng = random.Random(2031)


def text_block():
    words = [bytes(rng.choice(b"aeiounrstlmdgkbz") for _ in range(rng.randint(2, 9))) for _ in range(4000)]
    return b" ".join(rng.choice(words) for _ in range(200000))


def write(name, size, text=False):
    os.makedirs(os.path.dirname(os.path.join(root, name)), exist_ok=True)
    block = text_block() if text else None
    with open(os.path.join(root, name), "wb") as f:
        for at in range(0, size, 1 << 20):
            n = min(size - at, 1 << 20)
            # Text blocks a window apart: deflate finds no copy of one in the next.
            f.write(block[at % (len(block) - n):][:n] if text else rng.randbytes(n))


if "--short-of-a-page" in sys.argv:
    files = {"ZANTORIK.HLP": 50000, "ZANTORIK.PIF": 545, "TEXTE/THEMA.{1}": 20000, "TEXTE/THEMA.{2}": 30000}
    files["ZANTORIK.EXE"] = 300000 + (4096 - 256 - (sum(files.values()) + 300000) % 4096) % 4096
    for name, size in files.items():
        write(name, size)
    sys.exit(print(sum(files.values())))
listed = {"ZANTORIK.EXE": int(args[0] if args else 40) * 1024 * 1024 + 4321, "ZANTORIK.HLP": 2 * 1024 * 1024 + 17,
          "ZANTORIK.PIF": 545, "ZKZIP.DLL": 300001, "FILE_ID.DIZ": 400, "SAVE.DAT": 5000, "LIESMICH": 100,
          "TEXTE/NOTIZ.BAK": 1000, **{"TEXTE/THEMA.{%d}" % i: 150000 + i * 1000 for i in range(1, 10)}}
for name, size in listed.items():  # SAVE.DAT, LIESMICH and NOTIZ.BAK are none of the game's
    write(name, size, name == "ZANTORIK.EXE" and "--text" in sys.argv)
if "--no-empty" not in sys.argv:
    write("LEER.TXT", 0)
with open(os.path.join(root, "ZANTORIK.TXT"), "w", encoding="latin-1") as f:
    f.write("ZANTORIK Kurzanleitung\r\n" * 200)
