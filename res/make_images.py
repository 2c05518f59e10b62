#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the toolbar pictures (16 x 15) and the application icon as PNG files.

Run from anywhere: python3 res/make_images.py. The PNGs are committed; this script is how they
were made and how to change them. Only the standard library is used.
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def write_png(path, width, height, pixels):
    """pixels: list of rows, each a list of (r, g, b, a)."""
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


class Canvas:
    def __init__(self, width, height):
        self.w, self.h = width, height
        self.px = [[(0, 0, 0, 0)] * width for _ in range(height)]

    def set(self, x, y, colour):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = colour + (255,) if len(colour) == 3 else colour

    def line(self, x0, y0, x1, y1, colour):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.set(x0, y0, colour)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def rect(self, x0, y0, x1, y1, colour, fill=None):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                edge = x in (x0, x1) or y in (y0, y1)
                if edge:
                    self.set(x, y, colour)
                elif fill is not None:
                    self.set(x, y, fill)

    def disc(self, cx, cy, r, colour):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r + r // 2:
                    self.set(x, y, colour)

    def glyph(self, x, y, rows, colour):
        for j, row in enumerate(rows):
            for i, ch in enumerate(row):
                if ch == "#":
                    self.set(x + i, y + j, colour)

    def save(self, name):
        write_png(name, self.w, self.h, self.px)


BLACK = (0, 0, 0)
GREY = (128, 128, 128)
BLUE = (0, 0, 220)
RED = (220, 0, 0)
GREEN = (0, 150, 0)
WHITE = (255, 255, 255)
PAPER = (255, 255, 224)

DIGITS = {
    "1": [".#.", "##.", ".#.", ".#.", "###"],
    "2": ["##.", "..#", ".#.", "#..", "###"],
    "4": ["#.#", "#.#", "###", "..#", "..#"],
    "O": ["###", "#.#", "#.#", "#.#", "###"],
    "X": ["#.#", "#.#", ".#.", "#.#", "#.#"],
    "Y": ["#.#", "#.#", ".#.", ".#.", ".#."],
}


def axes(c):
    c.line(2, 12, 14, 12, BLACK)  # x axis
    c.line(2, 12, 2, 1, BLACK)    # y axis


def toolbar():
    out = os.path.join(HERE, "toolbar")
    os.makedirs(out, exist_ok=True)

    c = Canvas(16, 15)  # write the data file: a sheet with rows, an arrow into it
    c.rect(4, 1, 14, 13, BLACK, PAPER)
    for y in (4, 7, 10):
        c.line(6, y, 12, y, GREY)
    c.line(0, 7, 4, 7, BLUE)
    c.line(2, 5, 4, 7, BLUE)
    c.line(2, 9, 4, 7, BLUE)
    c.save(os.path.join(out, "data_write.png"))

    for name, letter, mark in (("pick_origin", "O", (2, 12)), ("pick_xaxis", "X", (12, 12)),
                               ("pick_yaxis", "Y", (2, 2))):
        c = Canvas(16, 15)
        axes(c)
        c.rect(mark[0] - 2, mark[1] - 2, mark[0] + 2, mark[1] + 2, BLUE)
        c.glyph(8, 3, DIGITS[letter], RED)
        c.save(os.path.join(out, name + ".png"))

    c = Canvas(16, 15)  # axis settings: axes with a value box
    axes(c)
    c.rect(6, 2, 14, 8, BLACK, WHITE)
    c.glyph(7, 3, DIGITS["1"], BLUE)
    c.glyph(11, 3, DIGITS["2"], BLUE)
    c.save(os.path.join(out, "axis_settings.png"))

    for digit in ("1", "2", "4"):
        c = Canvas(16, 15)  # a magnifier with the factor
        for y in range(0, 11):
            for x in range(0, 11):
                d = (x - 5) ** 2 + (y - 5) ** 2
                if 16 <= d <= 26:
                    c.set(x, y, BLACK)
                elif d < 16:
                    c.set(x, y, WHITE)
        c.glyph(4, 3, DIGITS[digit], BLUE)
        c.line(9, 9, 14, 14, BLACK)
        c.line(10, 9, 15, 14, BLACK)
        c.save(os.path.join(out, "zoom_%sx.png" % digit))

    c = Canvas(16, 15)  # length: an open polyline through edge points
    pts = [(1, 12), (5, 4), (10, 9), (14, 2)]
    for a, b in zip(pts, pts[1:]):
        c.line(a[0], a[1], b[0], b[1], BLACK)
    for x, y in pts:
        c.rect(x - 1, y - 1, x + 1, y + 1, RED)
    c.save(os.path.join(out, "measure_length.png"))

    c = Canvas(16, 15)  # area: a closed, filled polygon
    poly = [(2, 12), (6, 2), (14, 5), (12, 13)]
    for y in range(15):
        for x in range(16):
            inside = False
            for i in range(len(poly)):
                (x0, y0), (x1, y1) = poly[i], poly[i - 1]
                if (y0 > y + 0.5) != (y1 > y + 0.5):
                    if x + 0.5 < (x1 - x0) * (y + 0.5 - y0) / (y1 - y0) + x0:
                        inside = not inside
            if inside:
                c.set(x, y, (160, 200, 255))
    for a, b in zip(poly, poly[1:] + poly[:1]):
        c.line(a[0], a[1], b[0], b[1], BLACK)
    c.save(os.path.join(out, "measure_area.png"))


def icon(size):
    """A grey step edge crossed by a green scan line, the edge point marked in red."""
    c = Canvas(size, size)
    s = size / 48.0
    for y in range(size):
        for x in range(size):
            shade = 70 if x < size * 0.55 else 215
            c.set(x, y, (shade, shade, shade + 10))
    y = int(size * 0.5)
    for t in range(max(1, int(3 * s))):
        c.line(int(4 * s), y + t, int(44 * s), y + t, GREEN)
    c.disc(int(size * 0.55), y + int(s), max(2, int(5 * s)), RED)
    c.rect(0, 0, size - 1, size - 1, BLACK)
    c.save(os.path.join(HERE, "icons", "quandrel_%d.png" % size))


if __name__ == "__main__":
    toolbar()
    os.makedirs(os.path.join(HERE, "icons"), exist_ok=True)
    for size in (16, 32, 48, 256):
        icon(size)
