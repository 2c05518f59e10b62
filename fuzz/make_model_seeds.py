#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the seed corpus of fuzz_model (fuzz/corpus/model/) in the layout fuzz_model.cpp reads.

    fuzz/make_model_seeds.py [DIRECTORY]   default: fuzz/corpus/model beside this script

Each seed starts from a picture and walks a different part of the model, and together they run
every operation the target decodes on records and lines that exist, so that a minute of fuzzing
starts from inputs that already reach all of it. Run it again after changing the layout in
fuzz_model.cpp; random1 and random2 are plain random bytes and are left alone.
"""
import os
import struct
import sys

# Opcodes, in the order of the Op enumeration in fuzz_model.cpp.
(ADD_IMAGE, REMOVE_IMAGE, ADD_LINE, RESHAPE_LINE, REMOVE_LINE, MOVE_IMAGE, SORT, CALIBRATE,
 CURSOR, DETECT, VALUES, DATA_FILE, REMOVE_ALL, PROFILE, HIT_TEST) = range(15)

NONE, NOISE, BARS_ACROSS, BARS_DOWN = range(4)  # picture kinds
ORIGIN, X_AXIS, Y_AXIS = range(3)  # calibration points
NEXT, PREV, SET_POS = range(3)  # cursor moves
SUM, RED, GREEN, BLUE, OTHER_CHANNEL = range(5)
MINIMUM, MAXIMUM, FALL, RISE, OTHER_MODE = range(5)
INT_MIN, INT_MAX = -2**31, 2**31 - 1


def picture(kind, width=64, height=48, seed=1):
    return bytes([(width - 1) % 64, (height - 1) % 48, kind, seed])


def index(i):
    """Record or line i, where -1 is one before the first; the reader takes it modulo
    count + 2, so small values mean the same whatever the count."""
    return bytes([i + 1])


def coordinate(v):
    if -64 <= v <= 175:
        return bytes([v + 64])
    if -32768 <= v <= 32767:
        return bytes([0xF0]) + struct.pack('<h', v)
    if v - INT_MIN < 256:
        return bytes([0xFE, v - INT_MIN])
    if INT_MAX - v < 256:
        return bytes([0xFF, INT_MAX - v])
    return bytes([0xFC]) + struct.pack('<i', v)


def value(v):
    small = v * 4 + 120
    if small == int(small) and 0 <= small < 0xF0:
        return bytes([int(small)])
    return bytes([0xF0]) + struct.pack('<d', v)


def add_image(title):
    """title: text, or bytes for a title that is not UTF-8."""
    raw = title if isinstance(title, bytes) else title.encode('utf-8')
    assert len(raw) < 16
    return bytes([ADD_IMAGE, len(raw)]) + raw


def remove_image(record):
    return bytes([REMOVE_IMAGE]) + index(record)


def add_line(x1, y1, x2, y2, detect=True):
    return (bytes([ADD_LINE]) + b''.join(coordinate(c) for c in (x1, y1, x2, y2)) +
            bytes([int(detect)]))


def reshape_line(line, x1, y1, x2, y2):
    return bytes([RESHAPE_LINE]) + index(line) + b''.join(coordinate(c) for c in (x1, y1, x2, y2))


def remove_line(line):
    return bytes([REMOVE_LINE]) + index(line)


def move_image(record, direction):
    return bytes([MOVE_IMAGE]) + index(record) + bytes([direction + 2])


def sort():
    return bytes([SORT])


def calibrate(record, which, x_pixel, y_pixel, x_value, y_value, log_x=False, log_y=False):
    return (bytes([CALIBRATE]) + index(record) + bytes([which]) + coordinate(x_pixel) +
            coordinate(y_pixel) + value(x_value) + value(y_value) +
            bytes([int(log_x) | int(log_y) << 1]))


def cursor(record, line, how, pos=0):
    return bytes([CURSOR]) + index(record) + index(line) + bytes([how]) + coordinate(pos)


def detect(record, line, channel, mode):
    return bytes([DETECT]) + index(record) + index(line) + bytes([channel, mode])


def values(record, line):
    return bytes([VALUES]) + index(record) + index(line)


def data_file(length=True, area=True):
    return bytes([DATA_FILE, int(length) | int(area) << 1])


def remove_all():
    return bytes([REMOVE_ALL])


def profile(record, line, channel):
    return bytes([PROFILE]) + index(record) + index(line) + bytes([channel])


def hit_test(record, x, y, radius=5):
    return bytes([HIT_TEST]) + index(record) + coordinate(x) + coordinate(y) + bytes([radius])


def every_rule(record, line):
    """Detects the line again with every channel and every edge rule."""
    return b''.join(detect(record, line, channel, mode)
                    for channel in range(5) for mode in range(5))


SEEDS = {
    # Every operation once or more, on a noisy picture.
    'tour': picture(NOISE) + b''.join([
        add_image('b.png'), add_image('a.png'), add_image('画像.png'),
        add_line(2, 3, 60, 40), add_line(10, 45, 12, 0, detect=False), add_line(5, 5, 5, 5),
        add_line(-20, 10, 3000, 20),
        detect(0, 0, SUM, MINIMUM), detect(0, 1, RED, MAXIMUM), detect(1, 2, GREEN, FALL),
        detect(2, 3, BLUE, RISE),
        reshape_line(1, 30, 2, 31, 47), reshape_line(4, 0, 0, 1, 1),
        cursor(0, 0, NEXT), cursor(0, 0, PREV), cursor(0, 0, PREV), cursor(1, 1, SET_POS, 20),
        cursor(2, 3, SET_POS, 5000),
        calibrate(0, ORIGIN, 2, 47, 1.0, 0.0), calibrate(0, X_AXIS, 62, 47, 100.0, 0.0, True),
        calibrate(0, Y_AXIS, 2, 1, 0.0, 10.0),
        values(0, 0), values(0, 1), values(1, 0), values(3, 0),
        profile(0, 0, SUM), profile(1, 3, RED), profile(2, 1, OTHER_CHANNEL),
        hit_test(0, 2, 3), hit_test(0, 30, 20), hit_test(0, 60, 40), hit_test(1, 10, 110),
        move_image(0, 1), move_image(2, -1), move_image(0, -1), move_image(1, 0),
        # Titles the code page cannot hold, and bytes that are not UTF-8, sort after it.
        add_image('c.png'), add_image('é😀'), add_image(b'\xff\xe0\x80.png'),
        sort(),
        data_file(), data_file(length=False), data_file(area=False), data_file(False, False),
        remove_line(1), detect(0, 0, SUM, OTHER_MODE), data_file(),
        remove_image(1), remove_image(-1), data_file(),
        remove_all(), data_file(), add_image('new'), add_line(1, 1, 20, 20), data_file(),
    ]),
    # Bars give flat runs and ties: the lowest index must win among equal extremes.
    'bars-across': picture(BARS_ACROSS, seed=3) + b''.join([
        add_image('one'), add_line(0, 10, 63, 10), add_line(63, 20, 0, 30),
        add_line(20, 0, 22, 47), every_rule(0, 0), every_rule(0, 1), every_rule(0, 2),
        profile(0, 0, RED), profile(0, 1, SUM),
    ]),
    'bars-down': picture(BARS_DOWN, width=17, height=40, seed=6) + b''.join([
        add_image('one'), add_image('two'), add_line(3, 0, 3, 39), add_line(10, 39, 0, 0),
        add_line(-5, -5, 30, 50), every_rule(0, 0), every_rule(1, 1), every_rule(1, 2),
        profile(1, 2, GREEN),
    ]),
    # Without a picture nothing is measured and every line stays pending.
    'no-picture': picture(NONE) + b''.join([
        add_image('x'), add_line(0, 0, 30, 30), detect(0, 0, SUM, MINIMUM), profile(0, 0, SUM),
        add_image('y'), detect(1, 0, RED, MAXIMUM), data_file(),
    ]),
    # Lines, cursors and calibration points at the ends of the int range, as a session file may
    # hold them, and clicks near them.
    'extremes': picture(NOISE, width=5, height=3, seed=9) + b''.join([
        add_image('e'),
        add_line(INT_MIN, INT_MIN, INT_MAX, INT_MAX), add_line(INT_MAX, 0, INT_MAX, 10),
        add_line(0, INT_MAX, 40, INT_MAX), add_line(INT_MIN, 7, INT_MIN, 0),
        add_line(-30000, 1, 30000, 2), add_line(-2000000000, 3, 2000000000, 4),
        cursor(0, 0, SET_POS, INT_MAX), cursor(0, 1, SET_POS, INT_MIN), cursor(0, 2, PREV),
        every_rule(0, 4), detect(0, 0, SUM, MINIMUM), profile(0, 0, SUM), profile(0, 4, BLUE),
        calibrate(0, ORIGIN, INT_MIN, INT_MAX, 0.0, 0.0),
        calibrate(0, X_AXIS, INT_MAX, INT_MAX, 1e300, 0.0),
        calibrate(0, Y_AXIS, INT_MIN, INT_MIN, 0.0, -1e300),
        values(0, 0), values(0, 3), data_file(),
        hit_test(0, 0, 0), hit_test(0, 2, 1, 15), hit_test(0, -64, 175, 1),
        reshape_line(0, INT_MAX, INT_MIN, INT_MIN, INT_MAX), data_file(),
    ]),
    # Calibrations that cannot convert (a log of zero or of a negative value, parallel axes)
    # next to one that can, and the length and area sections over them.
    'calibration': picture(NOISE, width=40, height=40, seed=4) + b''.join([
        add_image('p'), add_line(0, 0, 39, 39), add_line(39, 0, 0, 39), add_line(20, 0, 20, 39),
        calibrate(0, ORIGIN, 0, 39, 0.25, 0.5), calibrate(0, X_AXIS, 39, 39, 10.0, 0.0, True),
        calibrate(0, Y_AXIS, 0, 0, 0.0, 20.0, True, True),
        add_image('q'), add_image('r'), add_image('s'),
        calibrate(1, ORIGIN, 0, 39, -1.0, 0.0, True),
        calibrate(2, Y_AXIS, 39, 39, 0.0, 1.0),
        calibrate(3, X_AXIS, 0, 39, 5.0, 0.0),
        detect(0, 0, SUM, RISE), detect(1, 1, SUM, FALL), detect(2, 2, SUM, MAXIMUM),
        values(0, 0), values(1, 0), values(2, 1), values(3, 2), data_file(),
        sort(), move_image(3, -1), data_file(length=True, area=False),
    ]),
}


def main():
    directory = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), 'corpus', 'model')
    os.makedirs(directory, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(directory, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
