# SPDX-License-Identifier: GPL-3.0-or-later
"""Quandrel from Python: sessions, measurements, pictures, profiles and edges.

The same code as the window and the batch tool measures here; nothing is computed twice.

    import quandrel
    s = quandrel.load_session("examples/session.json")
    table = s.measure()                  # what `quandrel-batch S --format csv` writes
    s.channel = 1                        # every session key is an attribute
    s.save("red.quandrel")

    pixels = quandrel.read_picture("examples/disc.bmp")        # (H, W, 3) uint8
    v = quandrel.profile("examples/disc.bmp", (100, 75, 195, 75))
    quandrel.detect(v, "steepest-fall")                         # {'index': ..., 'position': None}
    quandrel.detect(v.astype(float), {"kind": "edge", "polarity": "falling", "sigma": 1.5})

Errors raise ValueError (a session, rule or argument the program refuses, with its own message),
OSError (a file that cannot be read, decoded or written) or MemoryError; Ctrl+C during
Session.measure() cancels the run and raises KeyboardInterrupt.
"""

import json as _json
import os as _os
import warnings as _warnings

from . import _quandrel

__version__ = _quandrel.__version__
__all__ = ["Session", "load_session", "read_picture", "profile", "detect", "SESSION_KEYS"]

# The keys a session file may hold at its top level, each an attribute of Session.
# "quandrel-session" (the file's version) is no Python name: Session.version stands for it.
SESSION_KEYS = ("channel", "edgeMode", "measureLength", "measureArea", "autoDetect",
                "axisPerImage", "subPixel", "lineWidth", "smoothing", "smoothWidth", "wholeLine",
                "detections", "lines", "lineRules", "newLineRule", "axis", "images", "view",
                "timeRule", "timeInterval", "timeStart")
_VERSION_KEY = "quandrel-session"
_NEWEST_VERSION = 4


class Session:
    """A session: images, scan lines and the options to measure them with.

    Every key of a session file is an attribute of the same name (see SESSION_KEYS and the
    README's session format): s.lines, s.images, s.channel, s.edgeMode, s.lineRules ... An
    attribute whose key the session leaves out is None, and the program's default applies.
    Images are paths or dicts as in the file ({"path": ..., "frame": 3}, {"path": ...,
    "frames": [0, 99, 1]}, "cursors", "axis" ...). Relative image paths are taken from
    `folder`: the session file's folder for a loaded session, else the current folder at the
    time of measuring.

    Session(images=[...], lines=[[x1, y1, x2, y2], ...], channel=0, edgeMode=3, ...) checks the
    session with the program's reader at once (ValueError naming the field); changes made later
    are checked when the session is measured or saved. s["quandrel-session"] and s.to_dict()
    give the file's own keys.
    """

    def __init__(self, images=(), lines=(), *, folder=None, **fields):
        unknown = sorted(set(fields) - set(SESSION_KEYS) - {"version"})
        if unknown:
            raise ValueError("no session has the key(s) " + ", ".join(unknown))
        data = {_VERSION_KEY: fields.pop("version", _NEWEST_VERSION)}
        data.update(fields)
        data["lines"] = [list(line) for line in lines]
        data["images"] = [_os.fspath(i) if isinstance(i, _os.PathLike) else i for i in images]
        object.__setattr__(self, "_data", data)
        object.__setattr__(self, "folder", "" if folder is None else _os.fspath(folder))
        object.__setattr__(self, "name", "session")
        self.check()

    @classmethod
    def _from_file(cls, data, folder, name):
        s = cls.__new__(cls)
        object.__setattr__(s, "_data", data)
        object.__setattr__(s, "folder", folder)
        object.__setattr__(s, "name", name)
        return s

    def __getattr__(self, key):
        if key in SESSION_KEYS:
            return self._data.get(key)
        if key == "version":
            return self._data.get(_VERSION_KEY)
        raise AttributeError(f"Session has no attribute {key!r}; its keys are SESSION_KEYS")

    def __setattr__(self, key, value):
        if key in ("folder", "name"):
            object.__setattr__(self, key, "" if value is None else _os.fspath(value))
        elif key in SESSION_KEYS or key == "version":
            self[_VERSION_KEY if key == "version" else key] = value
        else:
            raise AttributeError(f"no session has the key {key!r}; its keys are SESSION_KEYS")

    def __delattr__(self, key):
        if key not in SESSION_KEYS:
            raise AttributeError(key)
        self._data.pop(key, None)

    def __getitem__(self, key):
        return self._data[key]

    def __setitem__(self, key, value):
        if key != _VERSION_KEY and key not in SESSION_KEYS:
            raise KeyError(f"no session has the key {key!r}")
        if value is None:
            self._data.pop(key, None)
        else:
            self._data[key] = value

    def __repr__(self):
        return (f"<quandrel.Session {self.name!r}: {len(self._data.get('images', []))} image "
                f"entries, {len(self._data.get('lines', []))} lines>")

    def to_dict(self):
        """The session as the JSON object of its file (a deep copy)."""
        return _json.loads(self._text())

    def _text(self):
        try:
            return _json.dumps(self._data, allow_nan=False)
        except (TypeError, ValueError) as e:
            raise ValueError(f"{self.name}: the session cannot be written as JSON: {e}") from None

    def check(self):
        """Raises ValueError, with the program's message, where the program refuses the session."""
        _quandrel._check_text(self._text(), self.name, self.folder)

    def save(self, path):
        """Writes the session file as the window does: image paths below its folder relative to
        it, replacing a file only when the new one is whole; never over one of its images."""
        _quandrel._save_text(self._text(), self.name, self.folder, _os.fspath(path))

    def measure(self, jobs=None, progress=None):
        """Measures every image, as `quandrel-batch SESSION --format csv` does.

        jobs: threads (None or 0: one per core); the result does not depend on it.
        progress: called as progress(done, total) as images finish; raising stops the run.

        Returns a pandas DataFrame when pandas imports, else a dict of numpy arrays, with the
        table's columns in its order (README, "The table"): `image` and `line` int64; `path`,
        `status`, `found_with`, `rule` and `edge_status` str (object), None where the field is
        empty; every other column float64 with NaN where the field is empty. Each number is
        the double the CSV's text reads back as, bit for bit. A run's warning (cursors found
        under other settings, images without time) is issued as a UserWarning.
        """
        columns, warning = _quandrel._measure_text(self._text(), self.name, self.folder,
                                                   0 if jobs is None else int(jobs), progress)
        if warning:
            _warnings.warn(warning, UserWarning, stacklevel=2)
        return _table(columns)


def _table(columns):
    import numpy as np
    values = {}
    for name, kind, data in columns:
        values[name] = np.array(data, dtype=object) if kind == "text" else data
    try:
        import pandas as pd
    except ImportError:
        return values
    return pd.DataFrame(values, copy=False)


def load_session(path):
    """Reads a session file with the program's reader (ValueError naming the field of a session
    it refuses, OSError for a file it cannot read)."""
    path = _os.fspath(path)
    text, folder = _quandrel._load_text(path)
    return Session._from_file(_json.loads(text), folder, path)


def read_picture(path, frame=None):
    """The picture's exact pixels, as the program measures them.

    8-bit pictures (every kind, grey ones too, as the program holds them): (H, W, 3) uint8,
    red, green, blue. 16-bit grey PNG and TIFF: (H, W) uint16; 16-bit colour: (H, W, 3) uint16.
    frame: the page of a stack or the frame of a video, from 0; None for the file's picture.
    """
    return _quandrel._read_picture(_os.fspath(path), -1 if frame is None else int(frame))


_SMOOTHING = {None: 0, "none": 0, "moving-average": 1, "mean": 1, "gaussian": 2}


def profile(image, line, channel=0, width=1, smoothing=None, smooth_width=3, whole_line=False,
            bilinear=False, frame=None):
    """The samples along a scan line as the edge rules read them.

    image: a picture file's path (frame: a page or frame of it, from 0).
    line: (x1, y1, x2, y2) in image pixels, as a session's lines.
    channel: 0 average ((r + g + b) / 3 in integers), 1 red, 2 green, 3 blue.
    width: odd, 1 to 51 pixels across the line averaged into each sample.
    smoothing: None, "moving-average" or "gaussian" over smooth_width (odd, 3 to 51) samples.
    whole_line: walk the whole line rather than its first steps, as the session's wholeLine.
    bilinear: read between pixels along the straight line, as a caliper rule's bilinear.

    Returns uint8 (8-bit pictures) or uint16 (16-bit) samples for width 1 without smoothing,
    else float64: each the nearest double to the exact mean the rules compare.
    """
    line = [int(v) for v in line]
    if len(line) != 4:
        raise ValueError(f"a line is four numbers, x1, y1, x2, y2, not {len(line)}")
    try:
        kind = _SMOOTHING[smoothing] if not isinstance(smoothing, int) else smoothing
    except KeyError:
        raise ValueError(f"smoothing must be None, 'moving-average' or 'gaussian', "
                         f"not {smoothing!r}") from None
    return _quandrel._profile(_os.fspath(image), line, int(channel),
                              int(width), kind, int(smooth_width), bool(whole_line),
                              bool(bilinear), -1 if frame is None else int(frame))


def detect(profile, rule, sub_pixel=False, previous=None, window=None):
    """The edge on a profile under a rule, by the program's own rules.

    A plain rule (0 "minimum", 1 "maximum", 2 "steepest-fall", 3 "steepest-rise") reads
    whole-number samples (profile() with width 1 and no smoothing) and returns
    {"index": the edge's sample, "position": the sub-pixel edge with sub_pixel=True, else None}.

    A caliper rule is a dict as in a session's lineRules ({"kind": "edge", "polarity":
    "rising", "select": "first", "sigma": 1.5, ...}; keys left out take their defaults). It reads
    the samples as float64 and returns {"status": "ok" | "weak" | "ambiguous" | "fit-failed" |
    "at-line-end" | "not-found" | "lost", "found", "rule" (in words), "edge": {"pos", "contrast",
    "sigma", "residual"}, "second" (a pair's second edge, else None), "width" (a pair's, in
    samples), "noise", "ratio", "candidates": [(index, response), ...]}. previous: the edge on
    the image before, for select "nearest"; window: (centre, half) of a line that follows its
    edge.
    """
    import numpy as np
    samples = np.asarray(profile)
    rule_json = _json.dumps(rule) if isinstance(rule, dict) else None
    return _quandrel._detect(samples, rule, rule_json, bool(sub_pixel),
                             None if previous is None else float(previous),
                             None if window is None else [float(v) for v in window])
