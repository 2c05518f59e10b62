// SPDX-License-Identifier: GPL-3.0-or-later
// Part files as the merge reads them. The checksums are set right first, so that the input
// reaches the checks behind them: any bytes either read as a part whose records make a data
// file and write back into a part that reads as the same records, or are refused with a
// message; nothing else.
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "export/data_file.h"
#include "export/part_file.h"

namespace {

void Put(std::string& bytes, std::size_t at, std::uint64_t value, int size) {
    for (int k = 0; k < size; ++k) bytes[at + k] = static_cast<char>((value >> (8 * k)) & 0xFF);
}

// The body's size and both checksums as a writer would have set them.
void Seal(std::string& bytes) {
    if (bytes.size() < kPartHeaderBytes + 4) return;
    Put(bytes, 88, bytes.size() - kPartHeaderBytes - 4, 8);
    Put(bytes, kPartHeaderBytes - 4,
        PartChecksum(std::string_view(bytes).substr(0, kPartHeaderBytes - 4)), 4);
    const std::string_view body =
        std::string_view(bytes).substr(kPartHeaderBytes, bytes.size() - kPartHeaderBytes - 4);
    Put(bytes, bytes.size() - 4, PartChecksum(body), 4);
}

bool SameRecords(const CDataProfile& a, const CDataProfile& b) {
    if (a.GetSize() != b.GetSize()) return false;
    for (int i = 0; i < a.GetSize(); ++i) {
        if (a.GetSeries(i)->m_strPath != b.GetSeries(i)->m_strPath) return false;
        const auto& la = a.GetArray(i, 0)->m_arLine;
        const auto& lb = b.GetArray(i, 0)->m_arLine;
        if (la.size() != lb.size()) return false;
        for (std::size_t n = 0; n < la.size(); ++n) {
            if (la[n]->m_nPos != lb[n]->m_nPos || !(la[n]->m_ptCur == lb[n]->m_ptCur)) return false;
        }
        const CDataAxis& xa = *a.GetAxis(i);
        const CDataAxis& xb = *b.GetAxis(i);
        if (std::bit_cast<std::uint64_t>(xa.m_yAxis.m_yValue) !=
                std::bit_cast<std::uint64_t>(xb.m_yAxis.m_yValue) ||
            !(xa.m_origin.m_xPixel == xb.m_origin.m_xPixel) || xa.m_bLogX != xb.m_bLogX) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    Seal(bytes);
    PartHeader header;
    if (!ReadPartHeader(bytes, bytes.size(), header).empty()) return 0;
    std::vector<LineEnds> lines;
    CDataProfile records;
    if (!ReadPartRecords(bytes, header, lines, records).empty()) {
        if (records.GetSize() != 0) std::abort();  // refused, yet records were added
        return 0;
    }
    if (records.GetSize() > 0) (void)BuildDataFile(records, true, true);
    const auto written = BuildPartFile(header, lines, records);
    if (!written) std::abort();
    PartHeader again;
    std::vector<LineEnds> linesAgain;
    CDataProfile recordsAgain;
    if (!ReadPartHeader(*written, written->size(), again).empty() ||
        !ReadPartRecords(*written, again, linesAgain, recordsAgain).empty() ||
        linesAgain != lines || !SameRecords(records, recordsAgain)) {
        std::abort();
    }
    return 0;
}
