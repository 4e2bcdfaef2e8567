#!/usr/bin/env python3
"""Draws the font picker's five 12 x 12 type glyphs as 24-bit BMP files.

Each picture is a pixel map; '.' is the transparent colour $008080 (olive, RGB
128, 128, 0) that the picker keys out.  Run from anywhere; the files are written
beside this script:  python3 resources/controls/FontGlyphs.py
"""

import struct
from pathlib import Path

PALETTE = {
    ".": (128, 128, 0),    # transparent
    "k": (0, 0, 0),
    "d": (64, 64, 64),
    "g": (128, 128, 128),
    "s": (192, 192, 192),
    "w": (255, 255, 255),
    "b": (0, 0, 160),
    "t": (0, 128, 128),
}

GLYPHS = {
    # Two T's, the outline font's mark: grey behind, blue in front.
    "FontGlyphTrueType.bmp": [
        "ggggggg.....",
        "g..g..g.....",
        "...g........",
        "...g.bbbbbbb",
        "...g.b..b..b",
        "...g....b...",
        "..ggg...b...",
        "........b...",
        "........b...",
        "........b...",
        ".......bbb..",
        "............",
    ],
    # Two letters in cells of equal width over a ruler: every character as wide.
    "FontGlyphFixedPitch.bmp": [
        "............",
        "k...k..kkk..",
        "kk.kk...k...",
        "k.k.k...k...",
        "k...k...k...",
        "k...k...k...",
        "k...k..kkk..",
        "............",
        "tttttttttttt",
        "t.....t....t",
        "............",
        "............",
    ],
    # The two T's over the ruler: an outline font of fixed pitch.
    "FontGlyphTrueTypeFixed.bmp": [
        "ggggg.......",
        "g.g.g.......",
        "..g.bbbbb...",
        "..g.b.b.b...",
        ".ggg..b.....",
        "......b.....",
        ".....bbb....",
        "............",
        "tttttttttttt",
        "t.....t....t",
        "............",
        "............",
    ],
    # A printer with a sheet: a font of the printer.
    "FontGlyphPrinter.bmp": [
        "...wwwwww...",
        "...w....w...",
        "...w.dd.w...",
        "...w....w...",
        ".kkkkkkkkkk.",
        "kssssssssssk",
        "ksssssssstsk",
        "kggggggggggk",
        "kkkkkkkkkkkk",
        ".kwwwwwwwwk.",
        ".kkkkkkkkkk.",
        "............",
    ],
    # A screen: a font built into the display device.
    "FontGlyphDevice.bmp": [
        "............",
        "kkkkkkkkkkkk",
        "kbbbbbbbbbbk",
        "kbwwbbbbbbbk",
        "kbwbbbbbbbbk",
        "kbbbbbbbbbbk",
        "kbbbbbbbbbbk",
        "kkkkkkkkkkkk",
        ".....kk.....",
        "...kkkkkk...",
        "............",
        "............",
    ],
}


def bmp(rows):
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):  # a BMP stores the bottom row first
        assert len(row) == width
        line = bytearray()
        for ch in row:
            r, g, b = PALETTE[ch]
            line += bytes((b, g, r))
        pixels += line + bytes(stride - len(line))
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    offset = 14 + len(header)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + header + pixels


def main():
    here = Path(__file__).resolve().parent
    for name, rows in GLYPHS.items():
        assert len(rows) == 12
        (here / name).write_bytes(bmp(rows))


if __name__ == "__main__":
    main()
