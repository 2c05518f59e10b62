// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <string>

#include "model/pixel_request.h"
#include "model/sampling.h"
#include "picture/picture_checks.h"
#include "picture/pixel_buffer.h"
#include "picture/tiff_file.h"
#include "picture/video_reader_fwd.h"

// The decoded picture of one image file, held so that sampling reads its rows directly: 8-bit
// pictures of every kind as 32-bit RGB, PNG and TIFF of 16-bit samples at their own depth, grey
// as Grayscale16 and colour as RGBX64. Such a picture also keeps a 32-bit copy to paint.
//
// A CPicture that loads one image after another keeps the memory of the file's bytes and of the
// pixels and decodes the next image into it, so a series costs no new memory per image. An
// image that Image() handed out, and copies of it, keep their pixels: the next load then decodes
// into new memory. A View(), a plain pointer to the rows, is valid only until the next Load,
// LoadData or Clear.
class CPicture {
public:
    enum class LoadStatus {
        Ok,
        CannotOpen,    // missing, a folder, no permission
        CannotDecode,  // opens, but is not a whole picture we can decode
        OutOfMemory,   // a whole picture, but there is no memory to hold it decoded
    };

    struct LoadResult {
        LoadStatus status = LoadStatus::Ok;
        QString reason;    // why it failed, in English for the batch tool; empty on success
        QString uiReason;  // the same for the window, in Japanese; empty on success
        PictureProblem problem = PictureProblem::None;  // the kind of fault, for the image list
        // The system's error number where the file could not be opened or read, 0 otherwise:
        // EMFILE says that the process ran out of descriptors, not that the file is bad.
        int systemError = 0;
    };

    // What a picture does with the file's bytes once it has decoded them. A batch worker keeps
    // them for the next file; the window, which holds three pictures at once for their pixels,
    // gives them back: that is megabytes per picture it would otherwise carry for nothing.
    enum class FileBytes { Keep, Release };
    // When a 16-bit picture makes its 32-bit copy to paint: at load for the window, which
    // decodes ahead on a worker and paints at once; on the first DisplayImage() call otherwise,
    // so that the batch tool, which paints nothing, never spends the time and memory.
    enum class DisplayCopy { OnDemand, AtLoad };
    explicit CPicture(FileBytes fileBytes = FileBytes::Keep,
                      DisplayCopy display = DisplayCopy::OnDemand)
        : m_fileBytes(fileBytes), m_displayCopy(display) {}

    // Largest decoded picture accepted, in bytes of the pixels held: 4 a pixel for 8-bit
    // pictures, and for 16-bit ones their own 2 (grey) or 8 (colour) and 4 of the copy to paint.
    static constexpr qint64 kMaxPixelBytes = qint64(1) << 30;

    // The path is the file system's bytes, used as they are: a name that is not UTF-8 still
    // names its file.
    LoadResult Load(const std::string& path);
    LoadResult Load(const QString& path);
    // One entry of a file (picture_entries.h): `frame` < 0 is the file as one picture, exactly as
    // Load(path); from 0 it is the page of a multi-page TIFF or the frame of a video, counted from
    // 0 in presentation order. Frame N is always the same pixels, whatever was loaded before.
    LoadResult Load(const std::string& path, std::int64_t frame);
    // The same, for reading only the pixels `request` names: a video frame whose conversion
    // allows it has only those converted (video_frames.h), a JPEG that is not progressive only
    // the rows and columns holding them decoded (every row still passes the entropy decoder and
    // its checks), a TIFF page of a kind read as stored only the strips or tiles holding them
    // (tiff_decode.h), anything else loads whole. A picture
    // loaded in part shows nothing: IsNull(), a null Image() and View(); only View(request)
    // reads it.
    LoadResult Load(const std::string& path, std::int64_t frame, const PixelRequest& request);
    // Whether Load could open the file (a plain file, readable), without reading it: the failure
    // Load would give, or success.
    static LoadResult Probe(const std::string& path);
    // Decodes a whole file's bytes, with the checks of Load.
    LoadResult LoadData(QByteArray data);
    // Lets go of the picture and of the memory kept for the next load (a load lets go of the
    // picture only).
    void Clear();

    bool IsNull() const { return m_image.isNull(); }
    int Width() const { return m_image.width(); }
    int Height() const { return m_image.height(); }
    // The picture as decoded: RGB32, or for 16-bit samples Grayscale16 or RGBX64.
    const QImage& Image() const { return m_image; }
    // The picture to paint, in RGB32: Image() itself for 8-bit pictures, and for 16-bit ones
    // a copy made once, each colour cut to 8 bits as GetPixel cuts it (null only when there was
    // no memory for it). The first call on a picture made OnDemand makes the copy: it must not
    // race another call on the same picture.
    const QImage& DisplayImage() const;
    // The rows, in the format of Image().
    PixelView View() const;
    // The rows for reading what `request` names: View() of a picture loaded whole; of one loaded
    // in part, its rows if it was loaded for this same request, else a null view, so that no
    // reader reaches a pixel that was not converted.
    PixelView View(const PixelRequest& request) const;

    // The colour cut to 8 bits as 0x00BBGGRR, or CLR_INVALID outside the picture (or without one).
    std::uint32_t GetPixel(int x, int y) const { return View().GetPixel(x, y); }

private:
    // The whole file as one picture; with a request, only what it names where the decoder can.
    LoadResult LoadFile(const std::string& path, const PixelRequest* request);
    LoadResult Decode(const QByteArray& data, const PixelRequest* request = nullptr);
    LoadResult LoadEntry(const std::string& path, std::int64_t frame, const PixelRequest* request);
    // Takes a decoded picture in its held format: makes the copy to paint when asked to.
    LoadResult Keep(QImage image);
    // Page `page` (from 0) of the stack open in m_tiff, in part for a request where it can be.
    LoadResult LoadPage(std::int64_t page, const PixelRequest* request);
    // Lets go of the picture loaded last, keeping the memory for the next.
    void DropPicture();
    // Takes a picture decoded in part for `request`: only View(request) shows it.
    LoadResult KeepPart(const PixelView& part, const PixelRequest& request);

    QImage m_image;
    // The 32-bit copy of a 16-bit picture, once made; null for 8-bit ones.
    mutable QImage m_display;
    CPixelBuffer m_pixels;  // decoded rows, reused from one load to the next
    mutable CPixelBuffer m_displayPixels;
    QByteArray m_file;  // the file's bytes, likewise (unless released)
    // The stack whose page loaded last, kept open with its directory offsets for the next page.
    CTiffHandle m_tiff;
    FileBytes m_fileBytes = FileBytes::Keep;
    DisplayCopy m_displayCopy = DisplayCopy::OnDemand;
    VideoReaderPtr m_video;  // the decoder of the last video loaded, open for its next frame
    // A picture decoded or converted in part: its rows in m_pixels, and the request it was
    // loaded for.
    PixelView m_part;
    PixelRequest m_partRequest;
};
