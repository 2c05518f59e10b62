// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "session/session_file.h"
#include "session/session_write.h"

namespace {

std::string Session4(const std::string& images) {
    return R"({"quandrel-session": 4, "lines": [[0, 0, 10, 5]], "images": )" + images + "}";
}

struct Entry {
    std::string path;
    std::int64_t frame;
    friend bool operator==(const Entry&, const Entry&) = default;
};

std::vector<Entry> Entries(const Session& s) {
    std::vector<Entry> out;
    for (const SessionImage& image : s.images) out.push_back({image.path, image.frame});
    return out;
}

TEST(SessionFrames, ReadsFramesAndRangesAndRefusesBadOnesByName) {
    struct Case {
        std::string images;
        std::vector<Entry> entries;  // when read
        std::string message = {};    // else: contained in the message
    };
    const Case cases[] = {
        {R"([{"path": "v.mp4", "frame": 1234}, "a.bmp"])",
         {{"/d/v.mp4", 1234}, {"/d/a.bmp", -1}}},
        // Last inclusive when the step reaches it, and not when it does not.
        {R"([{"path": "v.mp4", "frames": [0, 20, 10]}])",
         {{"/d/v.mp4", 0}, {"/d/v.mp4", 10}, {"/d/v.mp4", 20}}},
        {R"([{"path": "v.mp4", "frames": [3, 9, 4]}])", {{"/d/v.mp4", 3}, {"/d/v.mp4", 7}}},
        {R"([{"path": "s.tif", "frames": [5, 5, 1]}])", {{"/d/s.tif", 5}}},
        {R"([{"path": "v.mp4", "frame": -1}])", {}, "s.json: images[0].frame: expected a page"},
        {R"([{"path": "v.mp4", "frame": 1.5}])", {}, "s.json: images[0].frame: expected a page"},
        {R"([{"path": "v.mp4", "frames": [0, 9, 0]}])", {},
         "s.json: images[0].frames[2]: the step is 0"},
        {R"([{"path": "v.mp4", "frames": [9, 3, 1]}])", {},
         "s.json: images[0].frames: the last frame, 3, comes before the first, 9"},
        {R"([{"path": "v.mp4", "frames": [0, 9]}])", {},
         "s.json: images[0].frames: expected [first, last, step]"},
        {R"([{"path": "v.mp4", "frames": [0, 1, 2, 3, 4]}])", {},
         "s.json: images[0].frames: expected [first, last, step]"},
        {R"([{"path": "v.mp4", "frames": [-2, 9, 1]}])", {},
         "s.json: images[0].frames[0]: expected a page"},
        {R"([{"path": "v.mp4", "frame": 1, "frames": [0, 9, 1]}])", {},
         "s.json: images[0]: both \"frame\" and \"frames\""},
        // A short range may name more entries than a session may hold.
        {R"([{"path": "v.mp4", "frames": [0, 999999, 1]}, {"path": "v.mp4", "frame": 0}])", {},
         "s.json: images[1]: one image more than the session may hold"},
        {R"([{"path": "v.mp4", "frames": [0, 99999, 1]}, {"path": "v.mp4", "frames": [0, 9e5, 1]}])",
         {}, "s.json: images[1].frames[1]: expected a page"},
        {R"([{"path": "v.mp4", "frames": [0, 1, 1]}, {"path": "v.mp4", "frames": [0, 999998, 1]}])",
         {}, "s.json: images[1].frames: expands to 999999 entries, and the session to 1000001"},
        {R"([{"path": "v.mp4", "frames": [0, 9000000000000, 1]}])", {},
         "s.json: images[0].frames: expands to 9000000000001 entries"},
    };
    for (const Case& c : cases) {
        const SessionResult r = ParseSession(Session4(c.images), "s.json", "/d");
        if (!c.entries.empty()) {
            ASSERT_TRUE(r.session) << c.images << ": " << r.error;
            EXPECT_EQ(Entries(*r.session), c.entries) << c.images;
        } else {
            EXPECT_FALSE(r.session) << c.images;
            EXPECT_NE(r.error.find(c.message), std::string::npos) << c.images << ": " << r.error;
        }
    }
    // Frames belong to version 4: an older file with them was not written by this program.
    const SessionResult old = ParseSession(
        R"({"quandrel-session": 3, "lines": [[0, 0, 10, 5]], "images": [{"path": "v", "frame": 1}]})",
        "s.json", "/d");
    EXPECT_NE(old.error.find("images[0].frame: unknown key"), std::string::npos) << old.error;
}

TEST(SessionFrames, RunsAtAConstantStepAreWrittenAsRangesAndReadBackEntryForEntry) {
    struct Case {
        std::vector<Entry> entries;
        std::string written;  // the images as written, each after "    "
    };
    const Case cases[] = {
        {{{"/r/v.mp4", 0}, {"/r/v.mp4", 10}, {"/r/v.mp4", 20}, {"/r/v.mp4", 30}},
         R"({"path": "v.mp4", "frames": [0, 30, 10]})"},
        // Two read better as two; a change of step starts a new run.
        {{{"/r/v.mp4", 4}, {"/r/v.mp4", 5}},
         R"({"path": "v.mp4", "frame": 4}|{"path": "v.mp4", "frame": 5})"},
        {{{"/r/s.tif", 0}, {"/r/s.tif", 1}, {"/r/s.tif", 2}, {"/r/s.tif", 4}, {"/r/s.tif", 6},
          {"/r/s.tif", 8}},
         R"({"path": "s.tif", "frames": [0, 2, 1]}|{"path": "s.tif", "frames": [4, 8, 2]})"},
        // Another file, a picture between, or frames going back each end a run.
        {{{"/r/s.tif", 0}, {"/r/s.tif", 1}, {"/r/s.tif", 2}, {"/r/a.bmp", -1}, {"/r/s.tif", 3},
          {"/r/t.tif", 4}, {"/r/t.tif", 3}},
         R"({"path": "s.tif", "frames": [0, 2, 1]}|{"path": "a.bmp"}|{"path": "s.tif", "frame": 3}|)"
         R"({"path": "t.tif", "frame": 4}|{"path": "t.tif", "frame": 3})"},
    };
    for (const Case& c : cases) {
        Session s;
        s.lines = {{0, 0, 10, 5}};
        for (const Entry& e : c.entries) {
            SessionImage& image = s.images.emplace_back();
            image.path = e.path;
            image.frame = e.frame;
        }
        const SessionText text = SessionToText(s, "/r/s.json");
        ASSERT_TRUE(text.text) << text.error;
        EXPECT_NE(text.text->find("\"quandrel-session\": 4"), std::string::npos);
        std::string images;
        for (std::size_t at = text.text->find("\n    {"); at != std::string::npos;
             at = text.text->find("\n    {", at + 1)) {
            const std::size_t end = text.text->find('}', at);
            images += (images.empty() ? "" : "|") + text.text->substr(at + 5, end - at - 4);
        }
        EXPECT_EQ(images, c.written);
        const SessionResult back = ParseSession(*text.text, "s.json", "/r");
        ASSERT_TRUE(back.session) << back.error;
        EXPECT_EQ(Entries(*back.session), c.entries) << *text.text;
    }
}

TEST(SessionFrames, ARangeKeepsEachEntrysOwnCursors) {
    // Entries that differ in what they hold are not folded together, so none loses its cursor.
    Session s;
    s.lines = {{0, 0, 10, 5}};
    for (std::int64_t f = 0; f < 5; ++f) {
        SessionImage& image = s.images.emplace_back();
        image.path = "/r/v.mp4";
        image.frame = f;
        image.cursors = {f == 3 ? SessionCursor::Kept(7) : SessionCursor::Pending()};
    }
    const SessionText text = SessionToText(s, "/r/s.json");
    ASSERT_TRUE(text.text) << text.error;
    EXPECT_NE(text.text->find(R"("frames": [0, 2, 1])"), std::string::npos) << *text.text;
    const SessionResult back = ParseSession(*text.text, "s.json", "/r");
    ASSERT_TRUE(back.session) << back.error;
    ASSERT_EQ(back.session->images.size(), 5u);
    for (std::size_t k = 0; k < 5; ++k) {
        EXPECT_EQ(back.session->images[k].frame, static_cast<std::int64_t>(k));
        // A new image's state (every line pending at its start) is written as no list.
        const auto& cursors = back.session->images[k].cursors;
        const SessionCursor got = cursors.empty() ? SessionCursor::Pending() : cursors[0];
        EXPECT_EQ(got, k == 3 ? SessionCursor::Kept(7) : SessionCursor::Pending()) << k;
    }
}

}  // namespace
