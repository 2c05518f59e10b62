#!/usr/bin/env python3
"""Writes the GIF fixtures of the picture tests (Qt can read GIF but not write it).

Run from any folder: python3 tests/data/make_gifs.py. The files are committed; rerun only to
change them.
"""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def lzw_literal(indices, min_code_size=8):
    """LZW data that codes every pixel as a literal, with a clear code before the table would
    widen the codes, so every code is min_code_size + 1 bits. Valid for any decoder."""
    clear = 1 << min_code_size
    end = clear + 1
    width = min_code_size + 1
    # After a clear the decoder adds one table entry per code after the first; keep the
    # table below the size that would switch it to wider codes.
    run = (1 << width) - clear - 2
    codes = []
    for start in range(0, len(indices), run):
        codes.append(clear)
        codes.extend(indices[start:start + run])
    codes.append(end)
    out = bytearray()
    acc = 0
    bits = 0
    for code in codes:
        acc |= code << bits
        bits += width
        while bits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            bits -= 8
    if bits:
        out.append(acc & 0xFF)
    return bytes(out)


def sub_blocks(data):
    out = bytearray()
    for start in range(0, len(data), 255):
        chunk = data[start:start + 255]
        out.append(len(chunk))
        out += chunk
    out.append(0)
    return bytes(out)


def palette_bytes(colours):
    table = bytearray()
    for rgb in colours:
        table += bytes(((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF))
    table += bytes(3 * (256 - len(colours)))
    return bytes(table)


def image_block(width, height, indices, delay=None):
    out = bytearray()
    if delay is not None:
        # Graphic control extension: dispose "do not dispose", no transparency.
        out += b"\x21\xF9\x04" + bytes((0x04,)) + struct.pack("<H", delay) + b"\x00\x00"
    out += b"\x2C" + struct.pack("<HHHH", 0, 0, width, height) + b"\x00"
    out += b"\x08" + sub_blocks(lzw_literal(indices))
    return bytes(out)


def gif(width, height, colours, frames, animated=False):
    # Global colour table of 256 entries (size field 7), 8 bits per primary.
    out = bytearray(b"GIF89a" + struct.pack("<HH", width, height) + bytes((0xF7, 0, 0)))
    out += palette_bytes(colours)
    if animated:
        out += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"
    for indices in frames:
        out += image_block(width, height, indices, delay=10 if animated else None)
    out += b"\x3B"
    return bytes(out)


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def main():
    # 8 x 6: left half red, right half blue, a green pixel at (1, 1) and a white one at (6, 4).
    colours = [0xFF0000, 0x0000FF, 0x00FF00, 0xFFFFFF]
    w, h = 8, 6
    pixels = []
    for y in range(h):
        for x in range(w):
            index = 0 if x < w // 2 else 1
            if (x, y) == (1, 1):
                index = 2
            if (x, y) == (6, 4):
                index = 3
            pixels.append(index)
    write("colours.gif", gif(w, h, colours, [pixels]))

    # Two frames of 4 x 4: the first all 0x204060, the second all 0xC0A080.
    write("animated.gif", gif(4, 4, [0x204060, 0xC0A080], [[0] * 16, [1] * 16], animated=True))

    # 64 x 48 with a 64-step grey ramp along x: big enough that its image data spans many
    # sub-blocks, so the tests can cut it in the middle of the pixels.
    ramp = [0x040404 * i for i in range(64)]
    write("ramp.gif", gif(64, 48, ramp, [[x for _ in range(48) for x in range(64)]]))


if __name__ == "__main__":
    main()
