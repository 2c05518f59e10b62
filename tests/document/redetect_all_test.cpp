// SPDX-License-Identifier: GPL-3.0-or-later
// "すべて再検出": every cursor but those placed by hand detected again under the options of now,
// one step with progress; offered after a change of the options; and the export's warning of
// edges found under other settings.
#include <gtest/gtest.h>

#include "doc_fakes.h"
#include "document/command_ids.h"
#include "model/edge_detect.h"

namespace {

// Three pictures with their dark bar at x = 30, 50 and 70; two lines across them, detected under
// the minimum rule (the bar: positions 25, 45, 65), and line 2 on image 2 moved one to the right
// by hand. The history starts empty.
struct RedetectFixture : DocFixture {
    RedetectFixture() {
        Add({files.Make("a.bmp", 30), files.Make("b.bmp", 50), files.Make("c.bmp", 70)});
        doc.AddLineToAll(5, 40, 100, 40);
        doc.AddLineToAll(5, 60, 100, 60);
        EXPECT_TRUE(doc.RedetectAll());
        doc.OpenImage(1);
        doc.m_nCurLine = 1;
        doc.OnCmdMsg(ID_MOVE_RIGHT);
        doc.ClearUndoHistory();
        ui.questions.clear();
    }
    const CScan& Line(int image, int n) const { return *doc.m_profile.GetLine(image, 0, n); }
    // The rule changed from the panel; `redetect` answers the offer to detect again.
    void ChooseRule(int mode, bool redetect) {
        const PanelOptions before = doc.Options();
        PanelOptions after = before;
        after.edgeMode = mode;
        ui.answers = {redetect};
        doc.ChangeOptions(before, after);
    }
};

constexpr int kFall = 2;

TEST(RedetectAll, DetectsAgainAllButHandPlacedCursorsAsOneStep) {
    RedetectFixture f;
    EXPECT_EQ(f.Line(0, 0).m_nPos, 25);
    EXPECT_EQ(f.Line(1, 1).m_nPos, 46);
    EXPECT_EQ(f.Line(1, 1).m_origin, CursorOrigin::Placed);
    f.ChooseRule(kFall, true);
    ASSERT_EQ(f.ui.questions.size(), 1u);
    EXPECT_TRUE(f.ui.questions[0].contains(QStringLiteral("5")));  // six cursors but one
    EXPECT_EQ(f.doc.UndoStack().count(), 2);  // the rule, then the detection
    EXPECT_EQ(f.doc.UndoStack().undoText(), QStringLiteral("すべて再検出"));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(f.Line(i, 0).m_nPos, 24 + 20 * i);  // the sample before the fall
        EXPECT_EQ(f.Line(i, 0).m_origin, CursorOrigin::Detected);
        EXPECT_EQ(f.doc.m_profile.FoundWith(f.Line(i, 0))->mode, kFall);
    }
    EXPECT_EQ(f.Line(1, 1).m_nPos, 46);  // placed by hand: kept
    ASSERT_TRUE(f.doc.Undo());
    EXPECT_EQ(f.Line(2, 0).m_nPos, 65);
    EXPECT_EQ(f.doc.m_profile.FoundWith(f.Line(2, 0))->mode, kEdgeMinimum);
    ASSERT_TRUE(f.doc.Redo());
    EXPECT_EQ(f.Line(2, 0).m_nPos, 64);
}

TEST(RedetectAll, CancelledOrUnreadableLeavesCursorsAsTheyWere) {
    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "cancelled" : "an image gone");
        RedetectFixture f;
        f.ChooseRule(kFall, false);
        EXPECT_EQ(f.doc.UndoStack().count(), 1);
        if (cancel) {
            f.ui.cancelProgressAt = 0;
        } else {
            QFile::remove(f.files.Path(QStringLiteral("c.bmp")));
        }
        EXPECT_EQ(f.doc.RedetectAll(), !cancel);
        EXPECT_EQ(f.doc.UndoStack().count(), cancel ? 1 : 2);
        for (int n = 0; n < 2; ++n) {
            EXPECT_EQ(f.Line(2, n).m_nPos, 65);
            EXPECT_FALSE(f.Line(2, n).m_bDetect);
            EXPECT_EQ(f.doc.m_profile.FoundWith(f.Line(2, n))->mode, kEdgeMinimum);
        }
        EXPECT_EQ(f.Line(0, 0).m_nPos, cancel ? 25 : 24);
        if (!cancel) {
            ASSERT_EQ(f.ui.messages.size(), 1u);
            EXPECT_TRUE(f.ui.messages[0].contains(f.files.Path(QStringLiteral("c.bmp"))));
        }
    }
}

// A line given a rule of its own is detected at once where the user looks; the offer then
// detects that line alone on the other images, as a step of its own. Declined, or with nothing
// found otherwise, the rule is the only step.
TEST(RedetectAll, ALineRuleOffersToDetectThatLineAloneAgain) {
    struct Case {
        const char* name;
        int line;
        bool accept;
        int steps;
        const char* count;  // in the question; null: none asked
    };
    const Case cases[] = {
        {"accepted", 0, true, 2, "2"},
        {"declined", 0, false, 1, "2"},
        // On image 1 line 1 was placed by hand; it is the current image's, detected at once, and
        // the other two were found under the minimum rule.
        {"placed by hand where the user looks", 1, true, 2, "2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RedetectFixture f;
        f.doc.m_nCurLine = c.line;
        CaliperRule falling;
        falling.polarity = EdgePolarity::Falling;
        f.ui.answers = {c.accept};
        ASSERT_TRUE(f.doc.SetLineRule(c.line, falling));
        ASSERT_EQ(f.ui.questions.size(), 1u);
        EXPECT_TRUE(f.ui.questions[0].contains(QString::fromLatin1(c.count)));
        EXPECT_EQ(f.doc.UndoStack().count(), c.steps);
        const int other = 1 - c.line;
        for (int i = 0; i < 3; ++i) {
            const DetectionSettings* found = f.doc.m_profile.FoundWith(f.Line(i, c.line));
            ASSERT_NE(found, nullptr);
            // Image 1 at once; the others only when the offer was taken.
            EXPECT_EQ(found->caliper.has_value(), i == 1 || c.accept) << i;
            // The other line is never touched.
            EXPECT_EQ(f.doc.m_profile.RuleOf(f.Line(i, other)), nullptr);
            EXPECT_EQ(f.Line(i, other).m_nPos, i == 1 && other == 1 ? 46 : 25 + 20 * i);
        }
        if (c.accept) {
            EXPECT_EQ(f.doc.UndoStack().undoText(), QStringLiteral("線の再検出"));
            ASSERT_TRUE(f.doc.Undo());
            ASSERT_NE(f.doc.m_profile.FoundWith(f.Line(0, c.line)), nullptr);
            EXPECT_FALSE(f.doc.m_profile.FoundWith(f.Line(0, c.line))->caliper.has_value());
        }
        ASSERT_TRUE(f.doc.Undo());
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(f.doc.m_profile.RuleOf(f.Line(i, c.line)), nullptr);
            const DetectionSettings* found = f.doc.m_profile.FoundWith(f.Line(i, c.line));
            EXPECT_TRUE(found == nullptr || !found->caliper.has_value()) << i;
        }
        EXPECT_EQ(f.Line(1, 1).m_nPos, 46);
    }
}

TEST(RedetectAll, TheExportWarnsOfEdgesFoundUnderOtherSettings) {
    RedetectFixture f;
    f.ChooseRule(kFall, false);
    f.ui.saveChoices = {f.files.Path(QStringLiteral("out.dat"))};
    f.ui.answers = {false};
    f.doc.OnDataWrite();
    ASSERT_EQ(f.ui.questions.size(), 2u);  // the offer, then the warning
    EXPECT_TRUE(f.ui.questions[1].contains(QStringLiteral("5")));
    EXPECT_FALSE(QFile::exists(f.files.Path(QStringLiteral("out.dat"))));
    // Detected again, the edges agree with the options and the export asks nothing.
    ASSERT_TRUE(f.doc.RedetectAll());
    f.ui.saveChoices = {f.files.Path(QStringLiteral("out.dat"))};
    f.doc.OnDataWrite();
    EXPECT_EQ(f.ui.questions.size(), 2u);
    EXPECT_TRUE(QFile::exists(f.files.Path(QStringLiteral("out.dat"))));
}

}  // namespace
