// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/session_document.h"

#include <gtest/gtest.h>

#include <QDir>
#include <bit>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>

#include "doc_fakes.h"
#include "model/title_order.h"
#include "session/session_write.h"
#include "model/caliper_words.h"

namespace {

// Everything of the document that a reopened session must give back, as text, so that a
// difference shows where it lies. Doubles by their bits: -0.0 is not 0.0.
std::string Dump(const DocFixture& f) {
    const CNorvaleDoc& doc = f.doc;
    std::ostringstream out;
    const PanelOptions o = doc.Options();
    out << "options " << o.channel << ' ' << o.edgeMode << ' ' << o.autoDetect << ' '
        << o.axisIndividual << " new lines "
        << (o.newLineRule ? CaliperWords(*o.newLineRule) : std::string("plain")) << " switches " << doc.m_bMeasureLength << doc.m_bMeasureArea
        << " current " << doc.m_nCurImage << '/' << doc.m_nCurArray << '/' << doc.m_nCurLine
        << " zoom " << f.view.zoom << " fit " << f.view.fit << '\n';
    for (int i = 0; i < doc.m_profile.GetSize(); ++i) {
        const CScanSeries& series = *doc.m_profile.GetSeries(i);
        out << i << ' ' << series.m_strTitle << " | " << series.m_strPath << " | sets "
            << series.m_arArray.size() << "\n  axis";
        const CDataAxis& a = *doc.m_profile.GetAxis(i);
        for (const CData* p : {&a.m_origin, &a.m_xAxis, &a.m_yAxis}) {
            out << ' ' << std::hex << std::bit_cast<std::uint64_t>(p->m_xValue) << ' '
                << std::bit_cast<std::uint64_t>(p->m_yValue) << std::dec << ' ' << p->m_xPixel
                << ',' << p->m_yPixel << ';';
        }
        out << " log " << a.m_bLogX << a.m_bLogY << '\n';
        for (const auto& line : series.GetAt(0)->m_arLine) {
            out << "  line " << line->m_ptStart.x << ',' << line->m_ptStart.y << ' '
                << line->m_ptEnd.x << ',' << line->m_ptEnd.y << " pos " << line->m_nPos
                << " detect " << line->m_bDetect << " at " << line->m_ptCur.x << ','
                << line->m_ptCur.y << " origin " << static_cast<int>(line->m_origin) << " sub "
                << std::hex << std::bit_cast<std::uint64_t>(line->m_dSubPos) << std::dec;
            if (const DetectionSettings* found = doc.m_profile.FoundWith(*line)) {
                out << " found " << found->channel << found->mode << found->edge.subPixel
                    << found->edge.lineWidth << found->edge.smoothing << found->edge.smoothWidth
                    << found->edge.wholeLine;
            }
            out << '\n';
        }
    }
    return out.str();
}

// Names without a slash lie in the fixture's folder, the session's; the others elsewhere.
void AddImages(DocFixture& f, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        const std::string path = name[0] == '/'
                                     ? std::string(name)
                                     : f.files.Path(QString::fromUtf8(name)).toStdString();
        f.doc.AddImageFile(TitleOfPath(path), path);
    }
}

void SetCursor(DocFixture& f, int image, int line, SessionCursor c) {
    CScan* scan = f.doc.m_profile.GetLine(image, 0, line);
    scan->SetPos(c.pos);
    scan->m_bDetect = c.detect;
}

struct State {
    const char* name;
    void (*setup)(DocFixture&);
};

void PrintTo(const State& state, std::ostream* out) {
    *out << state.name;
}

using C = SessionCursor;

const State kStates[] = {
    {"an empty document",
     [](DocFixture& f) {
         f.panel.options = {1, 2, false, true};
         f.view.zoom = 2;
     }},
    {"images below and outside the session's folder, no lines yet",
     [](DocFixture& f) {
         AddImages(f, {"z.bmp", "sub/deeper/b.jpg", "/nonexistent/elsewhere/c.gif", "a b.bmp",
                       "\xe7\x94\xbb\xe5\x83\x8f.bmp"});
         f.doc.m_nCurImage = 2;
         f.view.zoom = 4;
         f.panel.options = {3, 1, true, false};
         f.doc.m_bMeasureLength = true;
     }},
    {"cursors in every state",
     [](DocFixture& f) {
         AddImages(f, {"a.bmp", "b.bmp", "c.bmp", "/elsewhere/d.bmp"});
         f.doc.AddLineToAll(10, 20, 110, 20);
         f.panel.options.autoDetect = false;  // drawn so: kept at its start on every image
         f.doc.AddLineToAll(50, 5, 40, 75);
         f.panel.options.autoDetect = true;
         f.doc.AddLineToAll(-3, 7, 2000, 900);
         SetCursor(f, 0, 0, C::Kept(14));  // nudged by hand
         SetCursor(f, 0, 2, C::Kept(3));
         SetCursor(f, 1, 0, C::Pending(9));  // pending, though not at its start
         SetCursor(f, 2, 2, C::Kept(1023));
         SetCursor(f, 2, 1, C::Pending(70));
         f.doc.m_nCurImage = 1;
         f.doc.m_nCurLine = 2;
         f.view.zoom = 2;
         f.doc.m_bMeasureArea = true;
     }},
    {"calibrations of their own, the first image's among them",
     [](DocFixture& f) {
         AddImages(f, {"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"});
         f.doc.AddLineToAll(0, 0, 30, 40);
         for (int i = 1; i <= 3; ++i) {
             CDataAxis& shared = *f.doc.m_profile.GetAxis(i);
             shared.m_xAxis = {1e-3, 0.0, 500, 110};
             shared.m_bLogY = true;
         }
         CDataAxis& first = *f.doc.m_profile.GetAxis(0);
         first.m_origin = {0.1, -0.0, std::numeric_limits<int>::min(), 7};
         CDataAxis& last = *f.doc.m_profile.GetAxis(4);
         last.m_yAxis = {-0.0, 1.0 / 3.0, 10, std::numeric_limits<int>::max()};
         last.m_bLogX = true;
         f.panel.options = {2, 3, true, true};
         f.doc.m_nCurImage = 4;
         f.doc.m_nCurLine = 0;
         f.doc.m_bMeasureLength = f.doc.m_bMeasureArea = true;
         f.view.fit = true;  // the picture fitted to the window
     }},
    // How each cursor came there, with its settings and sub-pixel edge: sixty-three settings
    // on the first image, one past the letters of the short form; the second says it short.
    {"cursors detected under many settings, placed by hand and kept",
     [](DocFixture& f) {
         AddImages(f, {"a.bmp", "b.bmp", "c.bmp"});
         CDataProfile& p = f.doc.m_profile;
         for (int k = 0; k < 63; ++k) {
             f.doc.AddLineToAll(10, 20 + k, 110, 20 + k);
             CScan& line = *p.GetLine(0, 0, k);
             line.SetEdge(k, k % 6 == 0 ? k + 0.359375 : -1.0);  // with sub-pixel placement
             line.m_bDetect = false;
             p.MarkDetected(line, {k % 4, k / 4 % 4, {k % 2 == 0, 1 + 2 * (k / 16), kSmoothMean, 5}});
         }
         CScan& b = *p.GetLine(1, 0, 1);
         b.SetEdge(12, 12.25);
         b.m_bDetect = false;
         p.MarkDetected(b, p.m_detections[6]);
         CScan& c = *p.GetLine(1, 0, 0);
         c.SetPos(7);
         c.m_bDetect = false;
         c.m_origin = CursorOrigin::Placed;
         SetCursor(f, 2, 1, C::Kept(3));
     }},
    // The rule the panel gives new lines, which nothing else in the file names.
    {"new lines under the panel's caliper rule",
     [](DocFixture& f) {
         AddImages(f, {"a.bmp"});
         f.doc.AddLineToAll(10, 20, 110, 20);
         CaliperRule rule;
         rule.kind = CaliperKind::Threshold;
         rule.level = 0.375;
         rule.lastCrossing = true;
         rule.sigma = 2.25;
         f.panel.options.newLineRule = rule;
     }},
    {"a reduced view",
     [](DocFixture& f) {
         AddImages(f, {"a.bmp", "b.bmp"});
         f.doc.m_nCurImage = 1;
         f.view.zoom = 0.25;
     }},
    {"a view at half size",
     [](DocFixture& f) {
         AddImages(f, {"a.bmp"});
         f.view.zoom = 0.5;
     }},
};

class SessionRoundTrip : public ::testing::TestWithParam<State> {};

// Window state -> file -> window state: every field comes back, in a document that held other
// work and a picture before; no picture is loaded and nothing is said.
TEST_P(SessionRoundTrip, ReopensTheSameWork) {
    DocFixture source;
    GetParam().setup(source);
    const std::string before = Dump(source);
    const std::string path = source.files.Path(QStringLiteral("work.json")).toStdString();
    const SessionSaveResult saved = SaveSession(CaptureSession(source.doc), path);
    ASSERT_TRUE(saved.ok()) << saved.error;

    DocFixture target;
    target.Add({target.files.Make("old.bmp", 30), target.files.Make("older.bmp", 40)});
    target.doc.AddLineToAll(1, 1, 50, 1);
    ASSERT_NE(target.doc.GetPictureBitmap(), nullptr);
    const SessionResult read = LoadSession(path);
    ASSERT_TRUE(read.session) << read.error;
    ASSERT_GT(target.doc.UndoStack().count(), 0);
    ASSERT_TRUE(ApplySession(target.doc, *read.session));
    EXPECT_EQ(Dump(target), before);
    EXPECT_EQ(target.doc.UndoStack().count(), 0);  // the old work's steps are gone with it
    EXPECT_EQ(target.doc.GetPictureBitmap(), nullptr);
    EXPECT_TRUE(target.ui.messages.empty());
    EXPECT_TRUE(target.ui.openFailures.empty());
    EXPECT_EQ(target.doc.m_buffer.m_nLastSample, -1);

    // And once more: the reopened work saves to the same text.
    const std::string again = source.files.Path(QStringLiteral("again.json")).toStdString();
    ASSERT_TRUE(SaveSession(CaptureSession(target.doc), again).ok());
    QFile first(QString::fromStdString(path));
    QFile second(QString::fromStdString(again));
    ASSERT_TRUE(first.open(QIODevice::ReadOnly) && second.open(QIODevice::ReadOnly));
    EXPECT_EQ(first.readAll(), second.readAll());
}

INSTANTIATE_TEST_SUITE_P(States, SessionRoundTrip, ::testing::ValuesIn(kStates),
                         [](const ::testing::TestParamInfo<State>& param) {
                             std::string name;
                             for (const char* p = param.param.name; *p != '\0'; ++p) {
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             }
                             return name;
                         });

// A folder of images moved whole with its session opens the images at their new place.
TEST(SessionDocument, AFolderMovedWithItsSessionFindsItsImages) {
    DocFixture f;
    const QString from = f.files.Path(QStringLiteral("from"));
    ASSERT_TRUE(QDir().mkpath(from + QStringLiteral("/sub")));
    for (const char* name : {"from/a.bmp", "from/sub/b.bmp", "/elsewhere/c.bmp"}) {
        const std::string path =
            name[0] == '/' ? std::string(name) : f.files.Path(QLatin1String(name)).toStdString();
        f.doc.AddImageFile(TitleOfPath(path), path);
    }
    ASSERT_TRUE(SaveSession(CaptureSession(f.doc), (from + "/s.json").toStdString()).ok());
    const QString to = f.files.Path(QStringLiteral("to"));
    ASSERT_TRUE(QDir().rename(from, to));
    const SessionResult read = LoadSession((to + "/s.json").toStdString());
    ASSERT_TRUE(read.session) << read.error;
    ASSERT_EQ(read.session->images.size(), 3u);
    EXPECT_EQ(read.session->images[0].path, (to + "/a.bmp").toStdString());
    EXPECT_EQ(read.session->images[1].path, (to + "/sub/b.bmp").toStdString());
    EXPECT_EQ(read.session->images[2].path, "/elsewhere/c.bmp");
}

// The most frequent calibration becomes the session's; an image has its own only where it
// differs, to the bit.
TEST(SessionDocument, WritesOwnCalibrationsOnlyWhereTheyDiffer) {
    DocFixture f;
    AddImages(f, {"a.bmp", "b.bmp", "c.bmp", "d.bmp"});
    f.doc.m_profile.GetAxis(0)->m_origin.m_xValue = 5.0;
    f.doc.m_profile.GetAxis(3)->m_origin.m_xValue = -0.0;  // not the default's 0.0
    const Session s = CaptureSession(f.doc);
    EXPECT_EQ(s.axis, CDataAxis());
    ASSERT_EQ(s.images.size(), 4u);
    EXPECT_TRUE(s.images[0].axis);
    EXPECT_FALSE(s.images[1].axis);
    EXPECT_FALSE(s.images[2].axis);
    EXPECT_TRUE(s.images[3].axis);
}

// While the export detects, the records are being worked on: opening a session must wait.
TEST(SessionDocument, NothingIsReplacedWhileTheExportDetects) {
    DocFixture f;
    f.Add({f.files.Make("a.bmp", 30), f.files.Make("b.bmp", 50)});
    f.doc.AddLineToAll(10, 40, 110, 40);
    Session other;
    other.images = {{"/x/new.bmp", std::nullopt, {}}};
    bool applied = true;
    std::string during;
    f.ui.onProgress = [&](int) {
        applied = ApplySession(f.doc, other);
        during = Dump(f);
    };
    const std::string before = Dump(f);
    f.ui.saveChoices = {f.files.Path(QStringLiteral("out.dat"))};
    f.doc.OnDataWrite();
    ASSERT_FALSE(during.empty());
    EXPECT_FALSE(applied);
    EXPECT_EQ(during, before);
}

}  // namespace
