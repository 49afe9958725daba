#!/usr/bin/env python3
"""Writes the program's BMP bitmap resources into src/res/bitmaps. Run by hand when a picture
changes; the build only uses the files it writes.

    tools/make_bitmaps.py <output folder>

The bytes are written here rather than by an image library so that the bit depth, the palette
and its order are exactly what the menu's colour mapping expects: the toolbar strip is 4 bits
per pixel with the 16 VGA colours, so that black, dark grey, light grey and white are palette
entries; light grey is the transparent button face in every picture.
"""

import math
import os
import struct
import sys

WIDTH = 16  # one image: the menu's image slot
HEIGHT = 15

# The 16 VGA colours in the system palette's order.
VGA = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
FACE = VGA[7]

# One letter per VGA colour in the drawings below.
LETTERS = {
    "k": 0, "r": 1, "n": 2, "y": 3, "b": 4, "m": 5, "c": 6, ".": 7,
    "g": 8, "R": 9, "G": 10, "Y": 11, "B": 12, "M": 13, "C": 14, "w": 15,
}


def blank():
    return [[FACE] * WIDTH for _ in range(HEIGHT)]


def stamp(picture, x0, y0, rows):
    """Draws a letter drawing at (x0, y0); spaces leave the picture as it is."""
    for dy, row in enumerate(rows):
        for dx, letter in enumerate(row):
            if letter != " ":
                picture[y0 + dy][x0 + dx] = VGA[LETTERS[letter]]


SHEET = [
    "kkkkkkkk   ",
    "kwwwwwwkk  ",
    "kwwwwwwkwk ",
    "kwwwwwwkwwk",
    "kwwwwwwkkkk",
    "kwwwwwwwwwk",
    "kwgggggggwk",
    "kwwwwwwwwwk",
    "kwgggggggwk",
    "kwwwwwwwwwk",
    "kwgggggwwwk",
    "kwwwwwwwwwk",
    "kwwwwwwwwwk",
    "kkkkkkkkkkk",
]

FOLDER = [
    " kkkkk        ",
    "kYwYYYkkkkkkk ",
    "kwYYYYYYYYYYYk",
    "kYYYYYYYYYYYyk",
    "kYYYYYYYYYYYyk",
    "kYYYYYYYYYYYyk",
    "kYYYYYYYYYYYyk",
    "kYYYYYYYYYYYyk",
    "kYYYYYYYYYYYyk",
    "kyyyyyyyyyyyyk",
    "kkkkkkkkkkkkkk",
]

PLUS = [
    "  nnn  ",
    "  nGn  ",
    "nnnGnnn",
    "nGGGGGn",
    "nnnGnnn",
    "  nGn  ",
    "  nnn  ",
]

WINDOW = [
    "kkkkkkkkkkkkkk",
    "kbbbbbbbbbbbbk",
    "kbbbbbbbbbbbbk",
    "kwwwwwwwwwwwwk",
    "kwBBwggggggwwk",
    "kwwwwwwwwwwwwk",
    "kwBBwggggggwwk",
    "kwwwwwwwwwwwwk",
    "kwBBwggggwwwwk",
    "kwwwwwwwwwwwwk",
    "kwwwwwwwwwwwwk",
    "kkkkkkkkkkkkkk",
]

LENS = [
    "  kkk    ",
    " kCCCk   ",
    "kCwCCCk  ",
    "kCCCCCk  ",
    "kCCCCck  ",
    " kCcckk  ",
    "  kkkkkk ",
    "      kkk",
    "       kk",
]

CALENDAR = [
    "  k    k    ",
    "kkkkkkkkkkkk",
    "kRRRRRRRRRRk",
    "kRRRRRRRRRRk",
    "kwwwwwwwwwwk",
    "kwgwgwgwgwwk",
    "kwwwwwwwwwwk",
    "kwgwgwgwgwwk",
    "kwwwwwwwwwwk",
    "kwgwgwgwgwwk",
    "kwwwwwwwwwwk",
    "kkkkkkkkkkkk",
]


def add_file():
    p = blank()
    stamp(p, 2, 0, SHEET)
    stamp(p, 9, 8, PLUS)
    return p


def add_folder():
    p = blank()
    stamp(p, 0, 2, FOLDER)
    stamp(p, 9, 8, PLUS)
    return p


def delete():
    p = blank()
    for i in range(10):
        stamp(p, 2 + i, 2 + i, ["RRR"])
        stamp(p, 11 - i, 2 + i, ["RRR"])
    return p


def properties():
    p = blank()
    stamp(p, 1, 1, WINDOW)
    return p


def explorer():
    p = blank()
    stamp(p, 0, 1, FOLDER)
    stamp(p, 7, 5, LENS)
    return p


def update():
    p = blank()
    stamp(p, 1, 0, CALENDAR)
    for x, y in [(8, 10), (9, 11), (10, 12), (11, 11), (12, 10), (13, 9), (14, 8), (15, 7)]:
        stamp(p, x, y - 1, ["n", "n"])
    return p


def mix(a, b, t):
    t = min(1.0, max(0.0, t))
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def refresh():
    """Three quarters of a turn, lighter where it starts, ending in an arrow head."""
    p = blank()
    cx, cy = 7.5, 7.5
    for y in range(HEIGHT):
        for x in range(WIDTH):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            turn = (math.degrees(math.atan2(y + 0.5 - cy, x + 0.5 - cx)) + 90.0) % 360.0 or 360.0
            if 4.0 <= d <= 6.3 and turn >= 90.0:
                p[y][x] = mix((150, 200, 255), (0, 40, 140), (turn - 90.0) / 270.0)
    for x, top, bottom in [(8, 0, 4), (9, 1, 3), (10, 2, 2)]:
        for y in range(top, bottom + 1):
            p[y][x] = (0, 40, 140)
    return p


def select_all():
    """Three lines of text, each on a selection band."""
    p = blank()
    for band, top in enumerate((1, 6, 11)):
        for y in range(top, top + 3):
            for x in range(1, 15):
                p[y][x] = mix((0, 0, 128), (90, 140, 230), (x - 1) / 13.0 + band * 0.05)
        for x in range(3, 13 - 2 * band):
            p[top + 1][x] = (255, 255, 255)
    return p


def exit_door():
    """A door opening onto an arrow that leaves through it."""
    p = blank()
    for y in range(1, 14):
        for x in range(2, 9):
            edge = x in (2, 8) or y in (1, 13)
            p[y][x] = (64, 40, 16) if edge else mix((196, 140, 80), (110, 64, 24), (x - 3) / 5.0 + (y - 2) / 40.0)
    p[7][7] = (255, 220, 96)
    for x in range(9, 16):
        p[7][x] = mix((40, 160, 40), (0, 96, 0), (x - 9) / 6.0)
    for i in range(1, 4):
        for dy in range(-i, i + 1):
            p[7 + dy][15 - i] = mix((40, 160, 40), (0, 96, 0), abs(dy) / 3.0)
    return p


def strip(pictures):
    rows = []
    for y in range(HEIGHT):
        row = []
        for picture in pictures:
            row.extend(picture[y])
        rows.append(row)
    return rows


def write_bmp(path, rows, bits, palette=()):
    """A bottom-up BI_RGB BMP with a BITMAPINFOHEADER; biClrUsed 0, so the palette is full."""
    width, height = len(rows[0]), len(rows)
    stride = (width * bits + 31) // 32 * 4
    index = {}
    for i, colour in enumerate(palette):
        index.setdefault(colour, i)
    data = bytearray()
    for row in reversed(rows):
        line = bytearray()
        if bits == 4:
            for x in range(0, width, 2):
                high = index[row[x]]
                low = index[row[x + 1]] if x + 1 < width else 0
                line.append(high << 4 | low)
        elif bits == 8:
            line.extend(index[c] for c in row)
        else:
            for r, g, b in row:
                line.extend((b, g, r))
        line.extend(bytes(stride - len(line)))
        data.extend(line)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + 40 + len(table)
    header = b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(data), 0, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + table + data)


def palette_of(rows, size):
    """The VGA colours first, then the others in the order met, padded to size entries."""
    palette = list(VGA)
    for row in rows:
        for colour in row:
            if colour not in palette:
                palette.append(colour)
    if len(palette) > size:
        sys.exit(f"{len(palette)} colours do not fit a palette of {size}")
    return palette + [(0, 0, 0)] * (size - len(palette))


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_bitmaps.py <output folder>")
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    toolbar = strip([add_file(), add_folder(), delete(), properties(), explorer(), update()])
    write_bmp(os.path.join(out, "toolbar150.bmp"), toolbar, 4, VGA)
    menu = strip([refresh(), select_all()])
    write_bmp(os.path.join(out, "menu151.bmp"), menu, 8, palette_of(menu, 256))
    write_bmp(os.path.join(out, "menu152.bmp"), exit_door(), 24)


if __name__ == "__main__":
    main()
