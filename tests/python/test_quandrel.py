# SPDX-License-Identifier: GPL-3.0-or-later
"""The Python module against the batch tool and against known pixels."""

import csv
import io
import json
import math
import os
import signal
import struct
import subprocess
import sys
import threading
import time

import numpy as np
import pytest

import quandrel

EXAMPLES = os.environ["QUANDREL_EXAMPLES"]
BATCH = os.environ["QUANDREL_BATCH"]
EXAMPLE_SESSION = os.path.join(EXAMPLES, "session.json")
DISC = os.path.join(EXAMPLES, "disc.bmp")


def cli_csv(session_path):
    out = subprocess.run([BATCH, session_path, "-o", "-", "--format", "csv"], check=True,
                         stdout=subprocess.PIPE).stdout.decode("utf-8")
    rows = list(csv.reader(io.StringIO(out, newline="")))
    return rows[0], rows[1:]


def caliper_session(tmp_path):
    """The example session with caliper rules on two lines and sub-pixel placement."""
    data = quandrel.load_session(EXAMPLE_SESSION).to_dict()
    data["quandrel-session"] = 3
    data["subPixel"] = True
    data["lineRules"] = [
        {"kind": "pair", "pairOrder": "fall-rise", "select": "strongest", "sigma": 1.5},
        None,
        {"kind": "edge", "polarity": "either", "estimator": "step-fit", "sigma": 2},
    ]
    data["images"] = [os.path.join(EXAMPLES, i) if isinstance(i, str)
                      else {k: v for k, v in dict(i, path=os.path.join(EXAMPLES, i["path"])).items()
                            if k != "cursors"}
                      for i in data["images"]]
    path = tmp_path / "caliper.json"
    path.write_text(json.dumps(data))
    return str(path)


def bits(x):
    return struct.unpack("<q", struct.pack("<d", x))[0]


@pytest.mark.parametrize("make", [lambda tmp: EXAMPLE_SESSION, caliper_session],
                         ids=["example", "caliper"])
def test_measure_equals_batch_tool_bit_for_bit(make, tmp_path):
    path = make(tmp_path)
    names, rows = cli_csv(path)
    table = quandrel.load_session(path).measure(jobs=2)
    assert list(table.columns) == names
    assert len(table) == len(rows) > 0
    for c, name in enumerate(names):
        column = table[name].to_numpy()
        for r, row in enumerate(rows):
            field, got = row[c], column[r]
            if column.dtype == object:
                assert got == (field or None), (name, r)
            elif column.dtype == np.int64:
                assert got == int(field), (name, r)
            elif field == "":
                assert math.isnan(got), (name, r)
            else:
                assert bits(got) == bits(float(field)), (name, r, field, got)


def test_without_pandas_the_table_is_a_dict_of_arrays(monkeypatch):
    table = quandrel.load_session(EXAMPLE_SESSION).measure()
    monkeypatch.setitem(sys.modules, "pandas", None)
    plain = quandrel.load_session(EXAMPLE_SESSION).measure()
    assert list(plain) == list(table.columns)
    assert plain["x"].dtype == np.float64 and plain["image"].dtype == np.int64
    assert np.array_equal(plain["value_y"], table["value_y"].to_numpy())
    assert list(plain["status"]) == list(table["status"])


def test_save_and_load_give_the_same_file_and_numbers(tmp_path):
    first = quandrel.load_session(EXAMPLE_SESSION)
    first.save(tmp_path / "a.quandrel")
    again = quandrel.load_session(tmp_path / "a.quandrel")
    again.save(tmp_path / "b.quandrel")
    assert (tmp_path / "a.quandrel").read_bytes() == (tmp_path / "b.quandrel").read_bytes()
    a, b = first.measure(), again.measure()
    assert a.drop(columns="path").equals(b.drop(columns="path"))
    # Attributes are the file's keys, and a change is what the next measurement uses.
    assert again.lines == first.lines and again.measureArea is True
    again.channel = 1
    assert set(again.measure()["found_with"].dropna()) == {"steepest-rise red width=1"}


def test_a_session_made_in_python_measures_as_the_file():
    loaded = quandrel.load_session(EXAMPLE_SESSION)
    made = quandrel.Session(images=loaded.images, lines=loaded.lines, folder=EXAMPLES,
                            version=loaded.version,
                            edgeMode=3, measureLength=True, measureArea=True, axis=loaded.axis)
    assert made.measure().equals(loaded.measure())


def write_bmp(path, rgb):
    h, w, _ = rgb.shape
    stride = (3 * w + 3) & ~3
    rows = b"".join(rgb[y, :, ::-1].tobytes().ljust(stride, b"\0") for y in range(h - 1, -1, -1))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    path.write_bytes(header + info + rows)


def write_grey16_tiff(path, grey):
    h, w = grey.shape
    data = grey.astype("<u2").tobytes()
    entries = [(256, 3, 1, w), (257, 3, 1, h), (258, 3, 1, 16), (259, 3, 1, 1), (262, 3, 1, 1),
               (273, 4, 1, 8), (277, 3, 1, 1), (278, 3, 1, h), (279, 4, 1, len(data))]
    ifd = struct.pack("<H", len(entries)) + b"".join(
        struct.pack("<HHII", tag, kind, count, value) if kind == 4
        else struct.pack("<HHIHH", tag, kind, count, value, 0) for tag, kind, count, value in entries)
    path.write_bytes(struct.pack("<2sHI", b"II", 42, 8 + len(data)) + data + ifd + b"\0\0\0\0")


def test_read_picture_gives_the_exact_pixels(tmp_path):
    rng = np.random.default_rng(7)
    rgb = rng.integers(0, 256, size=(5, 7, 3), dtype=np.uint8)
    write_bmp(tmp_path / "p.bmp", rgb)
    got = quandrel.read_picture(tmp_path / "p.bmp")
    assert got.dtype == np.uint8 and np.array_equal(got, rgb)
    grey = rng.integers(0, 65536, size=(4, 6), dtype=np.uint16)
    write_grey16_tiff(tmp_path / "g.tif", grey)
    got = quandrel.read_picture(tmp_path / "g.tif")
    assert got.dtype == np.uint16 and np.array_equal(got, grey)
    # The profile reads the same samples; a band makes reals.
    assert np.array_equal(quandrel.profile(tmp_path / "g.tif", (0, 2, 5, 2)), grey[2])
    assert quandrel.profile(tmp_path / "g.tif", (0, 2, 5, 2), width=3).dtype == np.float64


def test_detect_is_the_programs_edge():
    table = quandrel.load_session(EXAMPLE_SESSION).measure()
    v = quandrel.profile(DISC, (100, 75, 195, 75))
    edge = quandrel.detect(v, "steepest-rise")
    assert (100 + edge["index"], 75) == (table["x"][0], table["y"][0])
    assert quandrel.detect(v, 3, sub_pixel=True)["position"] == edge["index"] + 0.5
    pair = quandrel.detect(v.astype(float), {"kind": "edge", "polarity": "rising"})
    assert pair["status"] == "ok" and pair["candidates"][-1][0] == 45


@pytest.mark.parametrize("call, error, words", [
    (lambda: quandrel.load_session("/nonexistent/s.json"), OSError, "cannot be read"),
    (lambda: quandrel.Session(images=[DISC], lines=[[1, 1, 1, 1]]), ValueError, "lines[0]"),
    (lambda: quandrel.Session(images=[DISC], lines=[[0, 0, 9, 9]], channel="red"), ValueError,
     "channel"),
    (lambda: quandrel.Session(images=[DISC], lines=[], colour=2), ValueError, "colour"),
    (lambda: quandrel.Session(images=["/nonexistent.bmp"], lines=[[0, 0, 9, 9]]).measure(),
     OSError, "/nonexistent.bmp"),
    (lambda: quandrel.Session(images=[EXAMPLE_SESSION], lines=[[0, 0, 9, 9]]).measure(),
     OSError, "cannot be decoded"),
    (lambda: quandrel.Session(images=[DISC], lines=[]).measure(), ValueError, "no scan lines"),
    (lambda: quandrel.read_picture(EXAMPLE_SESSION), OSError, "cannot be decoded"),
    (lambda: quandrel.read_picture(DISC, frame=3), OSError, "disc.bmp"),
    (lambda: quandrel.profile(DISC, (0, 0, 9, 9), width=2), ValueError, "odd"),
    (lambda: quandrel.profile(DISC, (0, 0, 9, 9), smoothing="median"), ValueError, "smoothing"),
    (lambda: quandrel.profile(DISC, (0, 0)), ValueError, "four"),
    (lambda: quandrel.detect([1.5, 2.5], "minimum"), ValueError, "whole-number"),
    (lambda: quandrel.detect([1, 2], "median"), ValueError, "plain rule"),
    (lambda: quandrel.detect([1, 2], {"kind": "wave"}), ValueError, "rule.kind"),
    (lambda: quandrel.detect([], 0), ValueError, "no samples"),
    (lambda: quandrel.load_session(EXAMPLE_SESSION).save(DISC), ValueError, "it is the image"),
])
def test_bad_input_raises_a_clear_exception(call, error, words):
    with pytest.raises(error) as raised:
        call()
    assert words in str(raised.value)


def long_session(entries=40000):
    s = quandrel.load_session(EXAMPLE_SESSION)
    s.images = [os.path.join(EXAMPLES, "disc.bmp")] * entries
    return s


def test_a_raising_progress_cancels_and_the_next_measurement_works():
    calls = []

    def progress(done, total):
        calls.append(done)
        if done >= 3:
            raise KeyboardInterrupt

    with pytest.raises(KeyboardInterrupt):
        long_session().measure(jobs=1, progress=progress)
    assert calls == [1, 2, 3]
    assert len(quandrel.load_session(EXAMPLE_SESSION).measure()) == 9


def test_ctrl_c_cancels_a_long_measurement():
    # Some fifteen seconds of work on one thread; the interrupt comes while the GIL is released.
    session = long_session(100000)
    timer = threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT))
    start = time.monotonic()
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            session.measure(jobs=1)
    finally:
        timer.cancel()
    assert time.monotonic() - start < 7
    assert len(quandrel.load_session(EXAMPLE_SESSION).measure()) == 9
