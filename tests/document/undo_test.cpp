// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <functional>

#include "doc_fakes.h"
#include "support/doc_state.h"

namespace {

// Three pictures of different sizes, so the loaded picture tells which file is current; their
// titles out of order; two lines, detected on some images and pending on others; calibrations
// that differ only in the sign of a zero. The history starts empty with image 1 and line 1
// current.
struct UndoFixture : DocFixture {
    UndoFixture() {
        Add({files.Make("c.bmp", 30, 120, 80), files.Make("a.bmp", 50, 130, 80),
             files.Make("b.bmp", 70, 140, 90)});
        doc.AddLineToAll(10, 40, 100, 40);
        doc.AddLineToAll(10, 20, 110, 20);
        doc.m_nCurLine = 0;
        doc.RedetectCurLine();  // line 0 on the bar of image 0
        CScan* line = doc.m_profile.GetLine(1, 0, 1);
        line->SetPos(80);
        line->m_bDetect = false;
        doc.m_profile.GetAxis(1)->m_origin.m_xValue = -0.0;
        doc.OpenImage(1);
        doc.m_nCurLine = 1;
        doc.ClearUndoHistory();
    }
    QUndoStack& Stack() { return doc.UndoStack(); }
};

struct EditCase {
    const char* name;
    const char* step;                           // the step's name in the menu
    std::function<void(UndoFixture&)> prepare;  // not a step: options, the current line
    std::function<void(UndoFixture&)> edit;
    bool paintAfter = false;  // the view detects the current image's pending lines meanwhile
};

const EditCase kEdits[] = {
    {"add files", "ファイルの追加", nullptr,
     [](UndoFixture& f) {
         f.Add({f.files.Make("d.bmp", 20, 150, 70), f.files.Path("gone.bmp")});
     }},
    {"delete a middle file", "ファイルの削除", nullptr,
     [](UndoFixture& f) { f.doc.OnDeleteFile(); }},
    {"delete the last file", "ファイルの削除", [](UndoFixture& f) { f.doc.OpenImage(2); },
     [](UndoFixture& f) { f.doc.OnDeleteFile(); }},
    {"delete all", "すべて削除", nullptr, [](UndoFixture& f) { f.doc.OnDeleteAll(); }},
    {"sort", "ファイルの並べ替え", nullptr, [](UndoFixture& f) { f.doc.OnSortFiles(); }},
    {"move up", "ファイルを上へ", nullptr, [](UndoFixture& f) { f.doc.OnMoveUp(); }},
    {"move down", "ファイルを下へ", nullptr, [](UndoFixture& f) { f.doc.OnMoveDown(); }},
    {"draw a line", "走査線の追加", nullptr, [](UndoFixture& f) { f.doc.DrawLine(5, 60, 90, 65); }},
    {"add a line without detection", "走査線の追加",
     [](UndoFixture& f) { f.panel.options.autoDetect = false; },
     [](UndoFixture& f) { f.doc.AddLineToAll(5, 60, 90, 65); }},
    // Line 1's cursor at 80 is cut back; line 0, pending here, is detected on the new shape.
    {"reshape", "走査線の変形", nullptr,
     [](UndoFixture& f) { f.doc.ReshapeCurLine(10, 20, 60, 20); }},
    {"reshape a pending line", "走査線の変形", [](UndoFixture& f) { f.doc.m_nCurLine = 0; },
     [](UndoFixture& f) { f.doc.ReshapeCurLine(20, 30, 110, 50); }, true},
    {"delete the last line", "走査線の削除", nullptr,
     [](UndoFixture& f) { f.doc.DeleteCurLine(); }},
    {"delete the first line", "走査線の削除", [](UndoFixture& f) { f.doc.m_nCurLine = 0; },
     [](UndoFixture& f) { f.doc.DeleteCurLine(); }},
    {"nudge right", "エッジ点の移動", nullptr,
     [](UndoFixture& f) { f.doc.OnCmdMsg(ID_MOVE_RIGHT); }},
    {"nudge left round the start", "エッジ点の移動", [](UndoFixture& f) { f.doc.m_nCurLine = 0; },
     [](UndoFixture& f) { f.doc.OnCmdMsg(ID_MOVE_LEFT); }},
    {"pick the origin for all", "原点の設定", nullptr,
     [](UndoFixture& f) { f.doc.SetAxisPixel(0, 7, 8); }},
    {"pick the X-axis point for one", "X軸点の設定",
     [](UndoFixture& f) { f.panel.options.axisIndividual = true; },
     [](UndoFixture& f) { f.doc.SetAxisPixel(1, 90, 50); }},
    {"pick the Y-axis point", "Y軸点の設定", nullptr,
     [](UndoFixture& f) { f.doc.SetAxisPixel(2, 15, 3); }},
    {"axis dialog", "軸の値の設定",
     [](UndoFixture& f) {
         f.ui.axisDialog = [](AxisDialogValues& v) {
             v.m_nOriginX = 4, v.m_dXMax = 250.0, v.m_dYMin = -0.0, v.m_bLogY = true;
             return true;
         };
     },
     [](UndoFixture& f) { f.doc.OnAxisSettings(); }},
    {"re-detect", "再検出", [](UndoFixture& f) { f.doc.m_nCurLine = 0; },
     [](UndoFixture& f) { f.doc.RedetectCurLine(); }},
    {"sub-pixel re-detect", "再検出",
     [](UndoFixture& f) {
         f.doc.m_nCurLine = 0;
         PanelOptions options = f.doc.Options();
         options.edge = {true, 3, kSmoothMean, 3};
         f.doc.SetOptions(options);
     },
     [](UndoFixture& f) { f.doc.RedetectCurLine(); }},
    // Line 0 measures the bar with a caliper rule of its own: undo and redo put back the very
    // measure with the cursor.
    {"caliper re-detect", "再検出",
     [](UndoFixture& f) {
         f.doc.m_nCurLine = 0;
         CaliperRule falling;
         falling.polarity = EdgePolarity::Falling;
         const std::uint16_t rule = f.doc.m_profile.RuleNumber(falling);
         for (int i = 0; i < f.doc.m_profile.GetSize(); ++i) {
             f.doc.m_profile.GetLine(i, 0, 0)->m_nRule = rule;
         }
     },
     [](UndoFixture& f) { f.doc.RedetectCurLine(); }},
    // The current line takes a rule of its own from the dialog: set on every image, detected
    // at once on the current one (the offer to detect it elsewhere declined).
    {"line rule", "線のルールの変更",
     [](UndoFixture& f) {
         f.ui.ruleDialog = [](std::optional<CaliperRule>& rule, bool) {
             rule = CaliperRule{};
             rule->polarity = EdgePolarity::Falling;
             return true;
         };
         f.ui.answers = {false};
     },
     [](UndoFixture& f) { f.doc.EditCurLineRule(); }},
    // Back to the panel's rule: every cursor but the current image's keeps its place.
    {"line back to the panel's rule", "線のルールの変更",
     [](UndoFixture& f) {
         const std::uint16_t rule = f.doc.m_profile.RuleNumber(CaliperRule{});
         for (int i = 0; i < f.doc.m_profile.GetSize(); ++i) {
             f.doc.m_profile.GetLine(i, 0, 1)->m_nRule = rule;
         }
         f.ui.answers = {false};
     },
     [](UndoFixture& f) { f.doc.SetLineRule(1, std::nullopt); }},
    {"new lines' rule", "新しい線のルールの変更", nullptr,
     [](UndoFixture& f) { f.doc.SetNewLineRule(CaliperRule{}); }},
    // A line drawn while the panel offers a caliper rule takes it.
    {"draw a line under the panel's caliper rule", "走査線の追加",
     [](UndoFixture& f) {
         PanelOptions options = f.doc.Options();
         options.newLineRule = CaliperRule{};
         f.doc.SetOptions(options);
     },
     [](UndoFixture& f) {
         f.doc.DrawLine(5, 60, 90, 65);
         EXPECT_NE(f.doc.m_profile.RuleOf(*f.doc.m_profile.GetLine(0, 0, 2)), nullptr);
     }},
    {"length switch", "長さの計測", nullptr,
     [](UndoFixture& f) { f.doc.OnCmdMsg(ID_MEASURE_LENGTH); }},
    {"area switch", "面積の計測", nullptr, [](UndoFixture& f) { f.doc.OnCmdMsg(ID_MEASURE_AREA); }},
    {"channel", "表示する輝度値の変更", nullptr,
     [](UndoFixture& f) {
         const PanelOptions before = f.doc.Options();
         PanelOptions after = before;
         after.channel = 2;
         f.ui.answers = {false};  // not detected again: that is a step of its own
         f.doc.ChangeOptions(before, after);
     }},
    {"edge rule", "エッジとして検出する点の変更", nullptr,
     [](UndoFixture& f) {
         const PanelOptions before = f.doc.Options();
         PanelOptions after = before;
         after.edgeMode = 3;
         f.ui.answers = {false};
         f.doc.ChangeOptions(before, after);
     }},
    {"edge details", "エッジ検出の詳細設定の変更",
     [](UndoFixture& f) {
         f.ui.edgeDialog = [](EdgeOptions& o) {
             o = {true, 5, kSmoothGaussian, 7};
             return true;
         };
         f.ui.answers = {false};
     },
     [](UndoFixture& f) { f.doc.EditEdgeOptions(); }},
    // Walked as far as the default again, a long line's cursors past it come back on undo.
    {"whole lines off", "エッジ検出の詳細設定の変更",
     [](UndoFixture& f) {
         PanelOptions options = f.doc.Options();
         options.edge.wholeLine = true;
         f.doc.SetOptions(options);
         f.doc.m_profile.SetStepLimit(kMaxWholeScanSteps);
         for (auto& series : f.doc.m_profile.m_arSeries) {
             series->AddLine(0, 0, 60, 2999, 60, kMaxWholeScanSteps);
         }
         CScan* line = f.doc.m_profile.GetLine(1, 0, 2);
         line->SetEdge(2500, 2500.25);
         line->m_bDetect = false;
     },
     [](UndoFixture& f) {
         const PanelOptions before = f.doc.Options();
         PanelOptions after = before;
         after.edge.wholeLine = false;
         f.doc.ChangeOptions(before, after);
         EXPECT_EQ(f.doc.m_profile.GetLine(1, 0, 2)->m_nPos, kMaxScanSteps);
     }},
};

// Undone, every edit leaves the document as it was before; redone, as it was after. Between
// them the user steps to another image, which is no step: undo and redo bring the edit's image
// back, with its picture.
TEST(Undo, EveryEditUndoesAndRedoesExactly) {
    for (const EditCase& c : kEdits) {
        SCOPED_TRACE(c.name);
        UndoFixture f;
        if (c.prepare) c.prepare(f);
        const DocState before = Snapshot(f.doc);
        c.edit(f);
        ASSERT_EQ(f.Stack().count(), 1);
        EXPECT_EQ(f.Stack().undoText(), QString::fromUtf8(c.step));
        if (c.paintAfter) {
            EXPECT_GT(f.doc.DetectPending(), 0);
        }
        const DocState after = Snapshot(f.doc);
        ASSERT_NE(Difference(before, after), "");
        f.doc.OnNextImage();

        for (int round = 0; round < 2; ++round) {
            ASSERT_TRUE(f.doc.Undo());
            EXPECT_EQ(Difference(Snapshot(f.doc), before), "") << "undone, round " << round;
            if (c.paintAfter) f.doc.DetectPending();
            ASSERT_TRUE(f.doc.Redo());
            EXPECT_EQ(Difference(Snapshot(f.doc), after, c.paintAfter), "")
                << "redone, round " << round;
        }
        EXPECT_EQ(f.view.dragsCancelled, 4);
        EXPECT_FALSE(f.doc.Redo());
    }
}

// Edits that change nothing leave no step to undo.
TEST(Undo, EditsThatChangeNothingAreNoSteps) {
    UndoFixture f;
    f.doc.SetAxisPixel(0, 10, 110);  // where the origin is already
    f.doc.OnCmdMsg(ID_MOVE_LEFT);    // with the first line current
    f.doc.OnCmdMsg(ID_MOVE_RIGHT);   // back again: the two are one step, and none
    f.doc.OpenImage(0);
    f.doc.OnMoveUp();  // the first file cannot move up
    f.ui.answers = {false};
    f.doc.OnDeleteFile();  // answered No
    f.doc.ChangeOptions(f.doc.Options(), f.doc.Options());
    f.doc.OnSortFiles();
    f.doc.OnSortFiles();  // sorted already
    EXPECT_EQ(f.Stack().count(), 1);
    EXPECT_EQ(f.Stack().undoText(), QStringLiteral("ファイルの並べ替え"));
}

// Arrow keys on one line of one image are one step until the line, the image or a save
// intervenes; back where they began they are no step at all.
TEST(Undo, NudgesMergeIntoOneStep) {
    UndoFixture f;
    CScan* line = f.doc.m_profile.GetLine(1, 0, 1);
    for (int k = 0; k < 3; ++k) f.doc.OnCmdMsg(ID_MOVE_RIGHT);
    EXPECT_EQ(line->m_nPos, 83);
    EXPECT_EQ(f.Stack().count(), 1);
    f.doc.m_nCurLine = 0;
    f.doc.OnCmdMsg(ID_MOVE_RIGHT);
    f.doc.OnNextImage();
    f.doc.OnCmdMsg(ID_MOVE_RIGHT);
    EXPECT_EQ(f.Stack().count(), 3);
    ASSERT_TRUE(f.doc.Undo() && f.doc.Undo() && f.doc.Undo());
    EXPECT_EQ(line->m_nPos, 80);
    EXPECT_EQ(f.doc.m_nCurImage, 1);
    EXPECT_EQ(f.doc.m_nCurLine, 1);

    // A new push drops the redo side; three steps right and three left are none.
    for (int k = 0; k < 3; ++k) f.doc.OnCmdMsg(ID_MOVE_RIGHT);
    for (int k = 0; k < 3; ++k) f.doc.OnCmdMsg(ID_MOVE_LEFT);
    EXPECT_EQ(f.Stack().count(), 0);

    // Nor does a step merge with the one a save marked clean.
    f.doc.OnCmdMsg(ID_MOVE_RIGHT);
    f.Stack().setClean();
    f.doc.OnCmdMsg(ID_MOVE_RIGHT);
    EXPECT_EQ(f.Stack().count(), 2);
    ASSERT_TRUE(f.doc.Undo());
    EXPECT_TRUE(f.Stack().isClean());
    EXPECT_EQ(line->m_nPos, 81);
}

TEST(Undo, CleanStateFollowsUndoAndRedo) {
    UndoFixture f;
    std::vector<bool> signalled;
    QObject::connect(&f.Stack(), &QUndoStack::cleanChanged,
                     [&signalled](bool clean) { signalled.push_back(clean); });
    EXPECT_TRUE(f.Stack().isClean());
    f.doc.OnCmdMsg(ID_MEASURE_AREA);
    f.Stack().setClean();  // saved
    f.doc.OnCmdMsg(ID_MEASURE_LENGTH);
    ASSERT_TRUE(f.doc.Undo());
    ASSERT_TRUE(f.doc.Undo());
    ASSERT_TRUE(f.doc.Redo());
    // Edited, saved, edited, undone to the save, undone past it, redone to it.
    EXPECT_EQ(signalled, (std::vector<bool>{false, true, false, true, false, true}));
    ASSERT_TRUE(f.doc.Redo());
    f.doc.ClearUndoHistory();  // another session
    EXPECT_TRUE(f.Stack().isClean());
    EXPECT_FALSE(f.Stack().canUndo());
    EXPECT_TRUE(f.doc.m_bMeasureLength && f.doc.m_bMeasureArea);
}

// While the export detects, nothing is pushed, undone or redone, and the menu items are grey.
TEST(Undo, NothingWhileBusy) {
    UndoFixture f;
    f.doc.OnCmdMsg(ID_MEASURE_AREA);
    f.doc.OnCmdMsg(ID_MEASURE_LENGTH);
    ASSERT_TRUE(f.doc.Undo());
    bool checked = false;
    f.ui.onProgress = [&](int) {
        if (checked) return;
        checked = true;
        const PanelOptions options = f.doc.Options();
        PanelOptions other = options;
        other.channel = 1;
        EXPECT_FALSE(f.doc.Undo());
        EXPECT_FALSE(f.doc.Redo());
        EXPECT_FALSE(f.doc.AddLineToAll(1, 1, 50, 50));
        EXPECT_FALSE(f.doc.ChangeOptions(options, other));
        f.doc.SetAxisPixel(0, 3, 3);
        f.doc.OnCmdMsg(ID_EDIT_UNDO);
        f.doc.OnCmdMsg(ID_EDIT_REDO);
        f.doc.ClearUndoHistory();
        for (int id : {ID_EDIT_UNDO, ID_EDIT_REDO}) {
            CCmdUI cmdUI;
            EXPECT_TRUE(f.doc.OnUpdateCmdUI(id, cmdUI));
            EXPECT_FALSE(cmdUI.m_bEnabled);
        }
    };
    f.ui.saveChoices.push_back(f.files.Path("out.dat"));
    f.doc.OnDataWrite();
    ASSERT_TRUE(checked);
    EXPECT_EQ(f.Stack().count(), 2);
    EXPECT_EQ(f.Stack().index(), 1);
    EXPECT_EQ(f.doc.m_profile.GetArray(0, 0)->GetSize(), 2);
    EXPECT_TRUE(f.doc.m_bMeasureArea && !f.doc.m_bMeasureLength);
}

}  // namespace
