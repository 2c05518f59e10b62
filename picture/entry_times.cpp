// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/entry_times.h"

#include <libexif/exif-data.h>

#include <QString>
#include <QXmlStreamReader>
#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <map>
#include <memory>
#include <sstream>

namespace {

// Seconds in one of a time unit as OME and ImageJ write them; nothing for a unit not known.
std::optional<double> UnitSeconds(std::string unit) {
    while (!unit.empty() && (unit.back() == ' ' || unit.back() == '\r')) unit.pop_back();
    static const std::map<std::string, double> kUnits = {
        {"", 1},          {"s", 1},       {"sec", 1},      {"second", 1},  {"seconds", 1},
        {"ms", 1e-3},     {"msec", 1e-3}, {"\u00B5s", 1e-6}, {"us", 1e-6}, {"usec", 1e-6},
        {"ns", 1e-9},     {"min", 60},    {"minute", 60},  {"minutes", 60}, {"h", 3600},
        {"hr", 3600},     {"hour", 3600}, {"hours", 3600}, {"d", 86400},  {"day", 86400}};
    const auto at = kUnits.find(unit);
    if (at == kUnits.end()) return std::nullopt;
    return at->second;
}

// A finite number that is the whole of `text`, or nothing.
std::optional<double> Number(const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || at != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::vector<EntryTime> Spaced(std::int64_t pages, std::int64_t pagesPerFrame, double interval) {
    std::vector<EntryTime> times;
    times.reserve(static_cast<std::size_t>(pages));
    for (std::int64_t k = 0; k < pages; ++k) {
        times.push_back({static_cast<double>(k / pagesPerFrame) * interval,
                         TimeSource::TiffDescription});
    }
    return times;
}

std::vector<EntryTime> ImageJTimes(const std::string& description, std::int64_t pages) {
    std::map<std::string, std::string> values;
    std::istringstream lines(description);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    const auto number = [&values](const char* key) -> std::optional<double> {
        const auto at = values.find(key);
        return at == values.end() ? std::nullopt : Number(at->second);
    };
    double interval = 0;
    if (const auto finterval = number("finterval"); finterval && *finterval > 0) {
        const auto unit = UnitSeconds(values.count("tunit") ? values["tunit"] : std::string());
        if (!unit) return {};
        interval = *finterval * *unit;
    } else if (const auto fps = number("fps"); fps && *fps > 0) {
        interval = 1 / *fps;
    } else {
        return {};
    }
    // Hyperstacks hold channels, then slices, then frames.
    const double channels = number("channels").value_or(1);
    const double slices = number("slices").value_or(1);
    if (channels < 1 || slices < 1 || channels * slices > 1e12) return {};
    return Spaced(pages, static_cast<std::int64_t>(channels) * static_cast<std::int64_t>(slices),
                  interval);
}

std::vector<EntryTime> OmeTimes(const std::string& description, std::int64_t pages) {
    QXmlStreamReader xml(QByteArray::fromStdString(description));
    std::string order = "XYZCT";
    std::map<char, std::int64_t> sizes = {{'Z', 1}, {'C', 1}, {'T', 1}};
    std::optional<double> increment;
    // DeltaT in seconds by (Z, C, T).
    std::map<std::array<std::int64_t, 3>, double> deltas;
    bool inPixels = false;
    const auto attribute = [&xml](const char* name) {
        return xml.attributes().value(QLatin1String(name)).toString().toStdString();
    };
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("Pixels")) break;
        if (token != QXmlStreamReader::StartElement) continue;
        if (xml.name() == QLatin1String("Pixels")) {
            inPixels = true;
            if (const std::string o = attribute("DimensionOrder"); o.size() == 5) order = o;
            for (const char dimension : {'Z', 'C', 'T'}) {
                const std::string name = std::string("Size") + dimension;
                if (const auto v = Number(attribute(name.c_str())); v && *v >= 1 && *v < 1e12) {
                    sizes[dimension] = static_cast<std::int64_t>(*v);
                }
            }
            const auto unit = UnitSeconds(attribute("TimeIncrementUnit"));
            if (const auto v = Number(attribute("TimeIncrement")); v && unit) increment = *v * *unit;
        } else if (inPixels && xml.name() == QLatin1String("Plane")) {
            const auto unit = UnitSeconds(attribute("DeltaTUnit"));
            const auto delta = Number(attribute("DeltaT"));
            if (!delta || !unit) continue;
            std::array<std::int64_t, 3> at{};
            const char* names[] = {"TheZ", "TheC", "TheT"};
            for (int k = 0; k < 3; ++k) {
                at[static_cast<std::size_t>(k)] =
                    static_cast<std::int64_t>(Number(attribute(names[k])).value_or(0));
            }
            deltas[at] = *delta * *unit;
        }
    }
    if (!inPixels || xml.hasError()) return {};
    // Pages are the planes in the dimension order, its first named dimension changing fastest.
    std::vector<EntryTime> times;
    for (std::int64_t page = 0; page < pages; ++page) {
        std::map<char, std::int64_t> index;
        std::int64_t rest = page;
        for (std::size_t k = 2; k < 5; ++k) {
            const std::int64_t size = sizes.count(order[k]) ? sizes[order[k]] : 1;
            index[order[k]] = rest % size;
            rest /= size;
        }
        const auto delta = deltas.find({index['Z'], index['C'], index['T']});
        if (delta != deltas.end()) {
            times.push_back({delta->second, TimeSource::TiffDescription});
        } else if (increment) {
            times.push_back({static_cast<double>(index['T']) * *increment,
                             TimeSource::TiffDescription});
        } else {
            return {};
        }
    }
    return times;
}

}  // namespace

std::vector<EntryTime> TimesFromDescription(const std::string& description, std::int64_t pages) {
    if (pages <= 0) return {};
    if (description.rfind("ImageJ=", 0) == 0) return ImageJTimes(description, pages);
    if (description.find("<OME") != std::string::npos) return OmeTimes(description, pages);
    return {};
}

std::optional<double> ExifSeconds(const std::string& dateTime, const std::string& subSeconds,
                                  const std::string& offset) {
    // "YYYY:MM:DD HH:MM:SS"
    const auto field = [&dateTime](std::size_t at, std::size_t length) -> std::optional<int> {
        int value = 0;
        const char* from = dateTime.data() + at;
        const auto [end, error] = std::from_chars(from, from + length, value);
        if (error != std::errc() || end != from + length) return std::nullopt;
        return value;
    };
    if (dateTime.size() < 19 || dateTime[4] != ':' || dateTime[7] != ':' || dateTime[10] != ' ' ||
        dateTime[13] != ':' || dateTime[16] != ':') {
        return std::nullopt;
    }
    const auto year = field(0, 4), month = field(5, 2), day = field(8, 2);
    const auto hour = field(11, 2), minute = field(14, 2), second = field(17, 2);
    if (!year || !month || !day || !hour || !minute || !second || *hour > 23 || *minute > 59 ||
        *second > 60) {
        return std::nullopt;
    }
    const std::chrono::year_month_day date{std::chrono::year(*year),
                                           std::chrono::month(static_cast<unsigned>(*month)),
                                           std::chrono::day(static_cast<unsigned>(*day))};
    if (!date.ok()) return std::nullopt;
    double seconds = static_cast<double>(std::chrono::sys_days(date).time_since_epoch().count()) *
                         86400.0 +
                     *hour * 3600.0 + *minute * 60.0 + *second;
    // The sub-seconds are the digits of a decimal fraction: "5" is half a second, "050" 50 ms.
    std::string digits = subSeconds;
    while (!digits.empty() && digits.back() == ' ') digits.pop_back();
    if (!digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos &&
        digits.size() <= 9) {
        seconds += *Number(digits) / std::pow(10.0, static_cast<double>(digits.size()));
    }
    // "+09:00" is nine hours ahead of UTC: the same moment is nine hours earlier in UTC.
    if (offset.size() >= 6 && (offset[0] == '+' || offset[0] == '-') && offset[3] == ':') {
        const auto oh = Number(offset.substr(1, 2));
        const auto om = Number(offset.substr(4, 2));
        if (oh && om && *oh <= 23 && *om <= 59) {
            seconds -= (offset[0] == '-' ? -1 : 1) * (*oh * 3600 + *om * 60);
        }
    }
    return seconds;
}

EntryTime ExifTimeOfFile(const std::string& path) {
    const std::unique_ptr<ExifData, void (*)(ExifData*)> data(exif_data_new_from_file(path.c_str()),
                                                              exif_data_unref);
    if (!data) return {};
    const auto text = [&data](ExifTag tag) {
        ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_EXIF], tag);
        if (entry == nullptr || entry->data == nullptr) return std::string();
        const auto* bytes = reinterpret_cast<const char*>(entry->data);
        std::string value(bytes, entry->size);
        return value.substr(0, value.find('\0'));
    };
    const auto seconds = ExifSeconds(text(EXIF_TAG_DATE_TIME_ORIGINAL),
                                     text(EXIF_TAG_SUB_SEC_TIME_ORIGINAL),
                                     text(EXIF_TAG_OFFSET_TIME_ORIGINAL));
    if (!seconds) return {};
    return {*seconds, TimeSource::Exif};
}
