// SPDX-License-Identifier: GPL-3.0-or-later
#include "series/entry_times.h"

#include <QCoreApplication>
#include <charconv>
#include <cmath>

#include "picture/file_stamp.h"

TimeAxis EntryTimesOf(const CDataProfile& profile) {
    const std::size_t count = profile.m_arSeries.size();
    switch (profile.m_timeRule.kind) {
        case TimeRule::Kind::FromFiles: {
            std::vector<EntryTime> times;
            times.reserve(count);
            for (const auto& series : profile.m_arSeries) times.push_back(series->m_time);
            return MakeTimeAxis(std::move(times));
        }
        case TimeRule::Kind::Interval:
            return MakeTimeAxis(IntervalTimes(profile.m_timeRule, count));
        case TimeRule::Kind::FileTime:
            break;
    }
    // The frames of one video, the pages of one stack, follow each other in the list: a file
    // is asked once for each run of its entries.
    std::vector<std::optional<FileInstant>> instants(count);
    const std::string* lastPath = nullptr;
    std::optional<FileInstant> last;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& path = profile.m_arSeries[i]->m_strPath;
        if (lastPath == nullptr || *lastPath != path) {
            lastPath = &path;
            last.reset();
            if (const std::optional<FileStamp> stamp = StampFile(path)) {
                last = FileInstant{stamp->modifiedSec, stamp->modifiedNsec};
            }
        }
        instants[i] = last;
    }
    return MakeTimeAxis(FileInstantTimes(instants));
}

bool HasTimes(const CDataProfile& profile, const TimeAxis& axis) {
    return !profile.m_timeRule.IsDefault() || axis.Any();
}

QString TimeSourceText(TimeSource source) {
    switch (source) {
        case TimeSource::None:
            return QCoreApplication::translate("Document", "時刻なし");
        case TimeSource::VideoTimestamp:
            return QCoreApplication::translate("Document", "動画のタイムスタンプ");
        case TimeSource::TiffDescription:
            return QCoreApplication::translate("Document", "スタックの記述");
        case TimeSource::Exif:
            return QCoreApplication::translate("Document", "EXIF の撮影日時");
        case TimeSource::Interval:
            return QCoreApplication::translate("Document", "一定の間隔");
        case TimeSource::FileTime:
            return QCoreApplication::translate("Document", "ファイルの更新日時");
    }
    return {};
}

QString SecondsText(double seconds) {
    char buffer[32];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, seconds);
    return QString::fromLatin1(buffer, static_cast<qsizetype>(result.ptr - buffer));
}

QString EntryTimeText(const TimeAxis& axis, int entry) {
    const auto i = static_cast<std::size_t>(entry);
    if (entry < 0 || i >= axis.times.size()) return {};
    if (std::isnan(axis.seconds[i])) {
        return QCoreApplication::translate("Document", "時刻なし（画像番号 %1 で代用）")
            .arg(entry + 1);
    }
    return QCoreApplication::translate("Document", "時刻 %1 秒（%2）")
        .arg(SecondsText(axis.seconds[i]), TimeSourceText(axis.times[i].source));
}
