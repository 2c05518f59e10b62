// A sequence of operations on the image records, decoded from the input, with the records'
// invariants checked after every step: both arrays the same size, every record holding the same
// lines with the same end points, every cursor on its line, lookups in range.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "export/data_file.h"
#include "model/data_profile.h"
#include "model/edge_detect.h"
#include "support/invariants.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

void CheckInvariants(const CDataProfile& profile) {
    Check(ProfileInvariantBroken(profile).empty());
    const CScanArray* first = profile.GetArray(0, 0);
    if (first != nullptr) {
        Check(first->GetAt(first->GetSize()) == nullptr && first->GetAt(-1) == nullptr);
    }
    Check(profile.GetSeries(profile.GetSize()) == nullptr && profile.GetSeries(-1) == nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    CDataProfile profile;
    ProfileBuffer buffer;
    // A small picture made of input bytes, for the detections.
    std::vector<std::uint32_t> pixels(64 * 48);
    for (auto& p : pixels) p = 0xFF000000u | in.ConsumeIntegral<std::uint32_t>();
    const PixelView picture{reinterpret_cast<const std::uint8_t*>(pixels.data()), 64, 48, 64 * 4};

    const auto coordinate = [&in] { return in.ConsumeIntegralInRange<int>(-3000, 3000); };
    while (in.remaining_bytes() > 0) {
        const int n = profile.GetSize();
        const int lineCount = n > 0 ? profile.GetArray(0, 0)->GetSize() : 0;
        const int record = in.ConsumeIntegralInRange<int>(-1, n);
        const int line = in.ConsumeIntegralInRange<int>(-1, lineCount);
        switch (in.ConsumeIntegralInRange<int>(0, 11)) {
            case 0:
                profile.AddImage(in.ConsumeRandomLengthString(12), "p");
                break;
            case 1:
                profile.RemoveImage(record);
                break;
            case 2: {  // a line drawn on every image
                const int x1 = coordinate(), y1 = coordinate(), x2 = coordinate(),
                          y2 = coordinate();
                for (auto& series : profile.m_arSeries) series->AddLine(0, x1, y1, x2, y2);
                break;
            }
            case 3: {
                const int x1 = coordinate(), y1 = coordinate(), x2 = coordinate(),
                          y2 = coordinate();
                const bool exists = line >= 0 && line < lineCount && n > 0;
                Check(profile.ReshapeLine(line, x1, y1, x2, y2) == exists);
                break;
            }
            case 4:
                profile.RemoveLine(line);
                break;
            case 5: {
                const int dir = in.ConsumeIntegralInRange<int>(-2, 2);
                const bool moves = (dir == -1 && record >= 1 && record < n) ||
                                   (dir == 1 && record >= 0 && record < n - 1);
                Check(profile.MoveImage(record, dir) == moves);
                break;
            }
            case 6:
                profile.SortByTitle();
                break;
            case 7:
                if (CDataAxis* axis = profile.GetAxis(record)) {
                    CData& point = in.ConsumeBool() ? axis->m_xAxis : axis->m_yAxis;
                    point.m_xPixel = coordinate();
                    point.m_yPixel = coordinate();
                    point.m_xValue = in.ConsumeFloatingPoint<double>();
                    point.m_yValue = in.ConsumeFloatingPoint<double>();
                    axis->m_bLogX = in.ConsumeBool();
                    axis->m_bLogY = in.ConsumeBool();
                }
                break;
            case 8:
                if (CScan* scan = profile.GetLine(record, 0, line)) {
                    switch (in.ConsumeIntegralInRange<int>(0, 2)) {
                        case 0:
                            scan->Next();
                            break;
                        case 1:
                            scan->Prev();
                            break;
                        default:
                            scan->SetPos(in.ConsumeIntegral<int>());
                            break;
                    }
                }
                break;
            case 9:
                if (CScan* scan = profile.GetLine(record, 0, line)) scan->m_bDetect = true;
                DetectPending(profile, record, 0, picture, in.ConsumeIntegralInRange<int>(0, 4),
                              in.ConsumeIntegralInRange<int>(0, 4), buffer);
                Check(buffer.m_nLastSample >= -1 && buffer.m_nLastSample < kProfileSize);
                break;
            case 10:
                (void)profile.GetValueX(record, 0, line);
                (void)profile.GetValueY(record, 0, line);
                (void)profile.IsAxisValid(record);
                break;
            default: {
                const auto bytes = BuildDataFile(profile, in.ConsumeBool(), in.ConsumeBool());
                Check(bytes.has_value() == (n > 0 && lineCount > 0));
                break;
            }
        }
        CheckInvariants(profile);
    }
    return 0;
}
