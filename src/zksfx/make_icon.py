#!/usr/bin/env python3
"""Writes the icon of ZKSFX.BIN: one 32 x 32 image in 16 colours, 766 bytes
as a file, 744 bytes of image data (header, palette, colour and mask
bits): the only shape the archiver accepts for replacing it.

    make_icon.py OUT.ico
"""
import struct
import sys

# The 16 colours of the standard palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, GREEN, OLIVE, GRAY, LIME, YELLOW, WHITE = 0, 2, 3, 8, 10, 11, 15
N = 32
TRANSPARENT = None


def draw():
    px = [[TRANSPARENT] * N for _ in range(N)]

    def box(x0, y0, x1, y1, fill, edge=BLACK):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                px[y][x] = edge if x in (x0, x1) or y in (y0, y1) else fill

    # The archive: a box with its lid and a zip fastener down the middle.
    box(3, 14, 28, 29, YELLOW)
    box(2, 11, 29, 14, OLIVE)
    for y in range(12, 29):
        px[y][15] = GRAY if y % 2 else WHITE
        px[y][16] = WHITE if y % 2 else GRAY
    # The arrow that unpacks it.
    box(13, 0, 18, 6, LIME, GREEN)
    for i, y in enumerate(range(6, 11)):
        x0, x1 = 9 + i, 22 - i
        for x in range(x0, x1 + 1):
            px[y][x] = GREEN if x in (x0, x1) or y == 10 else LIME
    return px


def icon(px):
    header = struct.pack('<IiiHHIIiiII', 40, N, 2 * N, 1, 4, 0, N * N // 2 + N * N // 8, 0, 0, 16, 0)
    palette = b''.join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    colour, mask = b'', b''
    for row in reversed(px):  # bottom-up
        colour += bytes(((row[x] or 0) << 4) | (row[x + 1] or 0) for x in range(0, N, 2))
        bits = 0
        for x in range(N):
            bits = (bits << 1) | (1 if row[x] is TRANSPARENT else 0)
        mask += bits.to_bytes(4, 'big')
    image = header + palette + colour + mask
    assert len(image) == 744, len(image)
    directory = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', N, N, 16, 0, 1, 4, len(image), 22)
    data = directory + image
    assert len(data) == 766
    return data


if __name__ == '__main__':
    with open(sys.argv[1], 'wb') as f:
        f.write(icon(draw()))
