#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the image view's tool cursors as 32 x 32 PNGs: black strokes with a white outline on a
transparent ground, so they stay visible on dark and light pictures alike. Run it from this folder
after changing a shape; the PNGs are committed and compiled into the program's resources."""

import struct
import zlib

SIZE = 32

# 7 x 9 capital letters drawn next to the small crosshair of the pick cursors.
GLYPHS = {
    "O": [
        "..###..",
        ".#...#.",
        "#.....#",
        "#.....#",
        "#.....#",
        "#.....#",
        "#.....#",
        ".#...#.",
        "..###..",
    ],
    "X": [
        "#.....#",
        "#.....#",
        ".#...#.",
        "..#.#..",
        "...#...",
        "..#.#..",
        ".#...#.",
        "#.....#",
        "#.....#",
    ],
    "Y": [
        "#.....#",
        "#.....#",
        ".#...#.",
        "..#.#..",
        "...#...",
        "...#...",
        "...#...",
        "...#...",
        "...#...",
    ],
}


def crosshair(ink, cx, cy, reach, gap):
    """Horizontal and vertical strokes through (cx, cy), leaving the hot spot itself clear."""
    for d in range(gap + 1, reach + 1):
        for x, y in ((cx - d, cy), (cx + d, cy), (cx, cy - d), (cx, cy + d)):
            if 0 <= x < SIZE and 0 <= y < SIZE:
                ink.add((x, y))


def letter(ink, name, left, top):
    for row, line in enumerate(GLYPHS[name]):
        for col, ch in enumerate(line):
            if ch == "#":
                ink.add((left + col, top + row))


def render(ink):
    """RGBA rows: the ink black, its 8-neighbourhood white, the rest transparent."""
    outline = set()
    for x, y in ink:
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                p = (x + dx, y + dy)
                if p not in ink and 0 <= p[0] < SIZE and 0 <= p[1] < SIZE:
                    outline.add(p)
    rows = []
    for y in range(SIZE):
        row = bytearray()
        for x in range(SIZE):
            if (x, y) in ink:
                row += bytes((0, 0, 0, 255))
            elif (x, y) in outline:
                row += bytes((255, 255, 255, 255))
            else:
                row += bytes((0, 0, 0, 0))
        rows.append(bytes(row))
    return rows


def write_png(path, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\x00" + row for row in rows)
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", header))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def main():
    # Drawing a scan line: a thin full-size crosshair, hot spot (15, 16).
    ink = set()
    crosshair(ink, 15, 16, 14, 2)
    write_png("draw_line.png", render(ink))

    # Placing a calibration point: a small crosshair at (8, 8) and the point's letter.
    for name, glyph in (("pick_origin.png", "O"), ("pick_xaxis.png", "X"),
                        ("pick_yaxis.png", "Y")):
        ink = set()
        crosshair(ink, 8, 8, 7, 1)
        letter(ink, glyph, 18, 17)
        write_png(name, render(ink))


if __name__ == "__main__":
    main()
