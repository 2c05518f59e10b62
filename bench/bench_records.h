// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Records for the writers' benchmarks: many images sharing many lines, with settled cursors
// spread along the lines and each image's calibration a little different, so every number has its own
// digits; paths, when asked for, as a folder of a series of pictures has them.

#include <cstdio>
#include <string>

#include "model/data_profile.h"

inline CDataProfile MakeBenchRecords(int images, int lines, bool withPaths) {
    CDataProfile profile;
    for (int i = 0; i < images; ++i) {
        if (withPaths) {
            char path[64];
            std::snprintf(path, sizeof path, "/data/series/run-07/img%05d.bmp", i + 1);
            profile.AddImage(path + 20, path);
        } else {
            profile.AddImage("img" + std::to_string(i), "");
        }
    }
    for (int i = 0; i < images; ++i) {
        CScanSeries& series = *profile.GetSeries(i);
        for (int n = 0; n < lines; ++n) series.AddLine(0, 5, 5 + n, 900, 400 + 3 * n);
        for (int n = 0; n < lines; ++n) {
            // Settled cursors: a line still waiting for detection holds no number to write.
            series.GetLine(0, n)->SetPos((i * 7 + n * 13) % 800);
            series.GetLine(0, n)->m_bDetect = false;
        }
        CDataAxis& axis = *profile.GetAxis(i);
        axis.m_xAxis.m_xValue = 1.0 + i * 1e-3;
        axis.m_yAxis.m_yValue = 250.0 - i * 1e-2;
    }
    return profile;
}
