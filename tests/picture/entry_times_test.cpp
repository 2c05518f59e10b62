// SPDX-License-Identifier: GPL-3.0-or-later
// The times files carry for their entries: a stack's description (ImageJ's interval, OME-XML's
// planes), a JPEG's EXIF date with its sub-seconds and offset; none where nothing says.
#include <gtest/gtest.h>
#include <libexif/exif-data.h>
#include <tiffio.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "picture/entry_times.h"
#include "picture/picture_entries.h"

namespace {

std::vector<double> Seconds(const std::vector<EntryTime>& times) {
    std::vector<double> seconds;
    for (const EntryTime& t : times) {
        EXPECT_EQ(t.source, TimeSource::TiffDescription);
        seconds.push_back(t.seconds);
    }
    return seconds;
}

const char* const kOmeHead =
    R"(<?xml version="1.0" encoding="UTF-8"?><OME xmlns="http://www.openmicroscopy.org/Schemas/OME/2016-06"><Image ID="Image:0"><Pixels ID="Pixels:0" )";

TEST(EntryTimes, FromAStacksDescription) {
    const std::string ome = kOmeHead;
    const struct {
        const char* name;
        std::string description;
        std::int64_t pages;
        std::vector<double> seconds;  // empty: no time
    } cases[] = {
        {"finterval", "ImageJ=1.54f\nimages=4\nframes=4\nfinterval=0.25\n", 4, {0, 0.25, 0.5, 0.75}},
        {"finterval in ms", "ImageJ=1.54f\nframes=3\nfinterval=40\ntunit=ms\n", 3, {0, 0.04, 0.08}},
        {"channels share a frame", "ImageJ=1.54f\nchannels=2\nframes=2\nfinterval=2\n", 4,
         {0, 0, 2, 2}},
        {"fps", "ImageJ=1.54f\nfps=10\n", 3, {0, 0.1, 0.2}},
        {"finterval wins over fps", "ImageJ=1.54f\nfps=10\nfinterval=1\n", 2, {0, 1}},
        {"unknown time unit", "ImageJ=1.54f\nfinterval=1\ntunit=fortnight\n", 2, {}},
        {"no interval", "ImageJ=1.54f\nimages=4\nslices=4\n", 4, {}},
        {"zero interval", "ImageJ=1.54f\nfinterval=0\n", 2, {}},
        {"plain text", "made by the camera\nfinterval=1\n", 2, {}},
        {"OME planes listed out of order, in ms",
         ome + R"(DimensionOrder="XYZCT" SizeZ="1" SizeC="1" SizeT="3">)"
               R"(<Plane TheZ="0" TheC="0" TheT="2" DeltaT="250" DeltaTUnit="ms"/>)"
               R"(<Plane TheZ="0" TheC="0" TheT="0" DeltaT="0" DeltaTUnit="ms"/>)"
               R"(<Plane TheZ="0" TheC="0" TheT="1" DeltaT="120" DeltaTUnit="ms"/>)"
               "</Pixels></Image></OME>",
         3, {0, 0.12, 0.25}},
        {"OME two channels per time point",
         ome + R"(DimensionOrder="XYCZT" SizeZ="1" SizeC="2" SizeT="2">)"
               R"(<Plane TheZ="0" TheC="0" TheT="0" DeltaT="0.5"/>)"
               R"(<Plane TheZ="0" TheC="1" TheT="0" DeltaT="0.6"/>)"
               R"(<Plane TheZ="0" TheC="0" TheT="1" DeltaT="1.5"/>)"
               R"(<Plane TheZ="0" TheC="1" TheT="1" DeltaT="1.6"/>)"
               "</Pixels></Image></OME>",
         4, {0.5, 0.6, 1.5, 1.6}},
        {"OME time increment",
         ome + R"(DimensionOrder="XYZCT" SizeT="3" TimeIncrement="2" TimeIncrementUnit="min">)"
               "</Pixels></Image></OME>",
         3, {0, 120, 240}},
        {"OME plane without DeltaT", ome + R"(SizeT="2"><Plane TheT="0" DeltaT="0"/>)"
                                          "<Plane TheT=\"1\"/></Pixels></Image></OME>",
         2, {}},
        {"broken XML", ome + R"(SizeT="2" TimeIncrement="1"><Plane)", 2, {}},
    };
    for (const auto& c : cases) {
        const std::vector<double> seconds = Seconds(TimesFromDescription(c.description, c.pages));
        ASSERT_EQ(seconds.size(), c.seconds.size()) << c.name;
        for (std::size_t k = 0; k < seconds.size(); ++k) {
            EXPECT_DOUBLE_EQ(seconds[k], c.seconds[k]) << c.name << " " << k;
        }
    }
}

TEST(EntryTimes, FromExifDates) {
    constexpr double kNoon = 1709294400;  // 2024-03-01 12:00:00 UTC
    const struct {
        const char* date;
        const char* subSeconds;
        const char* offset;
        std::optional<double> seconds;
    } cases[] = {
        {"2024:03:01 12:00:00", "", "", kNoon},
        {"2024:03:01 12:00:00", "25", "", kNoon + 0.25},
        {"2024:03:01 12:00:00", "050 ", "", kNoon + 0.05},
        {"2024:03:01 12:00:00", "", "+09:00", kNoon - 9 * 3600},
        {"2024:03:01 12:00:00", "5", "-05:30", kNoon + 5.5 * 3600 + 0.5},
        {"1999:12:31 23:59:59", "", "", 946684799},
        {"2024:03:01 12:00:00", "x1", "+0900", kNoon},  // unreadable parts are left out
        {"2024:02:30 12:00:00", "", "", std::nullopt},
        {"2024:03:01 24:00:00", "", "", std::nullopt},
        {"    :  :     :  :  ", "", "", std::nullopt},
        {"", "", "", std::nullopt},
    };
    for (const auto& c : cases) {
        const std::optional<double> seconds = ExifSeconds(c.date, c.subSeconds, c.offset);
        ASSERT_EQ(seconds.has_value(), c.seconds.has_value()) << c.date << " " << c.offset;
        if (seconds) {
            EXPECT_DOUBLE_EQ(*seconds, *c.seconds) << c.date << " " << c.subSeconds;
        }
    }
}

// A JPEG with an EXIF block holding the three time fields, where given.
QByteArray JpegWithExif(const char* date, const char* subSeconds, const char* offset) {
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::gray);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    if (date == nullptr) return jpeg;
    ExifData* exif = exif_data_new();
    exif_data_set_byte_order(exif, EXIF_BYTE_ORDER_INTEL);
    const auto put = [exif](ExifTag tag, const char* text) {
        if (text == nullptr) return;
        ExifEntry* entry = exif_entry_new();
        exif_content_add_entry(exif->ifd[EXIF_IFD_EXIF], entry);
        const std::size_t size = std::strlen(text) + 1;
        entry->tag = tag;
        entry->format = EXIF_FORMAT_ASCII;
        entry->components = size;
        entry->size = static_cast<unsigned>(size);
        entry->data = static_cast<unsigned char*>(std::malloc(size));
        std::memcpy(entry->data, text, size);
        exif_entry_unref(entry);
    };
    put(EXIF_TAG_DATE_TIME_ORIGINAL, date);
    put(EXIF_TAG_SUB_SEC_TIME_ORIGINAL, subSeconds);
    put(EXIF_TAG_OFFSET_TIME_ORIGINAL, offset);
    unsigned char* block = nullptr;
    unsigned int size = 0;
    exif_data_save_data(exif, &block, &size);
    exif_data_unref(exif);
    QByteArray app1("\xFF\xE1", 2);
    app1.append(static_cast<char>((size + 2) >> 8)).append(static_cast<char>((size + 2) & 0xFF));
    app1.append(reinterpret_cast<const char*>(block), static_cast<qsizetype>(size));
    std::free(block);
    return jpeg.left(2) + app1 + jpeg.mid(2);
}

TEST(EntryTimes, WhatTheImageListGetsFromAFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto write = [&dir](const char* name, const QByteArray& bytes) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path.toStdString();
    };
    const auto stack = [&dir](const char* name, const char* description) {
        const std::string path = dir.filePath(QString::fromLatin1(name)).toStdString();
        TIFF* tif = TIFFOpen(path.c_str(), "w");
        for (int page = 0; page < 3; ++page) {
            TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 2);
            TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 1);
            TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
            TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
            if (page == 0 && description != nullptr) {
                TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, description);
            }
            unsigned char row[2] = {1, 2};
            TIFFWriteScanline(tif, row, 0, 0);
            TIFFWriteDirectory(tif);
        }
        TIFFClose(tif);
        return path;
    };
    const struct {
        const char* name;
        std::string path;
        FileEntries::Kind kind;
        std::vector<EntryTime> times;
    } cases[] = {
        {"stack with interval", stack("a.tif", "ImageJ=1.54f\nframes=3\nfinterval=0.5\n"),
         FileEntries::Kind::Pages,
         {{0, TimeSource::TiffDescription},
          {0.5, TimeSource::TiffDescription},
          {1, TimeSource::TiffDescription}}},
        {"stack without", stack("b.tif", nullptr), FileEntries::Kind::Pages, {}},
        {"jpeg with exif",
         write("c.jpg", JpegWithExif("2024:03:01 12:00:00", "125", "+01:00")),
         FileEntries::Kind::Single,
         {{1709294400 - 3600 + 0.125, TimeSource::Exif}}},
        {"jpeg with date only", write("d.jpg", JpegWithExif("2024:03:01 12:00:00", nullptr, nullptr)),
         FileEntries::Kind::Single,
         {{1709294400, TimeSource::Exif}}},
        {"jpeg without exif", write("e.jpg", JpegWithExif(nullptr, nullptr, nullptr)),
         FileEntries::Kind::Single, {}},
    };
    for (const auto& c : cases) {
        const FileEntries entries = SurveyEntries(c.path);
        EXPECT_EQ(entries.result.status, CPicture::LoadStatus::Ok) << c.name;
        EXPECT_EQ(entries.kind, c.kind) << c.name;
        EXPECT_EQ(entries.times, c.times) << c.name;
    }
}

}  // namespace
