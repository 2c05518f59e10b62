// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/data_profile.h"
#include "model/title_order.h"

// The plain ordering by repeated passes of neighbour exchanges: N - 1 full passes, exchanging a
// record with the one before it whenever that one's title is greater. Quadratic; it is the
// reference that the fast sort must agree with.
inline void SortByTitlePasses(CDataProfile& profile) {
    const int n = profile.GetSize();
    for (int pass = 0; pass < n - 1; ++pass) {
        for (int i = 1; i < n; ++i) {
            if (CompareTitles(profile.GetSeries(i - 1)->m_strTitle,
                              profile.GetSeries(i)->m_strTitle) > 0) {
                profile.MoveImage(i, -1);
            }
        }
    }
}
