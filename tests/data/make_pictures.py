#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the picture fixtures that Qt cannot write itself (GIF, run-length BMP), damaged copies
of them, and damaged copies of the corpus JPEGs, for the loader tests and the picture fuzzer.

Run from any folder: python3 tests/data/make_pictures.py. The files are committed; rerun only to
change them.
"""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "..", "..", "fuzz", "corpus", "picture")


class BitWriter:
    """GIF's code stream: codes of varying width, packed from the low bit up."""

    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.bits = 0

    def write(self, code, width):
        self.acc |= code << self.bits
        self.bits += width
        while self.bits >= 8:
            self.out.append(self.acc & 0xFF)
            self.acc >>= 8
            self.bits -= 8

    def data(self):
        return bytes(self.out) + (bytes((self.acc & 0xFF,)) if self.bits else b"")


def lzw_literal(indices, min_code_size=8):
    """LZW data that codes every pixel as a literal, with a clear code before the table would
    widen the codes, so every code is min_code_size + 1 bits. Valid for any decoder."""
    clear = 1 << min_code_size
    end = clear + 1
    width = min_code_size + 1
    # After a clear the decoder adds one table entry per code after the first; keep the
    # table below the size that would switch it to wider codes.
    run = (1 << width) - clear - 2
    out = BitWriter()
    for start in range(0, len(indices), run):
        out.write(clear, width)
        for index in indices[start:start + run]:
            out.write(index, width)
    out.write(end, width)
    return out.data()


def lzw_compress(indices, min_code_size=8, clear_when_full=True, end_code=True):
    """Real LZW data, with strings from the table and codes that widen up to 12 bits. When the
    table is full it either starts afresh with a clear code or, as some writers do, goes on
    with the full table."""
    clear = 1 << min_code_size
    end = clear + 1
    out = BitWriter()
    width = min_code_size + 1
    table = {}
    next_code = end + 1
    out.write(clear, width)
    prefix = indices[0]
    for pixel in indices[1:]:
        if (prefix, pixel) in table:
            prefix = table[(prefix, pixel)]
            continue
        out.write(prefix, width)
        if next_code < 4096:
            table[(prefix, pixel)] = next_code
            next_code += 1
            # The decoder adds its entry one code later, so it widens one entry later.
            if next_code > (1 << width) and width < 12:
                width += 1
        elif clear_when_full:
            out.write(clear, width)
            table = {}
            next_code = end + 1
            width = min_code_size + 1
        prefix = pixel
    out.write(prefix, width)
    if end_code:
        out.write(end, width)
    return out.data()


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


def interlaced_rows(indices, width, height):
    """The rows in the order an interlaced GIF stores them: every 8th from 0, every 8th from
    4, every 4th from 2, every 2nd from 1."""
    order = [y for start, step in ((0, 8), (4, 8), (2, 4), (1, 2))
             for y in range(start, height, step)]
    return [indices[y * width + x] for y in order for x in range(width)]


def image_block(width, height, indices, delay=None, left=0, top=0, interlaced=False, lzw=None,
                transparent=None):
    """One frame; lzw, when given, replaces the frame's coded pixel data; transparent, when
    given, is the index of the frame's transparent colour."""
    out = bytearray()
    if transparent is not None:
        # Graphic control extension: dispose "do not dispose", this index transparent.
        out += b"\x21\xF9\x04\x05" + struct.pack("<H", delay or 0) + bytes((transparent, 0))
    elif delay is not None:
        # Graphic control extension: dispose "do not dispose", no transparency.
        out += b"\x21\xF9\x04" + bytes((0x04,)) + struct.pack("<H", delay) + b"\x00\x00"
    out += b"\x2C" + struct.pack("<HHHH", left, top, width, height)
    out += bytes((0x40 if interlaced else 0,))
    if lzw is None:
        lzw = lzw_literal(interlaced_rows(indices, width, height) if interlaced else indices)
    out += b"\x08" + sub_blocks(lzw)
    return bytes(out)


def gif_file(width, height, colours, blocks, animated=False):
    # Global colour table of 256 entries (size field 7), 8 bits per primary.
    out = bytearray(b"GIF89a" + struct.pack("<HH", width, height) + bytes((0xF7, 0, 0)))
    out += palette_bytes(colours)
    if animated:
        out += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"
    for block in blocks:
        out += block
    out += b"\x3B"
    return bytes(out)


def gif(width, height, colours, frames, animated=False):
    """A GIF whose frames each fill the whole screen."""
    return gif_file(width, height, colours,
                    [image_block(width, height, indices, delay=10 if animated else None)
                     for indices in frames], animated)


# --- Run-length BMPs ----------------------------------------------------------------------------

def rle_row(row, bits):
    """One row in the run-length code of the given depth (8 or 4 bits): runs of three or more
    equal pixels as encoded runs, everything between them as absolute runs."""
    out = bytearray()

    def packed(pixels):
        if bits == 8:
            data = bytes(pixels)
        else:
            data = bytes((pixels[k] << 4 | (pixels[k + 1] if k + 1 < len(pixels) else 0))
                         for k in range(0, len(pixels), 2))
        return data + (b"\x00" if len(data) % 2 else b"")  # absolute runs end on a word

    def run_at(x):
        n = 1
        while x + n < len(row) and row[x + n] == row[x] and n < 255:
            n += 1
        return n

    x = 0
    while x < len(row):
        n = run_at(x)
        if n >= 3:
            out += bytes((n, row[x] * 17 if bits == 4 else row[x]))
            x += n
            continue
        start = x
        while x < len(row) and run_at(x) < 3 and x - start < 255:
            x += 1
        literal = row[start:x]
        if len(literal) >= 3:
            out += bytes((0, len(literal))) + packed(literal)
        else:
            for index in literal:
                out += bytes((1, index * 17 if bits == 4 else index))
    return bytes(out)


def rle_rows(rows, bits):
    """Every row, an end of line between rows, an end of bitmap after the last."""
    return b"\x00\x00".join(rle_row(row, bits) for row in rows) + b"\x00\x01"


def bmp_file(width, height, bits, colours, data, compression):
    # The image-size field stays 0, as run-length writers are allowed to leave it.
    palette = b"".join(struct.pack("<BBBB", c & 0xFF, (c >> 8) & 0xFF, c >> 16, 0)
                       for c in colours)
    offset = 14 + 40 + len(palette)
    header = b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, 0, 2835, 2835,
                       len(colours), 0)
    return header + info + palette + data


RLE_COLOURS = [(i * 16) << 16 | (255 - i * 16) << 8 | (i * 53) % 256 for i in range(16)]


def rle_index(x, y, width):
    """The test pattern: long runs on the left half, no two equal neighbours on the right."""
    return (y // 3) % 16 if x < width // 2 else (x * 7 + y) % 16


def rle_pattern(width, height):
    # Bottom-up, as BMP stores its rows.
    return [[rle_index(x, y, width) for x in range(width)] for y in reversed(range(height))]


def rle_bmp(width, height, bits, data=None):
    if data is None:
        data = rle_rows(rle_pattern(width, height), bits)
    return bmp_file(width, height, bits, RLE_COLOURS, data, 1 if bits == 8 else 2)


# --- Writing ------------------------------------------------------------------------------------

def write(name, data, folder=HERE):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def read(name, folder=HERE):
    with open(os.path.join(folder, name), "rb") as f:
        return f.read()


def jpeg_scan(jpeg):
    """Start and end of the entropy-coded data of a baseline JPEG's one scan."""
    sos = jpeg.index(b"\xFF\xDA")
    start = sos + 2 + struct.unpack(">H", jpeg[sos + 2:sos + 4])[0]
    return start, jpeg.rindex(b"\xFF\xD9")


def write_gifs():
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
    ramp_pixels = [x for _ in range(48) for x in range(64)]
    write("ramp.gif", gif(64, 48, ramp, [ramp_pixels]))

    # 8 x 8 interlaced, row y in colour y: a decoder that ignores the interlace swaps rows.
    rows = [0x100000 * y + 0x0F for y in range(8)]
    row_pixels = [y for y in range(8) for _ in range(8)]
    write("interlaced.gif",
          gif_file(8, 8, rows, [image_block(8, 8, row_pixels, interlaced=True)]))

    # An 8 x 6 frame at (4, 3) on a 16 x 12 screen: the screen around it has no coded pixels.
    write("inset.gif", gif_file(16, 12, colours, [image_block(8, 6, pixels, left=4, top=3)]))

    # The colours picture with its blue half transparent, and the same as an inset frame:
    # what shows through is Qt's choice, which the loader must keep.
    write("transparent.gif", gif_file(8, 6, colours, [image_block(8, 6, pixels, transparent=1)]))
    write("transparent_inset.gif",
          gif_file(16, 12, colours, [image_block(8, 6, pixels, left=4, top=3, transparent=1)]))

    # 160 x 120 of four-colour noise through real LZW: strings from the table, codes that widen
    # to 12 bits and a table that fills up, once with clear codes and once without.
    seed = 12345
    noise = []
    for _ in range(160 * 120):
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        noise.append((seed >> 16) & 3)
    noise_colours = [0x000000, 0x5080F0, 0xF08050, 0xFFFFFF]
    write("lzw.gif", gif_file(160, 120, noise_colours,
                              [image_block(160, 120, None, lzw=lzw_compress(noise))]))
    write("lzw_full_table.gif", gif_file(
        160, 120, noise_colours,
        [image_block(160, 120, None, lzw=lzw_compress(noise, clear_when_full=False))]))
    # Damaged: the same codes for all but the last pixel, each way.
    write("lzw_one_short.gif", gif_file(
        160, 120, noise_colours, [image_block(160, 120, None, lzw=lzw_compress(noise[:-1]))]))
    write("lzw_full_table_one_short.gif", gif_file(
        160, 120, noise_colours,
        [image_block(160, 120, None, lzw=lzw_compress(noise[:-1], clear_when_full=False))]))

    # Damaged: the LZW data stops after 1000 of the 3072 pixels, closed by an end code (or by
    # the block end alone), a block terminator and a trailer, so every block is there.
    short = gif_file(64, 48, ramp,
                     [image_block(64, 48, None, lzw=lzw_compress(ramp_pixels[:1000]))])
    write("short_lzw.gif", short)
    write(os.path.join(CORPUS, "gif-short-lzw.gif"), short)
    write("short_lzw_no_end.gif", gif_file(
        64, 48, ramp,
        [image_block(64, 48, None, lzw=lzw_compress(ramp_pixels[:1000], end_code=False))]))
    # Damaged: a 60000 x 60000 frame on a 200 x 150 screen, coding the screen's worth of pixels.
    huge = gif_file(200, 150, ramp, [image_block(
        60000, 60000, None, lzw=lzw_compress([x % 64 for x in range(200 * 150)]))])
    write("huge_frame.gif", huge)
    write(os.path.join(CORPUS, "gif-huge-frame.gif"), huge)
    # Damaged: the 8 x 6 frame at (12, 3), half outside the 16 x 12 screen.
    outside = gif_file(16, 12, colours, [image_block(8, 6, pixels, left=12, top=3)])
    write("frame_outside.gif", outside)
    write(os.path.join(CORPUS, "gif-frame-outside.gif"), outside)
    # The first frame whole, the second outside the screen and short of pixels: only the first
    # frame is ever shown, so this one loads.
    write("bad_second_frame.gif", gif_file(4, 4, [0x204060, 0xC0A080], [
        image_block(4, 4, [0] * 16, delay=10),
        image_block(4, 4, None, delay=10, left=2, lzw=lzw_compress([1] * 5)),
    ], animated=True))
    # Damaged: right after the clear code, a code that names a table entry not made yet.
    bad = BitWriter()
    for code in (256, 300, 1, 2, 257):
        bad.write(code, 9)
    write("lzw_bad_code.gif",
          gif_file(8, 6, colours, [image_block(8, 6, None, lzw=bad.data())]))
    write(os.path.join(CORPUS, "gif-lzw.gif"), gif_file(
        32, 24, noise_colours, [image_block(32, 24, None, lzw=lzw_compress(noise[:32 * 24]))]))


def write_bmps():
    # 40 x 30 at 8 bits and 41 x 30 at 4 bits (an odd width: absolute runs end inside a byte).
    rle8 = rle_bmp(40, 30, 8)
    rle4 = rle_bmp(41, 30, 4)
    write("rle8.bmp", rle8)
    write("rle4.bmp", rle4)
    write(os.path.join(CORPUS, "rle8.bmp"), rle8)
    write(os.path.join(CORPUS, "rle4.bmp"), rle4)
    # Damaged: cut to a third, with no image size in the header to give the cut away.
    write(os.path.join(CORPUS, "rle8-cut.bmp"), rle8[:len(rle8) // 3])
    write(os.path.join(CORPUS, "rle4-cut.bmp"), rle4[:len(rle4) // 3])

    # 20 x 10 pictures whose codes leave pixels out, which Qt's reader leaves as the memory held
    # them: a delta over rows 5 and 6 and the start of row 7 (counted from the bottom), a row
    # ended before its last pixel, an end of bitmap after row 4.
    rows = rle_pattern(20, 10)
    head = b"".join(rle_row(row, 8) + b"\x00\x00" for row in rows[:5])
    tail = b"\x00\x00".join(rle_row(row, 8) for row in rows[8:]) + b"\x00\x01"
    write("rle8_delta_skip.bmp",
          rle_bmp(20, 10, 8, head + b"\x00\x02\x03\x02" + rle_row(rows[7][3:], 8) + b"\x00\x00"
                  + tail))
    write("rle8_short_row.bmp",
          rle_bmp(20, 10, 8, head + rle_row(rows[5][:12], 8) + b"\x00\x00" + rle_rows(rows[6:], 8)))
    write("rle8_early_end.bmp", rle_bmp(20, 10, 8, head + b"\x00\x01"))
    # Damaged: a delta that jumps 9 rows from row 5, past the top of the picture.
    delta_out = rle_bmp(20, 10, 8, head + b"\x00\x02\x00\x09" + b"\x00\x01")
    write("rle8_delta_out.bmp", delta_out)
    write(os.path.join(CORPUS, "rle8-delta-out.bmp"), delta_out)
    # Damaged: the first row codes 30 pixels of a 20-pixel row.
    write("rle8_long_run.bmp", rle_bmp(20, 10, 8, b"\x1E\x03\x00\x00" + tail))


def write_jpegs():
    # Bytes inserted after the last coded block, which the decoder finds as stray bytes before
    # the end marker, and a byte in the middle of the scan made a marker's first byte.
    for name in ("tiny.jpg", "grey.jpg"):
        jpeg = read(name, CORPUS)
        start, end = jpeg_scan(jpeg)
        middle = (start + end) // 2
        stem = name[:-4]
        write(os.path.join(CORPUS, stem + "-inserted.jpg"),
              jpeg[:end] + b"\x5A\xA5\x3C" + jpeg[end:])
        write(os.path.join(CORPUS, stem + "-corrupt-byte.jpg"),
              jpeg[:middle] + b"\xFF" + jpeg[middle + 1:])


def main():
    write_gifs()
    write_bmps()
    write_jpegs()


if __name__ == "__main__":
    main()
