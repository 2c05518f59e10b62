// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <vector>

#include "document/commands/doc_command.h"
#include "model/data_axis.h"

// What one calibration edit sets on each calibration of its scope; what it leaves unset stays.
struct AxisEdit {
    std::optional<CPoint> pixel[3];     // origin, X-axis point, Y-axis point
    std::optional<AxisValue> value[3];  // the axis values at those points
    std::optional<bool> logX;
    std::optional<bool> logY;

    void ApplyTo(CDataAxis& axis) const;
};

// A calibration edit on the images [first, first + count): the current one alone, or all. The
// calibrations it overwrites are kept in runs of equal neighbours, so an edit of one common
// calibration on 10,000 images keeps one copy.
class CCalibrationCommand : public CDocCommand {
public:
    CCalibrationCommand(CNorvaleDoc& doc, const QString& text, int first, int count,
                        const AxisEdit& edit);

    // Whether the edit would change any calibration at all.
    bool ChangesAnything() const;

protected:
    void Apply(bool first) override;
    void Revert() override;

private:
    struct Run {
        int count;
        CDataAxis axis;
    };

    int m_nFirst;
    int m_nCount;
    AxisEdit m_edit;
    std::vector<Run> m_old;
};
