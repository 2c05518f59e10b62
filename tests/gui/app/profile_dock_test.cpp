// SPDX-License-Identifier: GPL-3.0-or-later
// The profile plot in the real frame: shown from the View menu and following the current line as
// it moves and changes, and the profile written from the Data menu.
#include <QAction>
#include <QDockWidget>
#include <QFile>
#include <QTest>

#include "export/profile_csv.h"
#include "frame_fixture.h"
#include "panel/profile_plot.h"
#include "view/norvale_view.h"

class ProfileDockTest : public QObject, private FrameFixture {
    Q_OBJECT

    CProfilePlot& Plot() { return *Frame().ProfilePlot(); }

    // One picture with a dark bar at column 40 and a line across it, made current.
    void LoadLine() {
        m_ui->openChoices.push_back({m_files->Make(QStringLiteral("bar.bmp"), 40, 160, 120)});
        QTest::keyClick(&Frame(), Qt::Key_O, Qt::ControlModifier);
        QVERIFY(Doc().DrawLine(5, 60, 150, 60));
        Doc().UpdateAllViews();
    }
    void ShowDock() {
        Frame().Action(ID_VIEW_PROFILE)->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(Frame().ProfileDock()));
    }
    // The line's own caliper rule on every image.
    void GiveRule(CaliperKind kind) {
        CaliperRule rule;
        rule.kind = kind;
        rule.minContrast = 20.0;
        rule.pairOrder = PairOrder::FallRise;
        Doc().m_profile.m_rules = {rule};
        for (int i = 0; i < Doc().m_profile.GetSize(); ++i) {
            Doc().m_profile.GetLine(i, 0, 0)->m_nRule = 1;
        }
        Doc().UpdateAllViews();
    }

private slots:
    void initTestCase() { InitTestCase(); }
    void init() { Init(); }
    void cleanup() { Cleanup(); }

    void theViewMenuShowsItAndItFollowsTheLine() {
        Start();
        QAction* toggle = Frame().Action(ID_VIEW_PROFILE);
        QVERIFY(Frame().ProfileDock()->isHidden());
        QVERIFY(!toggle->isChecked());
        ShowDock();
        QVERIFY(toggle->isChecked());
        QVERIFY(!Plot().EmptyText().isEmpty());  // no line yet: said so, nothing drawn
        LoadLine();
        QTRY_VERIFY(Plot().EmptyText().isEmpty());
        QCOMPARE(Plot().Profile().Count(), 146);
        QVERIFY(!Plot().Profile().HasCaliper());
        // The minimum rule lands on the bar: sample 35.
        QTRY_COMPARE(Plot().Profile().edge, 35.0);

        // The cursor nudged along the line: the plot repaints with the edge point moved.
        int paints = Plot().PaintCount();
        Frame().ImageView()->setFocus();
        QTest::keyClick(&Frame(), Qt::Key_Right);
        QTRY_VERIFY(Plot().PaintCount() > paints);
        QCOMPARE(Plot().Profile().edge, 36.0);
        // The line reshaped: the profile follows, shorter.
        paints = Plot().PaintCount();
        QVERIFY(Doc().ReshapeCurLine(5, 60, 100, 60));
        QTRY_VERIFY(Plot().PaintCount() > paints);
        QCOMPARE(Plot().Profile().Count(), 96);
        // The pointer's sample is read out, nothing off the plot.
        const ProfileFrame frame = Plot().Frame();
        const QPoint at(static_cast<int>(SampleX(frame, 35)),
                        static_cast<int>(frame.area.center().y()));
        QVERIFY(Plot().ReadoutAt(at).contains(QStringLiteral("35")));
        QVERIFY(Plot().ReadoutAt(QPoint(0, 0)).isEmpty());
        // A caliper rule given to the line: the response on its own scale, the pair found.
        paints = Plot().PaintCount();
        GiveRule(CaliperKind::Pair);
        QTRY_VERIFY(Plot().PaintCount() > paints);
        QVERIFY(Plot().Profile().caliper && Plot().Profile().caliper->second);
        QVERIFY(Plot().Frame().responseTop > 0.0);

        toggle->trigger();
        QVERIFY(Frame().ProfileDock()->isHidden());
        QVERIFY(!toggle->isChecked());
    }

    // The profile export: the file is the core's text for the current line; without a line or
    // a picture the user is told why and nothing is asked.
    void theProfileIsWrittenOrTheUserIsToldWhyNot() {
        Start();
        Frame().Action(ID_PROFILE_WRITE)->trigger();
        QCOMPARE(m_ui->messages.size(), std::size_t{1});
        QVERIFY(m_ui->messages.back().contains(QStringLiteral("走査線")) ||
                m_ui->messages.back().contains(QStringLiteral("line")));

        LoadLine();
        GiveRule(CaliperKind::Pair);
        for (const int filter : {0, 1}) {
            const QString path = m_files->Path(QStringLiteral("profile%1.csv").arg(filter));
            m_ui->saveChoices.push_back(path);
            m_ui->saveFilter = filter;
            Frame().Action(ID_PROFILE_WRITE)->trigger();
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const PanelOptions options = Doc().Options();
            const CScan& line = *Doc().GetCurLine();
            const LineProfile profile =
                MeasureLineProfile(Doc().GetPictureBitmap()->View(), line, options.channel,
                                   options.edgeMode, options.edge, Doc().m_profile.RuleOf(line));
            QCOMPARE(file.readAll().toStdString(), BuildProfileCsv(profile, {filter == 1, 1, 1}));
        }
        QCOMPARE(m_ui->lastSave.defaultSuffix, QStringLiteral("csv"));

        // The picture's file gone bad: a message naming the cause, no file asked for.
        const std::size_t messages = m_ui->messages.size();
        QFile::remove(m_files->Path(QStringLiteral("bar.bmp")));
        m_files->Text(QStringLiteral("bar.bmp"), "not a picture");
        Doc().OpenImage(0, false);
        m_ui->saveChoices.push_back(m_files->Path(QStringLiteral("never.csv")));
        Frame().Action(ID_PROFILE_WRITE)->trigger();
        QCOMPARE(m_ui->messages.size(), messages + 1);
        QCOMPARE(m_ui->saveChoices.size(), std::size_t{1});
        QVERIFY(!QFile::exists(m_files->Path(QStringLiteral("never.csv"))));
    }
};

QTEST_MAIN(ProfileDockTest)
#include "profile_dock_test.moc"
