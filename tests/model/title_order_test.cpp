// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/title_order.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "model/data_profile.h"
#include "support/pass_sort.h"

namespace {

TEST(TitleOrder, TitleIsThePartOfThePathAfterTheLastSlash) {
    struct Case {
        const char* path;
        const char* title;
    };
    for (const Case& c : {Case{"/data/a.bmp", "a.bmp"}, Case{"a.bmp", "a.bmp"}, Case{"/data/", ""},
                          Case{"", ""}, Case{"/試料/画像 1.jpg", "画像 1.jpg"}}) {
        EXPECT_EQ(TitleOfPath(c.path), c.title) << c.path;
    }
}

std::vector<std::string> Titles(const CDataProfile& profile) {
    std::vector<std::string> out;
    for (const auto& series : profile.m_arSeries) out.push_back(series->m_strTitle);
    return out;
}

std::vector<std::string> Paths(const CDataProfile& profile) {
    std::vector<std::string> out;
    for (const auto& series : profile.m_arSeries) out.push_back(series->m_strPath);
    return out;
}

TEST(TitleOrder, ComparesAsCodePage932Characters) {
    struct Case {
        const char* less;
        const char* greater;
    };
    const Case cases[] = {
        {"A.bmp", "a.bmp"},  // upper case before lower case
        {"img10", "img9"},   // digits one by one
        {"a", "a.bmp"},      // a prefix sorts first
        {"ｱ", "あ"},         // half-width katakana are single bytes, below every double byte
        {"あ", "ア"},        // hiragana 0x82A0 before katakana 0x8341
        {"ア", "亜"},        // katakana before kanji 0x889F
        {"～", "亜"},        // U+FF5E is 0x8160 in this code page
        {"亜", "\xF0\x9F\x98\x80"},  // a character outside the code page sorts after all of it
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x81"},
        {"z", "\xFF"},  // a byte that is not UTF-8 sorts after everything
    };
    for (const Case& c : cases) {
        EXPECT_LT(CompareTitles(c.less, c.greater), 0) << c.less << " < " << c.greater;
        EXPECT_GT(CompareTitles(c.greater, c.less), 0) << c.greater << " > " << c.less;
    }
    EXPECT_EQ(CompareTitles("同じ.jpg", "同じ.jpg"), 0);
}

TEST(TitleOrder, SortMatchesThePassOrderAndIsStable) {
    const std::vector<std::string> alphabet = {
        "a", "B", "b", "1", "10", "9", "ｱ", "あ", "亜", "_", "\xFF", "é", "\xF0\x9F\x98\x80"};
    std::mt19937 rng(20261207);
    for (int round = 0; round < 60; ++round) {
        CDataProfile fast;
        CDataProfile reference;
        const int n = static_cast<int>(rng() % 40);
        for (int k = 0; k < n; ++k) {
            std::string title;
            const int len = static_cast<int>(rng() % 3);  // short titles repeat often
            for (int c = 0; c < len; ++c) title += alphabet[rng() % alphabet.size()];
            const std::string path = "/img/" + std::to_string(k);  // tells equal titles apart
            fast.AddImage(title, path);
            reference.AddImage(title, path);
            fast.GetAxis(k)->m_origin.m_xPixel = k;
        }
        fast.SortByTitle();
        SortByTitlePasses(reference);
        ASSERT_EQ(Titles(fast), Titles(reference));
        ASSERT_EQ(Paths(fast), Paths(reference));
        for (int k = 0; k < n; ++k) {  // each calibration travelled with its record
            EXPECT_EQ("/img/" + std::to_string(fast.GetAxis(k)->m_origin.m_xPixel),
                      fast.GetSeries(k)->m_strPath);
        }
    }
}

TEST(TitleOrder, SortKeepsCursorsAndFlags) {
    CDataProfile profile;
    for (const char* title : {"b.bmp", "A.bmp", "a.bmp"}) profile.AddImage(title, title);
    profile.GetSeries(0)->AddLine(0, 0, 0, 50, 0);
    profile.AddImage("0.bmp", "0.bmp");  // copies the line, pending
    profile.GetLine(0, 0, 0)->SetPos(33);
    profile.GetLine(0, 0, 0)->m_bDetect = false;
    profile.SortByTitle();
    EXPECT_EQ(Titles(profile), (std::vector<std::string>{"0.bmp", "A.bmp", "a.bmp", "b.bmp"}));
    const CScan* moved = profile.GetLine(3, 0, 0);
    EXPECT_EQ(moved->m_nPos, 33);
    EXPECT_FALSE(moved->m_bDetect);
    EXPECT_TRUE(profile.GetLine(0, 0, 0)->m_bDetect);
}

TEST(TitleOrder, EntryTitlesNumberPagesFromOne) {
    struct Case {
        std::int64_t frame, count;
        const char* title;
    };
    for (const Case& c : {Case{-1, 400, "s.tif"}, Case{0, 400, "s.tif [1/400]"},
                          Case{11, 400, "s.tif [12/400]"}, Case{4, 0, "s.tif [5]"}}) {
        const std::string title = EntryTitle("s.tif", c.frame, c.count);
        EXPECT_EQ(title, c.title);
        EXPECT_EQ(EntryFileTitle(title, c.frame), "s.tif") << title;
    }
    // A file of one picture keeps its name whole, whatever it looks like.
    EXPECT_EQ(EntryFileTitle("odd [3/4]", -1), "odd [3/4]");
    EXPECT_EQ(EntryFileTitle("odd [x]", 2), "odd [x]");
}

TEST(TitleOrder, SortKeepsAStacksPagesInPageOrder) {
    // Pages 10 and 2 of one stack: as text "[10/12]" would come before "[2/12]".
    struct Entry {
        const char* file;
        std::int64_t frame;
    };
    const Entry entries[] = {{"s.tif", 9}, {"b.bmp", -1}, {"s.tif", 1}, {"s.tif", 10},
                             {"s.tif", 0}, {"s.tifa", -1}, {"s.tif", -1}, {"r.mp4", 3}};
    CDataProfile profile;
    for (const Entry& e : entries) {
        profile.AddImage(EntryTitle(e.file, e.frame, 12), e.file);
        profile.GetSeries(profile.GetSize() - 1)->m_nFrame = e.frame;
    }
    profile.SortByTitle();
    EXPECT_EQ(Titles(profile),
              (std::vector<std::string>{"b.bmp", "r.mp4 [4/12]", "s.tif", "s.tif [1/12]",
                                        "s.tif [2/12]", "s.tif [10/12]", "s.tif [11/12]",
                                        "s.tifa"}));
}

}  // namespace
