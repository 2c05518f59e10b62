// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>

#include "doc_fakes.h"

namespace {

TEST(DocOptions, DefaultsWithoutAPanelAndFreshReadsWithOne) {
    FakeUi ui;
    CNorvaleDoc lone(ui);
    EXPECT_EQ(lone.GetChannel(), 0);
    EXPECT_EQ(lone.GetEdgeMode(), 0);
    EXPECT_TRUE(lone.IsAutoDetect());
    EXPECT_FALSE(lone.IsAxisIndividual());
    EXPECT_EQ(lone.GetDataView(), nullptr);
    EXPECT_EQ(lone.GetImageView(), nullptr);
    lone.SetOptions({2, 3, false, true});  // kept by the document itself
    EXPECT_EQ(lone.Options(), (PanelOptions{2, 3, false, true}));

    DocFixture f;
    f.panel.options = {2, 3, false, true};
    EXPECT_EQ(f.doc.GetChannel(), 2);
    f.panel.options.channel = 1;  // nothing is cached
    EXPECT_EQ(f.doc.GetChannel(), 1);
    EXPECT_EQ(f.doc.GetEdgeMode(), 3);
    EXPECT_FALSE(f.doc.IsAutoDetect());
    EXPECT_TRUE(f.doc.IsAxisIndividual());
    EXPECT_EQ(f.panel.reads, 5);
}

// A file that cannot be opened or decoded becomes current without a picture and says why; the
// series goes on past it and the list commands act on it as on any other.
TEST(DocOpenImage, UnreadableFilesBecomeCurrentAndCanBeRemoved) {
    DocFixture f;
    const QString missing = f.files.Path("missing.bmp");
    const QString text = f.files.Text("text.jpg", "not a picture");
    f.Add({f.files.Make("a.bmp", 30), missing, text, f.files.Make("b.bmp", 50)});
    ASSERT_EQ(f.doc.m_nCurImage, 0);
    for (int bad : {-1, 4}) f.doc.OpenImage(bad);
    EXPECT_TRUE(f.ui.messages.empty() && f.ui.openFailures.empty());

    struct Step {
        int current;
        std::size_t openFailures, messages;
        bool picture;
    };
    for (const Step& step : {Step{1, 1, 0, false}, Step{2, 1, 1, false}, Step{3, 1, 1, true}}) {
        const int repaints = f.panel.repaints;
        f.doc.OnNextImage();
        EXPECT_EQ(f.doc.m_nCurImage, step.current);
        EXPECT_EQ(f.ui.openFailures.size(), step.openFailures);
        EXPECT_EQ(f.ui.messages.size(), step.messages);
        EXPECT_EQ(f.doc.GetPictureBitmap() != nullptr, step.picture);
        EXPECT_EQ(f.doc.GetOpenFailure() == nullptr, step.picture);
        // The window's reasons are Japanese like the rest of it.
        if (!step.picture) {
            const QString& reason = f.doc.GetOpenFailure()->reason;
            EXPECT_TRUE(std::any_of(reason.begin(), reason.end(),
                                    [](QChar c) { return c.unicode() >= 0x3000; }));
        }
        EXPECT_GT(f.panel.repaints, repaints);  // the graph drops the old curve at once
    }
    EXPECT_EQ(f.ui.openFailures[0].first, missing);
    EXPECT_TRUE(f.ui.messages[0].startsWith(
        QStringLiteral("ファイルを開くことができませんでした\n%1\n").arg(text)));

    f.doc.OpenImage(2);
    ASSERT_NE(f.doc.GetOpenFailure(), nullptr);
    EXPECT_EQ(f.doc.GetOpenFailure()->path, text.toStdString());
    f.doc.OnMoveUp();
    EXPECT_EQ(f.Titles(), (std::vector<std::string>{"a.bmp", "text.jpg", "missing.bmp", "b.bmp"}));
    EXPECT_EQ(f.doc.m_nCurImage, 1);
    f.doc.OnDeleteFile();
    EXPECT_EQ(f.Titles(), (std::vector<std::string>{"a.bmp", "missing.bmp", "b.bmp"}));
    EXPECT_EQ(f.doc.m_nCurImage, 1);
    f.doc.OnDeleteFile();
    EXPECT_EQ(f.Titles(), (std::vector<std::string>{"a.bmp", "b.bmp"}));
    ASSERT_NE(f.doc.GetPictureBitmap(), nullptr);
    EXPECT_EQ(f.doc.GetOpenFailure(), nullptr);
}

TEST(DocLines, AddDeleteAndRedetect) {
    DocFixture f;
    f.Add({f.files.Make("a.bmp", 30), f.files.Make("b.bmp", 50)});
    f.panel.options.autoDetect = false;
    f.doc.AddLineToAll(10, 40, 100, 40);
    f.panel.options.autoDetect = true;
    f.doc.AddLineToAll(10, 20, 100, 20);
    f.doc.AddLineToAll(10, 60, 100, 60);
    for (int i = 0; i < 2; ++i) {
        EXPECT_FALSE(f.doc.m_profile.GetLine(i, 0, 0)->m_bDetect);
        EXPECT_TRUE(f.doc.m_profile.GetLine(i, 0, 1)->m_bDetect);
    }
    EXPECT_EQ(f.doc.GetLastLineIndex(), 2);

    // Re-detection puts line 0 on the bar of the current image only.
    f.doc.m_nCurLine = 0;
    f.doc.RedetectCurLine();
    EXPECT_EQ(f.doc.GetCurLine()->m_ptCur, (CPoint{30, 40}));
    EXPECT_EQ(f.doc.m_profile.GetLine(1, 0, 0)->m_nPos, 0);
    EXPECT_EQ(f.doc.m_buffer.m_nLastSample, 90);

    f.doc.m_nCurLine = 2;
    f.doc.DeleteCurLine();  // the last of three: the second becomes current
    EXPECT_EQ(f.doc.m_nCurLine, 1);
    EXPECT_EQ(f.doc.m_buffer.m_nLastSample, 90);
    f.doc.DeleteCurLine();
    f.doc.DeleteCurLine();  // the only line
    EXPECT_EQ(f.doc.m_nCurLine, -1);
    EXPECT_EQ(f.doc.m_buffer.m_nLastSample, -1);
    EXPECT_EQ(f.doc.m_profile.GetArray(1, 0)->GetSize(), 0);
    f.doc.DeleteCurLine();  // nothing current: nothing happens
    EXPECT_EQ(f.doc.GetCurLine(), nullptr);
}

TEST(DocLines, BrightnessFollowsThePanelChannel) {
    DocFixture f;
    f.doc.m_buffer.m_nRed[0] = 1, f.doc.m_buffer.m_nGreen[0] = 1, f.doc.m_buffer.m_nBlue[0] = 0;
    f.doc.m_buffer.m_nRed[1] = f.doc.m_buffer.m_nGreen[1] = f.doc.m_buffer.m_nBlue[1] = 255;
    EXPECT_EQ(f.doc.GetBrightness(0), 0);
    EXPECT_EQ(f.doc.GetBrightness(1), 255);
    EXPECT_EQ(f.doc.GetBrightness(1024), 0);
    f.panel.options.channel = 1;
    EXPECT_EQ(f.doc.GetBrightness(0), 1);
}

TEST(DocCalibration, ScopeDecidesWhichImagesChange) {
    DocFixture f;
    f.Add({f.files.Make("a.bmp", 3), f.files.Make("b.bmp", 4), f.files.Make("c.bmp", 5)});
    f.doc.OpenImage(1);
    f.doc.SetAxisPixel(0, 7, 8);  // common scope: every image
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(f.doc.m_profile.GetAxis(i)->m_origin.m_xPixel, 7);
        EXPECT_EQ(f.doc.m_profile.GetAxis(i)->m_origin.m_yPixel, 8);
    }
    f.panel.options.axisIndividual = true;
    f.doc.SetAxisPixel(1, 50, 60);
    f.doc.SetAxisValue(2, 0.0, 9.5);
    f.doc.SetAxisLog(2, true);
    f.doc.SetAxisLog(1, true);
    for (int i = 0; i < 3; ++i) {
        const CDataAxis& axis = *f.doc.m_profile.GetAxis(i);
        const bool current = i == 1;
        EXPECT_EQ(axis.m_xAxis.m_xPixel, current ? 50 : 110) << i;
        EXPECT_EQ(axis.m_yAxis.m_yValue, current ? 9.5 : 1.0) << i;
        EXPECT_EQ(axis.m_bLogY, current) << i;
        EXPECT_EQ(axis.m_bLogX, current) << i;
    }
    // Individual scope with no current image changes nothing.
    f.ui.answers = {true};
    f.doc.OnDeleteAll();
    f.doc.SetAxisPixel(0, 1, 1);
    EXPECT_EQ(f.doc.m_profile.GetSize(), 0);
}

}  // namespace
