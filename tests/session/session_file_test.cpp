// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/session_file.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A valid session with the given text spliced in before "lines", so that a case can add or
// override one key (later keys win in the parser).
std::string With(const std::string& extra, const std::string& images = R"(["a.bmp"])") {
    return R"({"quandrel-session": 1, )" + extra + R"( "lines": [[0, 0, 10, 5], [3, 4, 3, 40]],
              "images": )" +
           images + "}";
}

// The same for version 2, whose extra keys go in `extra` as well.
std::string With2(const std::string& extra, const std::string& images = R"(["a.bmp"])") {
    return R"({"quandrel-session": 2, )" + extra + R"( "lines": [[0, 0, 10, 5], [3, 4, 3, 40]],
              "images": )" +
           images + "}";
}

SessionResult Parse(const std::string& text) {
    return ParseSession(text, "s.json", "/data/run");
}

TEST(SessionFile, ReadsEveryFieldAndResolvesPaths) {
    const std::string text = R"({
      // comments are allowed
      "quandrel-session": 1, "channel": 2, "edgeMode": 3,
      "measureLength": true, "measureArea": false,
      "lines": [[10, 20, 110, 20], [-5, 2147483647, 7, -2147483648]],
      "axis": {"origin": {"pixel": [1, 2], "value": [0.5, -1e3]},
               "xAxis": {"pixel": [100, 2]}, "logY": true},
      "images": ["a.bmp", "/abs/b.jpg",
                 {"path": "sub/c.gif", "cursors": [null, 7],
                  "axis": {"logX": true}}]
    })";
    const SessionResult r = Parse(text);
    ASSERT_TRUE(r.session) << r.error;
    const Session& s = *r.session;
    EXPECT_EQ(s.channel, 2);
    EXPECT_EQ(s.edgeMode, 3);
    EXPECT_TRUE(s.measureLength);
    EXPECT_FALSE(s.measureArea);
    ASSERT_EQ(s.lines.size(), 2u);
    EXPECT_EQ(s.lines[1], (std::array<int, 4>{-5, 2147483647, 7, -2147483648}));

    // Parts of a calibration that are left out keep the default's.
    CDataAxis axis;
    axis.m_origin = {0.5, -1e3, 1, 2};
    axis.m_xAxis.m_xPixel = 100;
    axis.m_xAxis.m_yPixel = 2;
    axis.m_bLogY = true;
    EXPECT_EQ(s.axis, axis);

    ASSERT_EQ(s.images.size(), 3u);
    EXPECT_EQ(s.images[0].path, "/data/run/a.bmp");
    EXPECT_FALSE(s.images[0].axis);
    EXPECT_TRUE(s.images[0].cursors.empty());
    EXPECT_EQ(s.images[1].path, "/abs/b.jpg");
    EXPECT_EQ(s.images[2].path, "/data/run/sub/c.gif");
    ASSERT_TRUE(s.images[2].axis);
    CDataAxis own;
    own.m_bLogX = true;
    EXPECT_EQ(*s.images[2].axis, own);
    ASSERT_EQ(s.images[2].cursors.size(), 2u);
    EXPECT_EQ(s.images[2].cursors[0], SessionCursor::Pending());
    EXPECT_EQ(s.images[2].cursors[1], SessionCursor::Kept(7));
}

TEST(SessionFile, DefaultsWhenOptionalKeysAreAbsent) {
    const SessionResult r = Parse(With(""));
    ASSERT_TRUE(r.session) << r.error;
    EXPECT_EQ(r.session->channel, 0);
    EXPECT_EQ(r.session->edgeMode, 0);
    EXPECT_FALSE(r.session->measureLength);
    EXPECT_FALSE(r.session->measureArea);
    EXPECT_EQ(r.session->axis, CDataAxis());
    // What a version 1 session gives the window: its first image, no line, zoom 1, the
    // panel's defaults.
    EXPECT_TRUE(r.session->autoDetect);
    EXPECT_FALSE(r.session->axisPerImage);
    EXPECT_EQ(r.session->view, (SessionView{0, -1, 1}));
}

TEST(SessionFile, ReadsVersionTwo) {
    const SessionResult r = Parse(R"({
      "quandrel-session": 2, "channel": 1, "edgeMode": 2, "autoDetect": false,
      "axisPerImage": true, "lines": [[0, 0, 10, 5], [3, 4, 3, 40], [9, 9, 0, 0]],
      "images": [{"path": "a.bmp", "cursors": [7, null, {"pending": 4}]},
                 {"path": "/b.bmp", "cursors": [0, {"pending": 0}, 9]}, "c.bmp"],
      "view": {"image": 2, "line": 1, "zoom": 4}
    })");
    ASSERT_TRUE(r.session) << r.error;
    const Session& s = *r.session;
    EXPECT_EQ(s.channel, 1);
    EXPECT_EQ(s.edgeMode, 2);
    EXPECT_FALSE(s.autoDetect);
    EXPECT_TRUE(s.axisPerImage);
    EXPECT_EQ(s.view, (SessionView{2, 1, 4}));
    ASSERT_EQ(s.images.size(), 3u);
    using C = SessionCursor;
    EXPECT_EQ(s.images[0].cursors, (std::vector<C>{C::Kept(7), C::Pending(), C::Pending(4)}));
    EXPECT_EQ(s.images[1].cursors, (std::vector<C>{C::Kept(0), C::Pending(), C::Kept(9)}));
    EXPECT_TRUE(s.images[2].cursors.empty());
    EXPECT_EQ(s.images[1].path, "/b.bmp");

    // How each cursor came there: kept where the file does not say, placed by hand, or detected
    // under one of the listed settings (by letter, or by number past the letters), with its
    // sub-pixel edge.
    const SessionResult found = Parse(R"({"quandrel-session": 2, "edgeMode": 3,
        "detections": [{"channel": 0, "edgeMode": 3, "subPixel": true}, {"channel": 2,
        "edgeMode": 1, "smoothing": 2, "smoothWidth": 7}],
        "lines": [[0, 0, 10, 5], [3, 4, 3, 40], [9, 9, 0, 0]],
        "images": [{"path": "a", "cursors": [4, 8, null], "found": "+0.", "subPos": [null, 7.5, null]},
                   {"path": "b", "cursors": [4, 8, 2], "found": [1, -1, -2]}]})");
    ASSERT_TRUE(found.session) << found.error;
    const Session& f = *found.session;
    ASSERT_EQ(f.detections.size(), 2u);
    EXPECT_EQ(f.detections[1], (DetectionSettings{2, 1, {false, 1, kSmoothGaussian, 7}, {}}));
    const auto cursor = [](int pos, CursorOrigin origin, std::uint32_t with = 0, double sub = -1) {
        C c = C::Kept(pos);
        c.origin = origin;
        c.found = with;
        c.subPos = sub;
        return c;
    };
    EXPECT_EQ(f.images[0].cursors,
              (std::vector<C>{cursor(4, CursorOrigin::Placed),
                              cursor(8, CursorOrigin::Detected, 0, 7.5), C::Pending()}));
    EXPECT_EQ(f.images[1].cursors,
              (std::vector<C>{cursor(4, CursorOrigin::Detected, 1), C::Kept(8),
                              cursor(2, CursorOrigin::Placed)}));

    // Measured whole, a long line has a cursor wherever along it.
    const SessionResult whole = Parse(R"({"quandrel-session": 2, "wholeLine": true,
        "lines": [[0, 0, 2000, 0]], "images": [{"path": "a", "cursors": [2000]}]})");
    ASSERT_TRUE(whole.session) << whole.error;
    EXPECT_EQ(whole.session->images[0].cursors[0], SessionCursor::Kept(2000));

    // The window saves its work before any line is drawn, and before any image is added.
    for (const char* text : {R"({"quandrel-session": 2, "lines": [], "images": ["a.bmp"]})",
                             R"({"quandrel-session": 2, "lines": [], "images": []})"}) {
        const SessionResult empty = Parse(text);
        ASSERT_TRUE(empty.session) << text << ": " << empty.error;
        EXPECT_EQ(empty.session->view.image, empty.session->images.empty() ? -1 : 0);
    }
}

// Every zoom the window shows is kept; the steps older files hold keep their meaning.
TEST(SessionFile, ReadsEveryZoomOfTheWindow) {
    const struct {
        const char* zoom;
        double read;
    } cases[] = {{"0.25", 0.25}, {"0.5", 0.5}, {"1", 1},         {"2", 2},
                 {"4", 4},       {"4.0", 4},   {"2.5e-1", 0.25}, {"\"fit\"", kZoomFitted}};
    for (const auto& c : cases) {
        const SessionResult r = Parse(With2(std::string(R"("view": {"zoom": )") + c.zoom + "},"));
        ASSERT_TRUE(r.session) << c.zoom << ": " << r.error;
        EXPECT_EQ(r.session->view.zoom, c.read) << c.zoom;
    }
}

TEST(SessionFile, RelativePathsStayRelativeWithoutAFolder) {
    const SessionResult r = ParseSession(With(""), "s.json", "");
    ASSERT_TRUE(r.session) << r.error;
    EXPECT_EQ(r.session->images[0].path, "a.bmp");
}

TEST(SessionFile, RejectsBadInputNamingTheFileAndField) {
    struct Case {
        std::string text;
        std::string message;  // the whole message must contain this
    };
    const Case cases[] = {
        {"{\"quandrel-session\": 1,\n  \"channel\": 0 \"lines\": []}",
         "s.json:2:22: not valid JSON"},
        {"", "s.json:1:1: not valid JSON"},
        {"[1, 2]", "s.json: expected a JSON object"},
        {R"({"lines": [[0, 0, 1, 1]], "images": ["a.bmp"]})", "s.json: not a session file"},
        {R"({"quandrel-session": 5})", "s.json: quandrel-session: expected 1"},
        {R"({"quandrel-session": "1"})", "s.json: quandrel-session: expected 1"},
        {With(R"("channel": "1",)"), "s.json: channel: expected an integer from 0 to 3"},
        {With(R"("channel": 4,)"), "s.json: channel: expected an integer from 0 to 3"},
        {With(R"("channel": 1.0,)"), "s.json: channel: expected an integer"},
        {With(R"("edgeMode": -1,)"), "s.json: edgeMode: expected an integer from 0 to 3"},
        {With(R"("measureArea": 1,)"), "s.json: measureArea: expected true or false"},
        {With(R"("axis": {"logX": "no"},)"), "s.json: axis.logX: expected true or false"},
        {With(R"("axis": {"origin": {"pixel": [1, 2.5]}},)"), "s.json: axis.origin.pixel[1]:"},
        {With(R"("axis": {"yAxis": {"value": [0, "1"]}},)"),
         "s.json: axis.yAxis.value[1]: expected a number"},
        {With(R"("axis": {"xAxis": {"pixel": [1]}},)"),
         "s.json: axis.xAxis.pixel: expected [x, y]"},
        {With(R"("axis": [],)"), "s.json: axis: expected an object"},
        {R"({"quandrel-session": 1, "images": ["a.bmp"]})", "s.json: no scan lines"},
        {R"({"quandrel-session": 1, "lines": [], "images": ["a.bmp"]})", "s.json: no scan lines"},
        {R"({"quandrel-session": 1, "lines": {}, "images": ["a.bmp"]})",
         "s.json: lines: expected an array"},
        {R"({"quandrel-session": 1, "lines": [[0, 0, 5, 5], [1, 2, 3]], "images": ["a.bmp"]})",
         "s.json: lines[1]: expected an array of 4 integers"},
        {R"({"quandrel-session": 1, "lines": [[0, 0, 5, 2147483648]], "images": ["a.bmp"]})",
         "s.json: lines[0][3]: expected an integer from -2147483648 to 2147483647"},
        {R"({"quandrel-session": 1, "lines": [[0, -2147483649, 5, 1]], "images": ["a.bmp"]})",
         "s.json: lines[0][1]: expected an integer"},
        {R"({"quandrel-session": 1, "lines": [[7, 8, 7, 8]], "images": ["a.bmp"]})",
         "s.json: lines[0]: the two ends are the same point"},
        {R"({"quandrel-session": 1, "lines": [[0, 0, 5, 5]]})", "s.json: no \"images\""},
        {With("", "[]"), "s.json: images: no images"},
        {With("", R"("a.bmp")"), "s.json: images: expected an array"},
        {With("", R"(["a.bmp", 3])"), "s.json: images[1]: expected a path"},
        {With("", R"(["a.bmp", ""])"), "s.json: images[1]: expected a non-empty path"},
        {With("", R"([{"cursors": []}])"), "s.json: images[0]: the image has no \"path\""},
        {With("", R"([{"path": 5}])"), "s.json: images[0].path: expected a non-empty path"},
        {With("", R"(["a", "b", {"path": "c", "cursors": [1, "2"]}])"),
         "s.json: images[2].cursors[1]: expected an integer or null"},
        {With("", R"([{"path": "c", "cursors": [1.5]}])"),
         "s.json: images[0].cursors[0]: expected an integer or null"},
        {With("", R"([{"path": "c", "cursors": [1, null, 3]}])"),
         "s.json: images[0].cursors: 3 entries for 2 scan lines"},
        {With("", R"([{"path": "c", "cursors": 1}])"),
         "s.json: images[0].cursors: expected an array"},
        {With("", R"([{"path": "c", "axis": {"origin": 0}}])"),
         "s.json: images[0].axis.origin: expected an object"},
        // A misspelt key would leave its default in place: refused at every level.
        {With(R"("chanel": 2,)"), "s.json: chanel: unknown key"},
        {With(R"("axis": {"orgin": {}},)"), "s.json: axis.orgin: unknown key"},
        {With(R"("axis": {"origin": {"pixle": [1, 2]}},)"),
         "s.json: axis.origin.pixle: unknown key"},
        {With("", R"([{"path": "c", "cursor": [1]}])"), "s.json: images[0].cursor: unknown key"},
        {With("", R"([{"path": "c", "axis": {"logx": true}}])"),
         "s.json: images[0].axis.logx: unknown key"},
        {With(R"("a\u0000b": 1,)"), "s.json: a\\u0000b: unknown key"},
        // The name would end at the NUL, and another file would be read.
        {With("", R"(["a.bmp\u0000.txt"])"), "s.json: images[0]: the path holds a NUL byte"},
        {With("", R"([{"path": "a.bmp\u0000.txt"}])"),
         "s.json: images[0].path: the path holds a NUL byte"},
        {R"({"quandrel-session": 5})", "a newer program wrote this file"},
        {R"({"quandrel-session": 0})", "s.json: quandrel-session: expected 1, 2, 3 or 4"},
        {R"({"quandrel-session": 2.0})", "s.json: quandrel-session: expected 1, 2, 3 or 4"},
        // The window's keys belong to version 2 only; version 1 keeps its own.
        {With(R"("view": {"zoom": 2},)"), "s.json: view: unknown key"},
        {With(R"("autoDetect": true,)"), "s.json: autoDetect: unknown key"},
        {With("", R"([{"path": "c", "cursors": [{"pending": 3}]}])"),
         "s.json: images[0].cursors[0]: expected an integer or null"},
        {With2(R"("views": {},)"), "s.json: views: unknown key"},
        {With2(R"("autoDetect": 1,)"), "s.json: autoDetect: expected true or false"},
        {With2(R"("axisPerImage": "yes",)"), "s.json: axisPerImage: expected true or false"},
        {R"({"quandrel-session": 2, "images": []})", "s.json: no \"lines\" list"},
        {R"({"quandrel-session": 2, "lines": []})", "s.json: no \"images\" list"},
        {With2("", "[]"), "s.json: images: no images"},
        {With2(R"("view": [],)"), "s.json: view: expected an object"},
        {With2(R"("view": {"image": 1},)"),
         "s.json: view.image: expected an integer from -1 to 0 (-1 for none): the session has 1 "
         "image"},
        {With2(R"("view": {"image": -2},)"), "s.json: view.image: expected an integer from -1"},
        {With2(R"("view": {"line": 2},)"),
         "s.json: view.line: expected an integer from -1 to 1 (-1 for none): the session has 2 "
         "scan lines"},
        {With2(R"("view": {"zoom": 3},)"), "s.json: view.zoom: expected 0.25, 0.5, 1, 2, 4"},
        {With2(R"("view": {"zoom": 8},)"), "s.json: view.zoom: expected 0.25, 0.5, 1, 2, 4"},
        {With2(R"("view": {"zoom": "2"},)"), "s.json: view.zoom: expected 0.25, 0.5, 1, 2, 4"},
        {With2(R"("view": {"zoom": 0},)"), "s.json: view.zoom: expected 0.25, 0.5, 1, 2, 4"},
        {With2(R"("view": {"zoom": 0.3},)"), "s.json: view.zoom: expected 0.25, 0.5, 1, 2, 4"},
        {With2(R"("view": {"zoom": "Fit"},)"), "s.json: view.zoom: expected 0.25, 0.5, 1, 2, 4"},
        {With2(R"("view": {"zoom": true},)"), "s.json: view.zoom: expected 0.25, 0.5, 1, 2, 4"},
        {With2(R"("view": {"zoom": 2, "scroll": [0, 0]},)"), "s.json: view.scroll: unknown key"},
        // Version 2 gives every line's cursor: a short list lost lines somewhere.
        {With2("", R"([{"path": "c", "cursors": [1]}])"),
         "s.json: images[0].cursors: 1 entry for 2 scan lines"},
        {With2("", R"(["b", {"path": "c", "cursors": [1, 2, null]}])"),
         "s.json: images[1].cursors: 3 entries for 2 scan lines"},
        {With2("", R"([{"path": "c", "cursors": [1, "x"]}])"),
         "s.json: images[0].cursors[1]: expected an integer, null or {\"pending\": position}"},
        {With2("", R"([{"path": "c", "cursors": [1, {}]}])"),
         "s.json: images[0].cursors[1]: expected an integer, null or"},
        {With2("", R"([{"path": "c", "cursors": [{"pending": 1.5}, 1]}])"),
         "s.json: images[0].cursors[0].pending: expected an integer from 0 to 10"},
        // A cursor off its line would be put on the line's end without a word.
        {With("", R"([{"path": "c", "cursors": [11]}])"),
         "s.json: images[0].cursors[0]: expected an integer from 0 to 10, a sample of scan line 1"},
        {With("", R"([{"path": "c", "cursors": [0, -1]}])"),
         "s.json: images[0].cursors[1]: expected an integer from 0 to 36, a sample of scan line 2"},
        {With2("", R"([{"path": "c", "cursors": [10, {"pending": 37}]}])"),
         "s.json: images[0].cursors[1].pending: expected an integer from 0 to 36"},
        // A long line is measured over its first 1,024 samples unless the session says whole.
        {R"({"quandrel-session": 2, "lines": [[0, 0, 2000, 0]],
             "images": [{"path": "a", "cursors": [1500]}]})",
         "s.json: images[0].cursors[0]: expected an integer from 0 to 1023"},
        // A second value would silently replace the first.
        {With("", R"(["a"], "images": ["b"])"), "s.json: images: the key is given twice"},
        {With("", R"([{"path": "a", "path": "b"}])"),
         "s.json: images[0].path: the key is given twice"},
        {With(R"("axis": {"logX": true, "logX": false},)"),
         "s.json: axis.logX: the key is given twice"},
        {With2(R"("view": {"zoom": 2, "zoom": 4},)"), "s.json: view.zoom: the key is given twice"},
        // The shape is checked as the text is read: too many elements are refused with the
        // reader's own messages, whatever follows.
        {R"({"quandrel-session": 1, "lines": [[0, 0, 5, 5, 6]], "images": ["a.bmp"]})",
         "s.json: lines[0]: expected an array of 4 integers"},
        {With(R"("axis": {"origin": {"pixel": [1, 2, [3]]}},)"),
         "s.json: axis.origin.pixel: expected [x, y]"},
        {With(R"("channel": {"x": [1, 2]},)"), "s.json: channel: expected an integer from 0 to 3"},
        {With("", R"([["a.bmp"]])"), "s.json: images[0]: expected a path or an object"},
        {With("", R"([{"path": "c", "cursors": [1, null, 3, 4, 5]}])"),
         "s.json: images[0].cursors: 5 entries for 2 scan lines"},
        // An unknown key before the version is held back: the version decides the message.
        {R"({"x": [{}, {}], "quandrel-session": 2, "lines": [], "images": []})",
         "s.json: x: unknown key"},
        {R"({"x": [{}, {}], "quandrel-session": 5, "lines": [], "images": []})",
         "s.json: quandrel-session: expected 1, 2, 3 or 4, the versions this program reads; a newer "
         "program wrote this file"},
        {R"({"quandrel-session": 5, "x": 1, "lines": {"y": 2})", "a newer program wrote this file"},
        {R"({"x": [{}, {}], "lines": [], "images": []})", "s.json: not a session file"},
        {With2("", R"([{"path": "c", "cursors": [{"pendng": 1}, 1]}])"),
         "s.json: images[0].cursors[0].pendng: unknown key"},
        {With2("", R"([{"path": "c", "cursors": {}}])"),
         "s.json: images[0].cursors: expected an array"},
        {With2("", R"([{"path": "c", "curser": []}])"), "s.json: images[0].curser: unknown key"},
        {With2("", R"([{"path": "c", "axis": {"logx": true}}])"),
         "s.json: images[0].axis.logx: unknown key"},
        {With2("", R"([""])"), "s.json: images[0]: expected a non-empty path"},
        // How each cursor came there: what cannot be, or is not said in full, is refused.
        {With2(R"("detections": [{"channel": 0}],)", R"([{"path": "c", "cursors": [1, 2],
             "found": "0"}])"), "s.json: images[0].found: 1 character for 2 scan lines"},
        {With2(R"("detections": [{"channel": 0}],)", R"([{"path": "c", "cursors": [1, 2],
             "found": "01"}])"),
         "s.json: images[0].found[1]: detection settings 1, but the session lists 1 entry"},
        {With2("", R"([{"path": "c", "cursors": [1, 2], "found": ".*"}])"),
         "s.json: images[0].found[1]: expected \".\", \"+\", a digit or a letter"},
        {With2("", R"([{"path": "c", "cursors": [1, null], "found": ".+"}])"),
         "s.json: images[0].found[1]: a cursor still to detect was neither placed nor detected"},
        {With2("", R"([{"path": "c", "cursors": [1, 2], "found": [-1, -3]}])"),
         "s.json: images[0].found[1]: expected -1 (kept), -2 (placed by hand)"},
        {With2("", R"([{"path": "c", "cursors": [1, 2], "found": "++", "subPos": [1.5, null]}])"),
         "s.json: images[0].subPos[0]: only a cursor detected with sub-pixel placement"},
        {With2(R"("detections": [{"subPixel": false}],)",
               R"([{"path": "c", "cursors": [1, 2], "found": "0.", "subPos": [1.5, null]}])"),
         "s.json: images[0].subPos[0]: only a cursor detected with sub-pixel placement"},
        {With2(R"("detections": [{"subPixel": true}],)", R"([{"path": "c", "cursors": [1, 2],
             "found": "0.", "subPos": [2.5, null]}])"),
         "s.json: images[0].subPos[0]: expected a position within one sample of the cursor's"},
        {With2(R"("detections": [{"edgeMod": 1}],)"), "s.json: detections[0].edgeMod: unknown key"},
        {With2(R"("detections": [{"lineWidth": 4}],)"),
         "s.json: detections[0].lineWidth: expected an odd number"},
        {With2(R"("detections": {},)"), "s.json: detections: expected an array"},
        {With("", R"([{"path": "c", "cursors": [1, 2], "found": ".."}])"),
         "s.json: images[0].found: unknown key"},
    };
    for (const Case& c : cases) {
        const SessionResult r = Parse(c.text);
        EXPECT_FALSE(r.session) << c.text;
        EXPECT_NE(r.error.find(c.message), std::string::npos)
            << "text: " << c.text << "\nerror: " << r.error << "\nwanted: " << c.message;
    }
}

// Sessions that name so many images and lines that the records would not fit in memory are
// refused before any is built, with what they would need.
TEST(SessionFile, RefusesSessionsTooLargeToMeasure) {
    const auto session = [](int images, int lines) {
        std::string text = R"({"quandrel-session": 1, "lines": [)";
        for (int k = 0; k < lines; ++k) text += k ? ",[0,0,1,1]" : "[0,0,1,1]";
        text += R"(], "images": [)";
        for (int k = 0; k < images; ++k) text += k ? ",\"a\"" : "\"a\"";
        return text + "]}";
    };
    struct Case {
        int images;
        int lines;
        std::string error;  // empty: accepted
    };
    const Case cases[] = {
        {1000, 10000, ""},  // 10,000,000 lines in all, the most measured
        {1000, 10001,
         "s.json: the session has 1000 images x 10001 lines: it would need about 1.7 GiB of "
         "memory; at most 10000000 lines in all are measured"},
        {1000000, 1, ""},
        {1000001, 1,
         "s.json: images: the session has 1000001 images: it would need about 0.9 GiB of "
         "memory; at most 1000000 images are measured"},
    };
    for (const Case& c : cases) {
        const SessionResult r = Parse(session(c.images, c.lines));
        EXPECT_EQ(r.error, c.error) << c.images << " x " << c.lines;
        EXPECT_EQ(r.session.has_value(), c.error.empty());
    }
}

TEST(SessionFile, TheShippedSessionsParse) {
    for (const char* path :
         {QUANDREL_EXAMPLES_DIR "/session.json", QUANDREL_TEST_DATA_DIR "/../e2e/session.json",
          QUANDREL_TEST_DATA_DIR "/../../fuzz/corpus/session/example.json",
          QUANDREL_TEST_DATA_DIR "/../../fuzz/corpus/session/minimal.json",
          QUANDREL_EXAMPLES_DIR "/session-v2.json",
          QUANDREL_TEST_DATA_DIR "/../../fuzz/corpus/session/v2-example.json",
          QUANDREL_TEST_DATA_DIR "/../../fuzz/corpus/session/v2-empty.json",
          QUANDREL_TEST_DATA_DIR "/../../fuzz/corpus/session/v2-states.json",
          QUANDREL_TEST_DATA_DIR "/../../fuzz/corpus/session/v2-no-lines.json"}) {
        const SessionResult r = LoadSession(path);
        EXPECT_TRUE(r.session) << r.error;
    }
}

TEST(SessionFile, LoadNamesAFileThatCannotBeRead) {
    const SessionResult missing = LoadSession("/nonexistent/folder/s.json");
    EXPECT_FALSE(missing.session);
    EXPECT_EQ(missing.error,
              "/nonexistent/folder/s.json: cannot be read: No such file or directory");
    const SessionResult folder = LoadSession(QUANDREL_TEST_DATA_DIR);
    EXPECT_FALSE(folder.session);
    EXPECT_NE(folder.error.find("it is a folder"), std::string::npos) << folder.error;
}

}  // namespace
