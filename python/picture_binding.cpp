// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures, profiles and edges from Python: the program's decoder, sampler and edge rules,
// called one at a time.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "model/caliper.h"
#include "model/caliper_words.h"
#include "model/edge_detect.h"
#include "model/line_profile.h"
#include "model/scan.h"
#include "picture/picture.h"
#include "python/module_support.h"
#include "session/session_rules.h"
#include "session/session_values.h"

namespace py = pybind11;

namespace {

void Load(CPicture& picture, const std::string& path, std::int64_t frame) {
    EnsurePictureReaders();
    CPicture::LoadResult loaded;
    {
        py::gil_scoped_release released;
        loaded = picture.Load(path, frame);
    }
    const std::string reason = loaded.reason.toStdString();
    switch (loaded.status) {
        case CPicture::LoadStatus::Ok:
            return;
        case CPicture::LoadStatus::CannotOpen:
            RaiseOsError(path + ": cannot be opened: " + reason);
        case CPicture::LoadStatus::CannotDecode:
            RaiseOsError(path + ": cannot be decoded: " + reason);
        case CPicture::LoadStatus::OutOfMemory:
            PyErr_SetString(PyExc_MemoryError, (path + ": " + reason).c_str());
            throw py::error_already_set();
    }
}

// The samples as the picture holds them: 8-bit pictures as (H, W, 3) uint8 red, green, blue
// (every 8-bit picture is held as colour); 16-bit grey as (H, W) uint16; 16-bit colour as
// (H, W, 3) uint16.
py::array ReadPicture(const std::string& path, std::int64_t frame) {
    CPicture picture;
    Load(picture, path, frame);
    const PixelView view = picture.View();
    const auto h = static_cast<py::ssize_t>(view.height);
    const auto w = static_cast<py::ssize_t>(view.width);
    if (view.format == PixelFormat::Grey16) {
        py::array_t<std::uint16_t> out({h, w});
        for (int y = 0; y < view.height; ++y) {
            std::memcpy(out.mutable_data(y, 0), view.bits + y * view.stride,
                        static_cast<std::size_t>(view.width) * 2);
        }
        return out;
    }
    const auto fill = [&view](auto& out) {
        auto at = out.template mutable_unchecked<3>();
        for (int y = 0; y < view.height; ++y) {
            for (int x = 0; x < view.width; ++x) {
                const SampleRgb s = view.SampleAt(x, y);
                using T = typename std::remove_reference_t<decltype(out)>::value_type;
                at(y, x, 0) = static_cast<T>(s.r);
                at(y, x, 1) = static_cast<T>(s.g);
                at(y, x, 2) = static_cast<T>(s.b);
            }
        }
    };
    if (view.format == PixelFormat::Rgba64) {
        py::array_t<std::uint16_t> out({h, w, py::ssize_t(3)});
        fill(out);
        return out;
    }
    py::array_t<std::uint8_t> out({h, w, py::ssize_t(3)});
    fill(out);
    return out;
}

EdgeOptions OptionsOf(int width, int smoothing, int smoothWidth, bool wholeLine, bool subPixel) {
    EdgeOptions options;
    options.lineWidth = width;
    options.smoothing = smoothing;
    options.smoothWidth = smoothWidth;
    options.wholeLine = wholeLine;
    options.subPixel = subPixel;
    if (!IsValidLineWidth(width)) throw py::value_error("width must be odd, 1 to 51");
    if (!IsValidSmoothing(smoothing)) throw py::value_error("smoothing must be 0, 1 or 2");
    if (!IsValidSmoothWidth(smoothWidth))
        throw py::value_error("smooth_width must be odd, 3 to 51");
    return options;
}

// The samples along the line as the edge rules read them: whole numbers at the picture's depth
// (uint8 or uint16) for one pixel per sample and no smoothing, float64 where a band, smoothing
// or reading between pixels makes them reals.
py::array Profile(const std::string& path, const std::array<int, 4>& ends, int channel, int width,
                  int smoothing, int smoothWidth, bool wholeLine, bool bilinear,
                  std::int64_t frame) {
    if (channel < 0 || channel > 3)
        throw py::value_error("channel must be 0 (average) to 3 (blue)");
    const EdgeOptions options = OptionsOf(width, smoothing, smoothWidth, wholeLine, false);
    if (ends[0] == ends[2] && ends[1] == ends[3]) {
        throw py::value_error("a line needs two different end points");
    }
    CPicture picture;
    Load(picture, path, frame);
    CScan line;
    line.m_nMaxSteps = options.MaxSteps();
    line.SetLine(ends[0], ends[1], ends[2], ends[3]);
    CaliperRule between;
    between.bilinear = true;
    const LineProfile profile = MeasureLineProfile(picture.View(), line, channel, kEdgeMinimum,
                                                   options, bilinear ? &between : nullptr);
    const auto n = static_cast<py::ssize_t>(profile.values.size());
    if (bilinear || !options.IsPlainProfile()) {
        return py::array_t<double>(n, profile.values.data());
    }
    const auto whole = [&](auto out) {
        using T = typename decltype(out)::value_type;
        auto at = out.template mutable_unchecked<1>();
        for (py::ssize_t i = 0; i < n; ++i) at(i) = static_cast<T>(profile.values[std::size_t(i)]);
        return py::array(out);
    };
    return profile.maxValue == 255 ? whole(py::array_t<std::uint8_t>(n))
                                   : whole(py::array_t<std::uint16_t>(n));
}

int PlainMode(const py::object& rule) {
    static const char* const kNames[] = {"minimum", "maximum", "steepest-fall", "steepest-rise"};
    if (py::isinstance<py::str>(rule)) {
        const std::string name = rule.cast<std::string>();
        for (int m = 0; m < 4; ++m) {
            if (name == kNames[m]) return m;
        }
    } else if (py::isinstance<py::int_>(rule)) {
        const int mode = rule.cast<int>();
        if (mode >= 0 && mode <= 3) return mode;
    }
    throw py::value_error(
        "a plain rule is 0 to 3 or minimum, maximum, steepest-fall or "
        "steepest-rise; a caliper rule is a dict as a session's lineRules");
}

py::dict EdgeDict(const CaliperEdge& edge) {
    py::dict out;
    out["pos"] = edge.pos;
    out["contrast"] = edge.contrast;
    out["sigma"] = edge.sigma;
    out["residual"] = edge.residual ? py::object(py::float_(*edge.residual)) : py::none();
    return out;
}

py::dict Caliper(const std::vector<double>& values, const std::string& ruleJson,
                 std::optional<double> previous, std::optional<std::array<double, 2>> window) {
    CaliperRule rule;
    try {
        const SessionValues reader("rule");
        rule = ReadRule(reader, nlohmann::json::parse(ruleJson), "rule");
    } catch (const SessionFailure& failure) {
        throw py::value_error(failure.message);
    } catch (const nlohmann::json::exception& e) {
        throw py::value_error(std::string("rule: ") + e.what());
    }
    std::optional<TrackWindow> track;
    if (window) track = TrackWindow{(*window)[0], (*window)[1]};
    const CaliperResult result = MeasureCaliper(values, rule, previous, track);
    py::dict out;
    out["status"] = CaliperStatusWord(result.status);
    out["found"] = result.Found();
    out["rule"] = CaliperWords(rule);
    out["edge"] = EdgeDict(result.edge);
    out["second"] = result.second ? py::object(EdgeDict(*result.second)) : py::none();
    out["width"] = result.second ? py::object(py::float_(result.widthSamples)) : py::none();
    out["noise"] = result.noise;
    out["ratio"] = result.ratio;
    py::list candidates;
    for (const CaliperCandidate& c : result.candidates) {
        candidates.append(py::make_tuple(c.index, c.response));
    }
    out["candidates"] = candidates;
    return out;
}

// A plain rule on whole-number samples, through the same buffer detection samples into.
py::dict Plain(const py::array_t<std::int64_t, py::array::forcecast>& samples, int mode,
               bool subPixel) {
    const py::ssize_t n = samples.size();
    ProfileBuffer buffer;
    buffer.Reserve(static_cast<int>(n - 1));
    auto at = samples.unchecked<1>();
    for (py::ssize_t i = 0; i < n; ++i) {
        if (at(i) < 0 || at(i) > 65535) {
            throw py::value_error("a plain rule reads samples of 0 to 65535");
        }
        const auto v = static_cast<int>(at(i));
        const auto k = static_cast<std::size_t>(i);
        buffer.m_nRed[k] = buffer.m_nGreen[k] = buffer.m_nBlue[k] = v;
    }
    buffer.m_nLastSample = static_cast<int>(n - 1);
    EdgeOptions options;
    options.subPixel = subPixel;
    const EdgeResult edge = FindEdge(buffer, static_cast<int>(n - 1), kChannelRed, mode, options);
    py::dict out;
    out["index"] = edge.index;
    out["position"] = edge.subPos >= 0.0 ? py::object(py::float_(edge.subPos)) : py::none();
    return out;
}

py::dict Detect(const py::array& profile, const py::object& rule, const py::object& ruleJson,
                bool subPixel, std::optional<double> previous,
                std::optional<std::array<double, 2>> window) {
    if (profile.ndim() != 1) throw py::value_error("a profile is a one-dimensional array");
    if (profile.size() < 1) throw py::value_error("the profile has no samples");
    if (profile.size() > (py::ssize_t(1) << 24)) throw py::value_error("the profile is too long");
    if (!ruleJson.is_none()) {
        return Caliper(profile.cast<std::vector<double>>(), ruleJson.cast<std::string>(), previous,
                       window);
    }
    const int mode = PlainMode(rule);
    const char kind = profile.dtype().kind();
    if (kind != 'u' && kind != 'i') {
        throw py::value_error(
            "a plain rule reads the picture's whole-number samples (uint8 or "
            "uint16 from profile() with width 1 and no smoothing)");
    }
    return Plain(profile, mode, subPixel);
}

}  // namespace

void BindPictures(py::module_& m) {
    m.def("_read_picture", &ReadPicture, py::arg("path"), py::arg("frame"));
    m.def("_profile", &Profile, py::arg("path"), py::arg("line"), py::arg("channel"),
          py::arg("width"), py::arg("smoothing"), py::arg("smooth_width"), py::arg("whole_line"),
          py::arg("bilinear"), py::arg("frame"));
    m.def("_detect", &Detect, py::arg("profile"), py::arg("rule"), py::arg("rule_json"),
          py::arg("sub_pixel"), py::arg("previous"), py::arg("window"));
}
