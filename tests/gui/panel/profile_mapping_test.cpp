// SPDX-License-Identifier: GPL-3.0-or-later
// The profile plot's arithmetic, without a widget: samples and values to pixels and back, the
// fixed axes, the reduction of long profiles and the read-out.
#include "panel/profile_mapping.h"

#include <QTest>
#include <cmath>
#include <random>

#include "gui/panel/panel_test_support.h"

namespace {

LineProfile Ramp(int n, int white, bool caliper) {
    LineProfile profile;
    profile.maxValue = white;
    for (int i = 0; i < n; ++i) {
        profile.values.push_back(std::fmod(i * 7.5, white));
        profile.pixels.push_back({10 + i, 20});
    }
    if (caliper) {
        profile.settings.caliper = CaliperRule{};
        profile.response = EdgeResponse(profile.values, 1.0);
        profile.caliper = MeasureCaliper(profile.values, CaliperRule{});
    }
    return profile;
}

}  // namespace

class ProfileMappingTest : public QObject {
    Q_OBJECT
private slots:
    void mapsBothWays_data();
    void mapsBothWays();
    void fixedTicks_data();
    void fixedTicks();
    void longProfilesKeepEveryColumnsExtremes();
    void readout();
};

void ProfileMappingTest::mapsBothWays_data() {
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("white");
    QTest::addColumn<bool>("caliper");
    QTest::newRow("two samples") << 2 << 255 << false;
    QTest::newRow("8-bit") << 101 << 255 << true;
    QTest::newRow("16-bit") << 1000 << 65535 << true;
    QTest::newRow("dense") << 100000 << 255 << false;
}

void ProfileMappingTest::mapsBothWays() {
    QFETCH(int, samples);
    QFETCH(int, white);
    QFETCH(bool, caliper);
    const LineProfile profile = Ramp(samples, white, caliper);
    const ProfileFrame frame = MakeProfileFrame(profile, QRectF(30, 20, 400, 200));
    QCOMPARE(SampleX(frame, 0), 30.0);
    QCOMPARE(SampleX(frame, samples - 1), 430.0);
    QCOMPARE(ProfileValueY(frame, 0), 220.0);
    QCOMPARE(ProfileValueY(frame, white), 20.0);
    QCOMPARE(ProfileValueAt(frame, ProfileValueY(frame, white / 3.0)), white / 3.0);
    for (const int i : {0, 1, samples / 2, samples - 1}) {
        QCOMPARE(NearestSample(frame, SampleX(frame, i)), i);
    }
    // Past the ends the nearest sample is the end's.
    QCOMPARE(NearestSample(frame, 0.0), 0);
    QCOMPARE(NearestSample(frame, 1000.0), samples - 1);
    if (!caliper) {
        QCOMPARE(frame.responseTop, 0.0);
        return;
    }
    // The response's scale holds every response, with zero in the middle.
    QCOMPARE(ResponseY(frame, 0.0), 120.0);
    for (const double r : profile.response) {
        QVERIFY(ResponseY(frame, r) >= 20.0 && ResponseY(frame, r) <= 220.0);
    }
}

void ProfileMappingTest::fixedTicks_data() {
    QTest::addColumn<double>("lo");
    QTest::addColumn<double>("hi");
    QTest::addColumn<bool>("whole");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("8-bit") << 0.0 << 255.0 << false
                           << QStringList{"0", "50", "100", "150", "200", "250"};
    QTest::newRow("16-bit") << 0.0 << 65535.0 << false
                            << QStringList{"0", "20000", "40000", "60000"};
    QTest::newRow("three samples") << 0.0 << 3.0 << true << QStringList{"0", "1", "2", "3"};
    QTest::newRow("one sample") << 0.0 << 0.0 << true << QStringList{"0"};
    QTest::newRow("response") << -40.0 << 40.0 << false
                              << QStringList{"-40", "-20", "0", "20", "40"};
}

void ProfileMappingTest::fixedTicks() {
    QFETCH(double, lo);
    QFETCH(double, hi);
    QFETCH(bool, whole);
    QFETCH(QStringList, labels);
    const AxisTicks ticks = FixedTicks(lo, hi, 6, whole);
    // The axis ends stay at the data's: the picture's depth, the line's samples.
    QCOMPARE(ticks.lo, lo);
    QCOMPARE(ticks.hi, hi);
    QStringList texts;
    for (const double v : ticks.values) texts << TickText(v, ticks);
    QCOMPARE(texts, labels);
}

void ProfileMappingTest::longProfilesKeepEveryColumnsExtremes() {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(0.0, 255.0);
    LineProfile profile;
    for (int i = 0; i < 200000; ++i) profile.values.push_back(noise(random));
    profile.values[123456] = 255.0;  // one spike, which must not fall between the kept points
    const ProfileFrame frame = MakeProfileFrame(profile, QRectF(0, 0, 300, 100));
    const std::vector<QPointF> path = ProfilePath(frame, profile.values, false);
    QVERIFY(path.size() <= 4 * 302);
    bool spike = false;
    for (const QPointF& p : path) spike = spike || p.y() == 0.0;
    QVERIFY(spike);
    // A short profile keeps every sample.
    profile.values.resize(50);
    QCOMPARE(ProfilePath(MakeProfileFrame(profile, QRectF(0, 0, 300, 100)), profile.values, false)
                 .size(),
             std::size_t{50});
}

void ProfileMappingTest::readout() {
    const LineProfile plain = Ramp(10, 255, false);
    const LineProfile caliper = Ramp(10, 255, true);
    struct Row {
        const LineProfile* profile;
        int sample;
        QStringList parts;  // empty: no read-out
    };
    const Row rows[] = {
        {&plain, 3, {"3", "(13, 20)", "22.5"}},
        {&caliper, 3, {"3", "(13, 20)", "22.5", QString::number(caliper.response[3], 'g', 6)}},
        {&plain, -1, {}},
        {&plain, 10, {}},
    };
    for (const Row& row : rows) {
        const QString text = ProfileReadout(*row.profile, row.sample);
        QCOMPARE(text.isEmpty(), row.parts.isEmpty());
        // Numbers with a point in every locale.
        for (const QString& part : row.parts) QVERIFY2(text.contains(part), qPrintable(text));
    }
}

int RunProfileMappingTests(int argc, char** argv) {
    ProfileMappingTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "profile_mapping_test.moc"
