// SPDX-License-Identifier: GPL-3.0-or-later
// The kymograph's values as CSV: one row per entry, the header naming the samples.
#include "export/kymograph_csv.h"

#include <gtest/gtest.h>

#include "export/locale_guard.h"

namespace {

CKymograph Small() {
    CKymograph k(4);
    k.SetRow(0, {1, 2, 3}, false);
    k.RowToFill(1).SetUnreadable();
    k.NoteRow(1);
    k.SetRow(2, {200, 255}, false);
    return k;  // entry 4 is pending
}

TEST(KymographCsv, WritesEveryEntryWithItsStatusAndTime) {
    struct Case {
        const char* what;
        std::vector<EntryTime> times;
        KymographCsvOptions options;
        std::string expected;
    };
    const std::vector<EntryTime> timed = {{10.5, TimeSource::VideoTimestamp},
                                          {10.54, TimeSource::VideoTimestamp},
                                          {10.58, TimeSource::VideoTimestamp},
                                          {10.62, TimeSource::VideoTimestamp}};
    const std::vector<EntryTime> partly = {{}, {100, TimeSource::Exif}, {}, {101.25, TimeSource::Exif}};
    KymographCsvOptions numbered;
    numbered.line = 2;
    numbered.settings = DetectionSettings{};
    KymographCsvOptions semicolon;
    semicolon.semicolon = true;
    const Case cases[] = {
        {"no times",
         {},
         {},
         "# white: 255\r\n"
         "# warning: no entry has a time; use the entry number\r\n"
         "entry,time,status,0,1,2\r\n"
         "1,,ok,1,2,3\r\n"
         "2,,unreadable,,,\r\n"
         "3,,ok,200,255,\r\n"
         "4,,pending,,,\r\n"},
        {"every time, from the first, line and settings",
         timed,
         numbered,
         "# line: 2\r\n"
         "# settings: minimum average width=1\r\n"
         "# white: 255\r\n"
         "# time: seconds from the first entry\r\n"
         "entry,time,status,0,1,2\r\n"
         "1,0,ok,1,2,3\r\n"
         "2,0.03999999999999915,unreadable,,,\r\n"
         "3,0.08000000000000007,ok,200,255,\r\n"
         "4,0.11999999999999922,pending,,,\r\n"},
        {"some times, semicolons",
         partly,
         semicolon,
         "# white: 255\r\n"
         "# warning: 2 entries have no time; their time field is empty\r\n"
         "entry;time;status;0;1;2\r\n"
         "1;;ok;1;2;3\r\n"
         "2;0;unreadable;;;\r\n"
         "3;;ok;200;255;\r\n"
         "4;1,25;pending;;;\r\n"},
    };
    const CKymograph k = Small();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<std::string> text = BuildKymographCsv(k, c.times, c.options);
        ASSERT_TRUE(text);
        EXPECT_EQ(*text, c.expected);
    }
}

TEST(KymographCsv, SixteenBitRowsAndTheSameBytesInEveryLocale) {
    const CommaLocale locale;
    CKymograph k(2);
    k.SetRow(0, {65535, 0}, true);
    k.SetRow(1, {255, 1}, false);
    const std::vector<EntryTime> times = {{0.5, TimeSource::Interval}, {1.75, TimeSource::Interval}};
    const std::optional<std::string> text = BuildKymographCsv(k, times);
    ASSERT_TRUE(text);
    // Each row on its own picture's scale: the 8-bit row stays 0..255.
    EXPECT_EQ(*text,
              "# white: 65535\r\n# time: seconds from the first entry\r\n"
              "entry,time,status,0,1\r\n1,0,ok,65535,0\r\n2,1.25,ok,255,1\r\n");
}

TEST(KymographCsv, ProgressSeesTheEntriesAndCanAbandon) {
    CKymograph k(1000);
    for (int i = 0; i < k.Entries(); ++i) k.SetRow(i, {1}, false);
    std::vector<int> seen;
    EXPECT_TRUE(BuildKymographCsv(k, {}, {}, [&](int done) {
        seen.push_back(done);
        return true;
    }));
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), 0);
    EXPECT_EQ(seen.back(), 1000);
    EXPECT_FALSE(BuildKymographCsv(k, {}, {}, [](int done) { return done < 500; }));
}

}  // namespace
