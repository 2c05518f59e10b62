// SPDX-License-Identifier: GPL-3.0-or-later
#include "series/entry_survey.h"

#include <unordered_map>

#include "model/title_order.h"
#include "picture/picture_entries.h"

namespace {

// The time a file carries for its entry `frame`; a single picture's is its only one.
EntryTime TimeOf(const FileEntries& file, std::int64_t frame) {
    const auto k = static_cast<std::size_t>(frame < 0 ? 0 : frame);
    return k < file.times.size() ? file.times[k] : EntryTime{};
}

}  // namespace

std::vector<ListEntry> EntriesOfFile(const std::string& path,
                                     const std::function<bool(double fraction)>& progress) {
    const FileEntries file = SurveyEntries(path, progress);
    const std::string title = TitleOfPath(path);
    std::vector<ListEntry> entries;
    if (file.stopped) return entries;
    if (file.result.status != CPicture::LoadStatus::Ok || file.kind == FileEntries::Kind::Single ||
        file.count < 1) {
        entries.push_back({title, -1,
                           file.result.status == CPicture::LoadStatus::Ok ? TimeOf(file, -1)
                                                                          : EntryTime{}});
        return entries;
    }
    entries.reserve(static_cast<std::size_t>(file.count));
    for (std::int64_t frame = 0; frame < file.count; ++frame) {
        entries.push_back({EntryTitle(title, frame, file.count), frame, TimeOf(file, frame)});
    }
    return entries;
}

bool SurveyRecordEntries(CDataProfile& profile, const SurveyProgress& progress,
                         const std::function<bool(const std::string&)>& skip) {
    // Each file's records, in list order; a video's frames are usually one run of them.
    std::unordered_map<std::string, std::vector<CScanSeries*>> files;
    std::vector<const std::string*> order;
    for (const auto& series : profile.m_arSeries) {
        auto [it, added] = files.try_emplace(series->m_strPath);
        if (added) order.push_back(&it->first);
        it->second.push_back(series.get());
    }
    for (std::size_t k = 0; k < order.size(); ++k) {
        const std::string& path = *order[k];
        if (!skip || !skip(path)) {
            const FileEntries file = SurveyEntries(path);
            if (file.result.status == CPicture::LoadStatus::Ok) {
                const std::string title = TitleOfPath(path);
                const bool many = file.kind != FileEntries::Kind::Single;
                for (CScanSeries* series : files[path]) {
                    series->m_time = TimeOf(file, series->m_nFrame);
                    if (series->m_nFrame >= 0) {
                        // A page past the file's end (the file changed) keeps no count.
                        const bool inside = many && series->m_nFrame < file.count;
                        series->m_strTitle =
                            EntryTitle(title, series->m_nFrame, inside ? file.count : 0);
                        if (!inside) series->m_time = {};
                    }
                }
            }
        }
        if (progress && !progress(k + 1, order.size())) return false;
    }
    return true;
}
