// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "model/data_profile.h"
#include "picture/picture.h"
#include "series/detection_run.h"

// The records that a series is measured on, as whoever holds them lets them be seen: the
// window's document implements it. Background detection and the series plot's values need
// nothing of the document but this, so they live beside the runs they drive and are tested
// without a window.
class CSeriesHost {
public:
    virtual const CDataProfile& Records() const = 0;
    virtual CDataProfile& Records() = 0;
    virtual int CurrentRecord() const = 0;
    // Whether lengths and areas are switched on: a quantity that is off is never plotted.
    virtual bool MeasuresLength() const = 0;
    virtual bool MeasuresArea() const = 0;
    // Whether the record's file was found missing or unreadable, and why.
    virtual bool IsMissing(int record) const = 0;
    virtual QString MissingReason(int record) const = 0;
    // True while a long operation works on the records: nothing is written back meanwhile.
    virtual bool IsBusy() const = 0;
    // The channel, rule and edge options that a detection started now would use.
    virtual DetectSettings DetectionNow() const = 0;
    // A detection found the record's file unreadable.
    virtual void NoteUnreadable(const CScanSeries* series, const CPicture::LoadResult& result) = 0;
    // Edge points were written into the records.
    virtual void NotifyMeasured() = 0;

protected:
    CSeriesHost() = default;
    CSeriesHost(const CSeriesHost&) = default;
    CSeriesHost& operator=(const CSeriesHost&) = default;
    ~CSeriesHost() = default;
};
