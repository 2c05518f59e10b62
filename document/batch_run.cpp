#include "document/batch_run.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "document/picture.h"
#include "export/data_file.h"
#include "export/safe_write.h"
#include "model/edge_detect.h"

void BuildProfile(const Session& session, CDataProfile& profile) {
    profile.RemoveAll();
    for (const SessionImage& image : session.images) {
        profile.AddImage(std::filesystem::path(image.path).filename().string(), image.path);
    }
    for (int i = 0; i < profile.GetSize(); ++i) {
        CScanSeries* series = profile.GetSeries(i);
        for (const auto& line : session.lines)
            series->AddLine(0, line[0], line[1], line[2], line[3]);
        const SessionImage& image = session.images[static_cast<std::size_t>(i)];
        *profile.GetAxis(i) = image.axis.value_or(session.axis);
        for (std::size_t n = 0; n < image.cursors.size(); ++n) {
            if (!image.cursors[n]) continue;
            CScan* line = series->GetLine(0, static_cast<int>(n));
            if (line == nullptr) continue;
            line->SetPos(*image.cursors[n]);
            line->m_bDetect = false;
        }
    }
}

BatchOutcome DetectImages(const Session& session, CDataProfile& profile, int jobs,
                          const BatchProgress& progress) {
    const int total = profile.GetSize();
    if (jobs <= 0) jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    jobs = std::min(jobs, total);

    std::atomic<int> next{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;  // guards the failure, the count and the progress calls
    int failedImage = -1;
    BatchOutcome outcome;
    int done = 0;

    const auto work = [&] {
        CPicture picture;
        const auto buffer = std::make_unique<ProfileBuffer>();
        // Images are handed out in increasing order and every image taken is finished, so all
        // images below a failing one are measured: the lowest failure is always found.
        while (!stop.load(std::memory_order_relaxed)) {
            const int i = next.fetch_add(1);
            if (i >= total) break;
            const std::string& path = profile.GetSeries(i)->m_strPath;
            const CPicture::LoadResult loaded = picture.Load(QString::fromStdString(path));
            if (loaded.status != CPicture::LoadStatus::Ok) {
                const char* what = loaded.status == CPicture::LoadStatus::CannotOpen
                                       ? "cannot be opened"
                                       : "cannot be decoded";
                const std::lock_guard<std::mutex> lock(mutex);
                if (failedImage < 0 || i < failedImage) {
                    failedImage = i;
                    outcome.status = BatchStatus::ImageFailed;
                    outcome.message = path + ": " + what + ": " + loaded.reason.toStdString();
                }
                stop.store(true);
                continue;
            }
            DetectPending(profile, i, 0, picture.View(), session.channel, session.edgeMode,
                          *buffer);
            picture.Clear();  // a thread holds one decoded picture at a time, no more
            const std::lock_guard<std::mutex> lock(mutex);
            ++done;
            if (progress) progress(done, total);
        }
    };

    if (jobs <= 1) {
        work();
    } else {
        std::vector<std::thread> threads;
        threads.reserve(static_cast<std::size_t>(jobs));
        for (int k = 0; k < jobs; ++k) threads.emplace_back(work);
        for (std::thread& t : threads) t.join();
    }
    return outcome;
}

BatchOutcome MeasureSession(const Session& session, int jobs, const BatchProgress& progress,
                            std::string& bytes) {
    bytes.clear();
    CDataProfile profile;
    BuildProfile(session, profile);
    BatchOutcome outcome = DetectImages(session, profile, jobs, progress);
    if (outcome.status != BatchStatus::Ok) return outcome;
    std::optional<std::string> file =
        BuildDataFile(profile, session.measureLength, session.measureArea);
    if (!file) return {BatchStatus::NothingToWrite, "there is no data: no images or no scan lines"};
    bytes = std::move(*file);
    return outcome;
}

namespace {

BatchOutcome WriteStandardOutput(const std::string& bytes) {
    errno = 0;
    const std::size_t written = std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    if (written != bytes.size() || std::fflush(stdout) != 0) {
        const int error = errno;
        return {BatchStatus::WriteFailed, std::string("cannot write to standard output: ") +
                                              (error != 0 ? std::strerror(error) : "write error")};
    }
    return {};
}

}  // namespace

BatchOutcome RunBatch(const Session& session, const std::string& output, int jobs,
                      const BatchProgress& progress) {
    std::string bytes;
    BatchOutcome outcome = MeasureSession(session, jobs, progress, bytes);
    if (outcome.status != BatchStatus::Ok) return outcome;
    if (output == "-") return WriteStandardOutput(bytes);
    const WriteResult written = WriteFileSafely(output, bytes);
    if (!written.ok()) return {BatchStatus::WriteFailed, written.message};
    return outcome;
}
