// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/video_av.h"

#include <QCoreApplication>
#include <mutex>

#include "picture/video_index.h"

std::string AvErrorText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

PictureFault VideoReadFault(int error) {
    const QString words = QString::fromStdString(AvErrorText(error));
    return {QStringLiteral("the video cannot be read: %1").arg(words),
            QCoreApplication::translate("Document", "動画を読み込めません（%1）。").arg(words),
            PictureProblem::Unreadable};
}

namespace {

PictureFault NotVideo(const QString& why) {
    return {QStringLiteral("not a video this program can decode: %1").arg(why),
            QCoreApplication::translate("Document", "読み込める動画ではありません（%1）。").arg(why),
            PictureProblem::NotPicture};
}

}  // namespace

PictureFault OpenVideoInput(const std::string& path, AvInput& input) {
    // FFmpeg's own messages would go to the standard error of the window and of the batch tool,
    // whose messages there are their own: every fault comes back as a reason instead.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
    input.Close();
    if (const int opened = avformat_open_input(&input.context, path.c_str(), nullptr, nullptr);
        opened < 0) {
        return NotVideo(QString::fromStdString(AvErrorText(opened)));
    }
    if (IsStillPictureDemuxer(input.context->iformat->name)) {
        input.Close();
        return NotVideo(QStringLiteral("a still picture"));
    }
    if (const int found = avformat_find_stream_info(input.context, nullptr); found < 0) {
        input.Close();
        return NotVideo(QString::fromStdString(AvErrorText(found)));
    }
    int best = -1;
    for (unsigned s = 0; s < input.context->nb_streams; ++s) {
        // Every stream but the one measured is skipped by the demuxer, unread.
        input.context->streams[s]->discard = AVDISCARD_ALL;
    }
    best = av_find_best_stream(input.context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (best >= 0 &&
        (input.context->streams[best]->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0) {
        best = -1;
    }
    if (best < 0) {
        input.Close();
        return NotVideo(QStringLiteral("no video stream"));
    }
    input.stream = best;
    input.context->streams[best]->discard = AVDISCARD_DEFAULT;
    return {};
}
