// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "doc_fakes.h"
#include "document/session_document.h"

namespace {

CCmdUI Update(const CNorvaleDoc& doc, int id) {
    CCmdUI cmdUI;
    EXPECT_TRUE(doc.OnUpdateCmdUI(id, cmdUI)) << id;
    return cmdUI;
}

TEST(ToolCommands, UpdateHandlersNeedAPictureAndCheckTheZoom) {
    DocFixture f;
    for (int id : {ID_AXIS_ORIGIN, ID_AXIS_XPOINT, ID_AXIS_YPOINT, ID_AXIS_SETTINGS, ID_DATA_WRITE,
                   ID_ZOOM_1X, ID_ZOOM_2X, ID_ZOOM_4X, ID_MEASURE_LENGTH, ID_MEASURE_AREA}) {
        EXPECT_FALSE(Update(f.doc, id).m_bEnabled) << id;
    }
    EXPECT_EQ(Update(f.doc, ID_ZOOM_1X).m_checked, true);  // checked while disabled
    CCmdUI none;
    EXPECT_FALSE(f.doc.OnUpdateCmdUI(IDC_ADD_FILES, none));
    EXPECT_FALSE(f.doc.OnCmdMsg(ID_EDIT_COPY));

    f.Add({f.files.Make("a.bmp", 3)});
    f.doc.OnCmdMsg(ID_ZOOM_2X);
    EXPECT_EQ(f.view.zoom, 2);
    struct Expect {
        int id;
        bool checked;
    };
    for (const Expect& e :
         {Expect{ID_ZOOM_1X, false}, Expect{ID_ZOOM_2X, true}, Expect{ID_ZOOM_4X, false}}) {
        const CCmdUI ui = Update(f.doc, e.id);
        EXPECT_TRUE(ui.m_bEnabled);
        EXPECT_EQ(ui.m_checked, e.checked) << e.id;
    }
    EXPECT_FALSE(Update(f.doc, ID_AXIS_SETTINGS).m_checked.has_value());

    f.doc.OnCmdMsg(ID_MEASURE_LENGTH);
    EXPECT_EQ(Update(f.doc, ID_MEASURE_LENGTH).m_checked, true);
    EXPECT_EQ(Update(f.doc, ID_MEASURE_AREA).m_checked, false);
    f.doc.OnCmdMsg(ID_MEASURE_LENGTH);
    EXPECT_FALSE(f.doc.m_bMeasureLength);
}

TEST(ToolCommands, EveryZoomItemChecksItselfAloneAndTheSessionKeepsIt) {
    DocFixture f;
    f.Add({f.files.Make("a.bmp", 3)});
    const int items[] = {ID_ZOOM_QUARTER, ID_ZOOM_HALF, ID_ZOOM_1X,
                         ID_ZOOM_2X,      ID_ZOOM_4X,   ID_ZOOM_FIT};
    struct Case {
        int command;
        double zoom;
        bool fit;
        double saved;  // the session's zoom
    };
    for (const Case& c :
         {Case{ID_ZOOM_HALF, 0.5, false, 0.5}, Case{ID_ZOOM_QUARTER, 0.25, false, 0.25},
          Case{ID_ZOOM_4X, 4, false, 4}, Case{ID_ZOOM_FIT, 4, true, kZoomFitted},
          Case{ID_ZOOM_1X, 1, false, 1}, Case{ID_ZOOM_2X, 2, false, 2}}) {
        f.doc.OnCmdMsg(c.command);
        EXPECT_EQ(f.view.zoom, c.zoom) << c.command;
        EXPECT_EQ(f.view.fit, c.fit) << c.command;
        for (int id : items) {
            const CCmdUI ui = Update(f.doc, id);
            EXPECT_TRUE(ui.m_bEnabled) << id;
            EXPECT_EQ(ui.m_checked, id == c.command) << c.command << " " << id;
        }
        EXPECT_EQ(CaptureSession(f.doc).view.zoom, c.saved) << c.command;
    }
}

TEST(ToolCommands, PickModesReplaceEachOther) {
    DocFixture f;
    f.doc.OnCmdMsg(ID_AXIS_ORIGIN);
    EXPECT_EQ(f.view.pickMode, PICK_ORIGIN);
    f.doc.OnCmdMsg(ID_AXIS_YPOINT);
    EXPECT_EQ(f.view.pickMode, PICK_YAXIS);
    f.doc.OnCmdMsg(ID_AXIS_XPOINT);
    EXPECT_EQ(f.view.pickMode, PICK_XAXIS);
}

TEST(ToolCommands, ArrowKeysStepTheCursorAndTheImages) {
    DocFixture f;
    f.Add({f.files.Make("a.bmp", 3), f.files.Make("b.bmp", 4), f.files.Make("c.bmp", 5)});
    f.doc.AddLineToAll(0, 5, 10, 5);
    f.doc.m_nCurLine = 0;
    CScan* line = f.doc.GetCurLine();
    line->m_bDetect = true;
    f.doc.OnCmdMsg(ID_MOVE_LEFT);
    EXPECT_EQ(line->m_nPos, 10);  // from the first sample to the last
    f.doc.OnCmdMsg(ID_MOVE_RIGHT);
    EXPECT_EQ(line->m_nPos, 0);
    EXPECT_TRUE(line->m_bDetect);  // keys never touch the flag
    EXPECT_EQ(f.doc.m_profile.GetLine(1, 0, 0)->m_nPos, 0);

    struct Step {
        int id;
        int expected;
    };
    f.doc.OpenImage(0);
    for (const Step& s :
         {Step{ID_MOVE_UP, 2}, Step{ID_MOVE_DOWN, 0}, Step{ID_MOVE_DOWN, 1}, Step{ID_MOVE_UP, 0}}) {
        f.doc.OnCmdMsg(s.id);
        EXPECT_EQ(f.doc.m_nCurImage, s.expected);
        EXPECT_EQ(f.doc.m_nCurLine, 0);
    }

    // With no current image, Up goes to the last file and Down to the first.
    f.doc.m_nCurImage = -1;
    f.doc.OnCmdMsg(ID_MOVE_UP);
    EXPECT_EQ(f.doc.m_nCurImage, 2);
    f.doc.m_nCurImage = -1;
    f.doc.OnCmdMsg(ID_MOVE_DOWN);
    EXPECT_EQ(f.doc.m_nCurImage, 0);

    DocFixture single;
    single.Add({single.files.Make("a.bmp", 3)});
    single.doc.OnCmdMsg(ID_MOVE_DOWN);
    single.doc.OnCmdMsg(ID_MOVE_UP);
    EXPECT_EQ(single.doc.m_nCurImage, 0);
}

TEST(ToolCommands, HitTestOrderAndRegions) {
    DocFixture f;
    f.Add({f.files.Make("a.bmp", 3)});
    f.doc.AddLineToAll(20, 50, 100, 50);   // line 0, horizontal
    f.doc.AddLineToAll(60, 52, 60, 90);    // line 1 starts inside line 0's band
    f.doc.AddLineToAll(140, 20, 140, 90);  // line 2, vertical
    struct Case {
        CPoint p;
        int hit;
        int curLine;  // after the test; 9 = unchanged
    };
    const Case cases[] = {
        {{60, 52}, HIT_LINE, 0},  // line 0 comes first
        {{60, 90}, HIT_END, 1},
        {{20, 50}, HIT_START, 0},
        {{24, 50}, HIT_START, 0},  // within the radius
        {{25, 50}, HIT_LINE, 0},
        {{99, 50}, HIT_END, 0},
        {{50, 56}, HIT_NONE, 9},  // beyond the band
        {{50, 45}, HIT_LINE, 0},
        {{144, 60}, HIT_LINE, 2},  // the vertical band is r wide on both sides
        {{146, 60}, HIT_NONE, 9},
        {{10, 110}, HIT_ORIGIN, 9},
        {{110, 110}, HIT_XAXIS, 9},
        {{10, 10}, HIT_YAXIS, 9},
        {{16, 110}, HIT_NONE, 9},
    };
    for (const Case& c : cases) {
        f.doc.m_nCurLine = 9;
        EXPECT_EQ(f.doc.HitTest(c.p.x, c.p.y), c.hit) << c.p.x << "," << c.p.y;
        EXPECT_EQ(f.doc.m_nCurLine, c.curLine) << c.p.x << "," << c.p.y;
    }
}

}  // namespace
