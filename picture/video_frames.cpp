// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/video_frames.h"

#include <QCoreApplication>
#include <new>
#include <optional>
#include <set>

#include "picture/file_stamp.h"
#include "picture/frame_convert.h"
#include "picture/video_frame_cache.h"
#include "picture/video_av.h"
#include "picture/video_index.h"

namespace {

CPicture::LoadResult Failed(const PictureFault& fault) {
    const auto status = fault.problem == PictureProblem::OutOfMemory
                            ? CPicture::LoadStatus::OutOfMemory
                        : fault.problem == PictureProblem::Unreadable && fault.systemError != 0
                            ? CPicture::LoadStatus::CannotOpen
                            : CPicture::LoadStatus::CannotDecode;
    return {status, fault.reason, fault.uiReason, fault.problem, fault.systemError};
}

PictureFault FrameDamaged(std::int64_t frame) {
    return {QStringLiteral("frame %1 of the video is damaged").arg(frame),
            QCoreApplication::translate("Document", "動画のフレーム %1 が壊れています。").arg(frame)};
}

PictureFault EndsBefore(std::int64_t frame) {
    return {QStringLiteral("the video ends before frame %1: the file is cut short").arg(frame),
            QCoreApplication::translate(
                "Document", "動画がフレーム %1 の前で終わっています（ファイルが途中で切れています）。")
                .arg(frame),
            PictureProblem::CutShort};
}

PictureFault NoMemory() {
    return {QStringLiteral("not enough memory for the video's frame"),
            QCoreApplication::translate("Document", "メモリが足りません。"),
            PictureProblem::OutOfMemory};
}

}  // namespace

class CVideoReader {
public:
    ~CVideoReader() { Close(); }
    CPicture::LoadResult Load(const std::string& path, std::int64_t frame, const FrameTarget& target);

private:
    PictureFault Open(const std::string& path);
    PictureFault Seek(std::size_t key);
    PictureFault Decode(std::int64_t frame, const FrameTarget& target);
    PictureFault Convert(const AVFrame* decoded, std::int64_t frame, const FrameTarget& target);
    void TaintRunOf(const AVPacket* packet);
    void Close();

    std::string m_path;
    std::optional<FileStamp> m_stamp;
    std::shared_ptr<const VideoIndex> m_index;
    AvInput m_input;
    AVCodecContext* m_codec = nullptr;
    CFrameConverter m_converter;
    // The region of the last request, laid on frames of its size, kept while requests repeat.
    PixelRequest m_regionRequest;
    PixelRegion m_region;
    AvPacket m_packet;
    AvFrame m_frame;
    // The decoder stands after frame m_last and may go on forward; false after a failure and at
    // the end of the file, when the next frame starts again at its key frame.
    bool m_positioned = false;
    std::int64_t m_last = -1;
    std::int64_t m_sendRun = -1;   // the run of the last key packet sent
    std::set<std::int64_t> m_taint;  // runs with a packet the decoder refused
};

void VideoReaderDeleter::operator()(CVideoReader* reader) const {
    delete reader;
}

void CVideoReader::Close() {
    avcodec_free_context(&m_codec);
    m_input.Close();
    m_index.reset();
    m_stamp.reset();
    m_positioned = false;
    m_taint.clear();
}

PictureFault CVideoReader::Open(const std::string& path) {
    Close();
    VideoIndexResult indexed = IndexVideo(path);
    if (!indexed.index) return indexed.fault;
    if (PictureFault fault = OpenVideoInput(path, m_input)) return fault;
    const AVCodecParameters* parameters = m_input.context->streams[m_input.stream]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    if (codec == nullptr || m_input.stream != indexed.index->stream) {
        const QString name = QString::fromLatin1(avcodec_get_name(parameters->codec_id));
        Close();
        return {QStringLiteral("no decoder for the video's codec %1").arg(name),
                QCoreApplication::translate("Document", "動画のコーデック %1 を復号できません。")
                    .arg(name),
                PictureProblem::NotPicture};
    }
    m_codec = avcodec_alloc_context3(codec);
    if (m_codec == nullptr) return NoMemory();
    avcodec_parameters_to_context(m_codec, parameters);
    m_codec->pkt_timebase = m_input.context->streams[m_input.stream]->time_base;
    // One thread a decoder: the batch runs one decoder per worker, and frame threads would
    // hold a frame per thread back from every seek.
    m_codec->thread_count = 1;
    if (const int opened = avcodec_open2(m_codec, codec, nullptr); opened < 0) {
        Close();
        return VideoReadFault(opened);
    }
    m_index = std::move(indexed.index);
    m_path = path;
    return {};
}

// Places the demuxer on the key packet and empties the decoder. A container's seek may land
// before the packet (which is read past) or, for a poor index, after it: then the file is read
// again from its start, counting packets.
PictureFault CVideoReader::Seek(std::size_t key) {
    avcodec_flush_buffers(m_codec);
    m_positioned = false;
    const VideoIndex::Packet& target = m_index->packets[key];
    std::size_t counted = 0;
    bool counting = target.pos < 0 ||
                    av_seek_frame(m_input.context, m_input.stream, std::min(target.dts, target.pts),
                                  AVSEEK_FLAG_BACKWARD) < 0;
    for (bool reopened = false;;) {
        if (counting && !reopened) {
            if (PictureFault fault = OpenVideoInput(m_path, m_input)) return fault;
            reopened = true;
            counted = 0;
        }
        const int read = av_read_frame(m_input.context, m_packet.get());
        if (read < 0) {
            if (!counting) {
                counting = true;
                continue;
            }
            return read == AVERROR_EOF ? EndsBefore(m_index->FrameOf(target.pts))
                                       : VideoReadFault(read);
        }
        if (m_packet->stream_index != m_input.stream) {
            av_packet_unref(m_packet.get());
            continue;
        }
        const bool found = counting ? counted == key : m_packet->pos == target.pos;
        const bool past = !counting && (m_packet->pos < 0 || m_packet->pos > target.pos);
        ++counted;
        if (found) return {};  // the key packet is in m_packet, to be sent first
        av_packet_unref(m_packet.get());
        if (past) counting = true;
    }
}

void CVideoReader::TaintRunOf(const AVPacket* packet) {
    const std::int64_t pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    const std::int64_t frame = m_index->FrameOf(pts);
    m_taint.insert(frame >= 0 ? m_index->RunStart(frame) : m_sendRun);
}

PictureFault CVideoReader::Decode(std::int64_t frame, const FrameTarget& target) {
    // m_packet holds a packet to send when the seek left one there.
    bool ended = false;  // the file's end was read and the decoder told so
    for (;;) {
        const int received = avcodec_receive_frame(m_codec, m_frame.get());
        if (received == 0) {
            AVFrame* got = m_frame.get();
            const std::int64_t pts =
                got->pts != AV_NOPTS_VALUE ? got->pts : got->best_effort_timestamp;
            const std::int64_t n = m_index->FrameOf(pts);
            if (n < 0) {  // a frame the numbering leaves out
                av_frame_unref(got);
                continue;
            }
            m_last = n;
            const bool damaged = (got->flags & AV_FRAME_FLAG_CORRUPT) != 0 ||
                                 got->decode_error_flags != 0 ||
                                 m_taint.contains(m_index->RunStart(n));
            if (n < frame) {
                // A whole frame passed on the way is what a step back asks for next.
                if (target.request == nullptr && !damaged && frame - n <= video_frame_cache::kDepth) {
                    video_frame_cache::Put(m_path, *m_stamp, n, got);
                }
                av_frame_unref(got);
                continue;
            }
            // A frame after the one asked for: the decoder dropped it, damaged.
            PictureFault fault = n > frame || damaged ? FrameDamaged(frame)
                                                      : Convert(got, frame, target);
            av_frame_unref(got);
            return fault;
        }
        if (received == AVERROR_EOF || (ended && received == AVERROR(EAGAIN))) {
            m_positioned = false;
            return EndsBefore(frame);
        }
        if (received != AVERROR(EAGAIN)) {
            m_positioned = false;
            return FrameDamaged(frame);
        }
        if (m_packet->data == nullptr && m_packet->side_data_elems == 0) {
            const int read = av_read_frame(m_input.context, m_packet.get());
            if (read == AVERROR_EOF) {
                avcodec_send_packet(m_codec, nullptr);  // the frames held back come out
                ended = true;
                continue;
            }
            if (read < 0) {
                m_positioned = false;
                return VideoReadFault(read);
            }
            if (m_packet->stream_index != m_input.stream) {
                av_packet_unref(m_packet.get());
                continue;
            }
        }
        if ((m_packet->flags & AV_PKT_FLAG_KEY) != 0) {
            const std::int64_t n = m_index->FrameOf(m_packet->pts);
            if (n >= 0) m_sendRun = m_index->RunStart(n);
        }
        const int sent = avcodec_send_packet(m_codec, m_packet.get());
        if (sent < 0 && sent != AVERROR(EAGAIN)) TaintRunOf(m_packet.get());
        av_packet_unref(m_packet.get());
    }
}

PictureFault CVideoReader::Convert(const AVFrame* decoded, std::int64_t frame,
                                   const FrameTarget& target) {
    if (PictureFault fault = TooLargeFault(decoded->width, decoded->height)) return fault;
    CFrameConverter::Result converted;
    if (target.request != nullptr && target.part != nullptr &&
        CFrameConverter::CanConvertPart(decoded)) {
        if (m_region.Width() != decoded->width || m_region.Height() != decoded->height ||
            !(m_regionRequest == *target.request)) {
            m_region = PixelRegion(*target.request, decoded->width, decoded->height);
            m_regionRequest = *target.request;
        }
        converted = m_converter.Part(decoded, m_region, target.pixels, *target.part);
    } else {
        converted = m_converter.Whole(decoded, target.pixels, target.image);
    }
    switch (converted) {
        case CFrameConverter::Result::Ok:
            return {};
        case CFrameConverter::Result::NoMemory:
            return NoMemory();
        case CFrameConverter::Result::Failed:
        default:
            return FrameDamaged(frame);
    }
}

CPicture::LoadResult CVideoReader::Load(const std::string& path, std::int64_t frame,
                                        const FrameTarget& target) {
    target.image = QImage();
    if (target.part != nullptr) *target.part = {};
    const std::optional<FileStamp> stamp = StampFile(path);
    if (!stamp) {
        Close();
        return CPicture::Probe(path);
    }
    if (m_index == nullptr || path != m_path || stamp != m_stamp) {
        if (const CPicture::LoadResult probe = CPicture::Probe(path);
            probe.status != CPicture::LoadStatus::Ok) {
            Close();
            return probe;
        }
        if (PictureFault fault = Open(path)) return Failed(fault);
        m_stamp = stamp;
    }
    if (frame >= m_index->Count()) {
        return Failed({QStringLiteral("the video has %1 frames: frame %2 is not in it")
                           .arg(m_index->Count())
                           .arg(frame),
                       QCoreApplication::translate("Document",
                                                   "動画のフレームは %1 枚です。フレーム %2 はありません。")
                           .arg(m_index->Count())
                           .arg(frame),
                       PictureProblem::CutShort});
    }
    const std::size_t key = m_index->keyAt[static_cast<std::size_t>(frame)];
    if (key == VideoIndex::kNoKey) {
        return Failed({QStringLiteral("frame %1 comes before the video's first key frame").arg(frame),
                       QCoreApplication::translate(
                           "Document", "フレーム %1 は動画の最初のキーフレームより前にあります。")
                           .arg(frame)});
    }
    // A frame kept from an earlier seek is the decoder's own output: converted, it is the frame.
    AVFrame* kept =
        target.request == nullptr ? video_frame_cache::Find(m_path, *m_stamp, frame) : nullptr;
    if (kept == nullptr) {
        // Going on from the frame before costs no more than starting at the key frame, and gives
        // the same pixels: the decoder's state at the key frame does not depend on what came
        // before.
        const bool onward =
            m_positioned && frame > m_last && m_index->RunStart(frame) <= m_last + 1;
        if (!onward) {
            if (PictureFault fault = Seek(key)) return Failed(fault);
            m_taint.clear();
            m_last = -1;
        }
        m_positioned = true;
    }
    PictureFault fault;
    try {
        fault = kept != nullptr ? Convert(kept, frame, target) : Decode(frame, target);
    } catch (const std::bad_alloc&) {
        fault = NoMemory();
    }
    av_frame_free(&kept);
    if (fault) {
        target.image = QImage();
        if (target.part != nullptr) *target.part = {};
        return Failed(fault);
    }
    return {};
}

CPicture::LoadResult LoadVideoFrame(VideoReaderPtr& reader, const std::string& path,
                                    std::int64_t frame, const FrameTarget& target) {
    if (!reader) reader.reset(new CVideoReader);
    return reader->Load(path, frame, target);
}

FileEntries SurveyVideo(const std::string& path, const ReadProgress& progress) {
    FileEntries entries;
    if (const CPicture::LoadResult probe = CPicture::Probe(path);
        probe.status != CPicture::LoadStatus::Ok) {
        entries.result = probe;
        return entries;
    }
    const VideoIndexResult indexed = IndexVideo(path, progress);
    if (indexed.stopped) {
        entries.stopped = true;
        return entries;
    }
    if (!indexed.index) {
        entries.result = Failed(indexed.fault);
        return entries;
    }
    const VideoIndex& index = *indexed.index;
    entries.kind = FileEntries::Kind::Frames;
    entries.count = index.Count();
    entries.times.reserve(index.pts.size());
    for (std::int64_t n = 0; n < index.Count(); ++n) {
        entries.times.push_back({index.Seconds(n), TimeSource::VideoTimestamp});
    }
    return entries;
}
