// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

#include "model/caliper.h"
#include "model/scan.h"

// What a measurement will read of a picture, handed to the loader before it decodes, so that a
// decoder able to give part of a picture gives only that part. It names the walks of the lines
// and how far from each position a read may reach; PixelRegion lays it on a picture of a given
// size. A decoder that can skip whole rows only reads the region's rows.
struct PixelRequest {
    struct Walk {
        CPoint start;
        ScanWalk walk;
        int reach = 0;  // pixels in x and in y from each position of the walk
        bool operator==(const Walk& other) const {
            return start == other.start && walk.count == other.walk.count &&
                   walk.slope == other.walk.slope && walk.step == other.walk.step &&
                   walk.xMajor == other.walk.xMajor && reach == other.reach;
        }
    };
    std::vector<Walk> walks;
    bool operator==(const PixelRequest&) const = default;
};

// The pixels that measuring the pending lines reads at the band width `lineWidth`, each line
// under its caliper rule (m_nRule, from 1; none or an unknown number: the side panel's): around
// each position of a line's walk, the band's pixels across it; for a rule that reads between
// pixels, its points across the exact line, which lies within a pixel of the walk, and the pixel
// after each. Such a rule reads the border for a point off the picture, which the region keeps.
PixelRequest LinesRequest(const std::vector<CScan>& lines, int lineWidth,
                          const std::vector<CaliperRule>& rules);

// A request laid on a picture of width x height: the cells, 16 pixels wide and 2 rows high,
// that hold a pixel it may read. Cells are the unit because a 4:2:0 video frame converts by
// pairs of rows and its converter runs 16 pixels at a time.
class PixelRegion {
public:
    static constexpr int kCellWidth = 16;
    static constexpr int kCellHeight = 2;

    // The cells of one cell row from `first` to before `end`, with none on either side.
    struct Run {
        int row;
        int first;
        int end;
    };

    PixelRegion() = default;
    PixelRegion(const PixelRequest& request, int width, int height);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int CellColumns() const { return m_columns; }
    int CellRows() const { return m_rows; }
    bool HasCell(int column, int row) const {
        return m_cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(m_columns) +
                       static_cast<std::size_t>(column)] != 0;
    }
    // Every run of cells, row by row from the top, left to right.
    const std::vector<Run>& Runs() const { return m_runs; }
    // Whether the pixel lies in a cell of the region.
    bool Holds(int x, int y) const {
        return x >= 0 && y >= 0 && x < m_width && y < m_height &&
               HasCell(x / kCellWidth, y / kCellHeight);
    }

private:
    int m_width = 0;
    int m_height = 0;
    int m_columns = 0;
    int m_rows = 0;
    std::vector<std::uint8_t> m_cells;
    std::vector<Run> m_runs;
};
