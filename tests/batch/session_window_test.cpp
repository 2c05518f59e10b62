// SPDX-License-Identifier: GPL-3.0-or-later
// A session saved from the window, measured by the batch tool: the same data file as the
// window's own export.
#include <gtest/gtest.h>

#include "batch/tool_run.h"
#include "document/doc_fakes.h"
#include "document/session_document.h"
#include "session/session_write.h"

namespace {

TEST_F(BatchToolTest, MeasuresAWindowsSessionAsTheWindowExportsIt) {
    DocFixture f;
    f.panel.options = {2, 2, true, true};  // green, steepest fall, calibration per image
    f.Add({f.files.Make("a.bmp", 30, 120, 130), f.files.Make("b.bmp", 50, 120, 130),
           f.files.Make("c.jpg", 70, 120, 130), f.files.Make("d.bmp", 90, 120, 130)});
    f.doc.AddLineToAll(10, 110, 110, 110);
    f.doc.m_nCurLine = 0;
    f.doc.DetectPending();                             // what painting image 0 does
    for (int k = 0; k < 3; ++k) f.doc.OnCursorNext();  // nudged off the detected edge
    f.panel.options.autoDetect = false;
    f.doc.AddLineToAll(5, 20, 115, 60);  // kept at its start everywhere
    f.panel.options.autoDetect = true;
    f.doc.AddLineToAll(115, 100, 0, 100);
    CScan* stale = f.doc.m_profile.GetLine(3, 0, 0);  // pending, not at its start
    stale->SetPos(9);
    stale->m_bDetect = true;
    f.doc.SetAxisValue(1, 40.0, 0.0);  // image 0's own
    f.doc.OpenImage(2);
    f.doc.SetAxisPixel(2, 15, 5);  // image 2's own
    f.doc.m_bMeasureLength = f.doc.m_bMeasureArea = true;
    ASSERT_TRUE(f.ui.messages.empty());

    const std::string session = Path(QStringLiteral("window.json")).toStdString();
    const SessionSaveResult saved = SaveSession(CaptureSession(f.doc), session);
    ASSERT_TRUE(saved.ok()) << saved.error;
    const QString fromTool = Path(QStringLiteral("tool.dat"));
    const ToolRun run = Exec({session, "-o", fromTool.toStdString(), "--jobs", "2"});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    const QString fromWindow = Path(QStringLiteral("window.dat"));
    f.ui.saveChoices = {fromWindow};
    f.doc.OnDataWrite();
    ASSERT_TRUE(f.ui.messages.empty()) << f.ui.messages[0].toStdString();
    const QByteArray window = ReadFile(fromWindow);
    EXPECT_TRUE(window.contains("Area"));
    EXPECT_EQ(ReadFile(fromTool), window);
    // The stale cursor was detected afresh, the nudged one and the undetected line kept.
    EXPECT_EQ(stale->m_nPos, 79);
    EXPECT_EQ(f.doc.m_profile.GetLine(0, 0, 0)->m_nPos, 22);
    EXPECT_EQ(f.doc.m_profile.GetLine(1, 0, 1)->m_nPos, 0);
}

// The example of version 2 is the example of version 1, with the window's part added.
TEST_F(BatchToolTest, TheVersionTwoExampleGivesTheExamplesFile) {
    const QString out = Path(QStringLiteral("v2.dat"));
    const ToolRun run = Exec({QUANDREL_EXAMPLES_DIR "/session-v2.json", "-o", out.toStdString()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadFile(out), ReadFile(QStringLiteral(QUANDREL_EXAMPLES_DIR "/expected.dat")));
}

}  // namespace
