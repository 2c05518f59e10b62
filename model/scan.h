#pragma once

#include <cstdint>
#include <memory>

#include "model/point.h"

// The longest walk along a line's major axis: 1023 steps, so 1024 positions. A longer line is
// measured over its first 1024 positions only, unless its whole length is asked for.
inline constexpr int kMaxScanSteps = 1023;
// The longest walk when the whole line is measured: more than any line across a picture the
// program opens, short enough that a profile's memory stays in tens of megabytes.
inline constexpr int kMaxWholeScanSteps = (1 << 20) - 1;

// How a segment is walked: one position per step of its major axis.
struct ScanWalk {
    int count = 0;       // steps along the major axis, capped at the walk's limit
    double slope = 0.0;  // minor difference / major difference, signed
    int step = 1;        // sign of the major difference, +1 when it is 0
    bool xMajor = true;  // x steps on a tie (|dx| == |dy|)
};

ScanWalk SetupWalk(int x1, int y1, int x2, int y2, int maxSteps = kMaxScanSteps);
// The steps of the segment's whole major axis, uncapped.
long long MajorSteps(int x1, int y1, int x2, int y2);

// Position of index i: computed afresh from the start, the minor offset truncated toward the
// start's coordinate, so any index is reached directly and nothing accumulates.
inline CPoint WalkPosition(const CPoint& start, const ScanWalk& walk, int i) {
    const int minor = walk.step * static_cast<int>(i * walk.slope);
    if (walk.xMajor) return {start.x + i * walk.step, start.y + minor};
    return {start.x + minor, start.y + i * walk.step};
}

// A point between pixels, in the picture's pixel coordinates (a pixel's centre is whole).
struct CPointF {
    double x = 0.0;
    double y = 0.0;
};

struct CaliperMeasure;

// How a line's cursor came to stand where it is on an image.
enum class CursorOrigin : std::uint8_t {
    Kept,      // read from a file that does not say, or where the line was drawn
    Placed,    // put there by hand
    Detected,  // found by edge detection (CScan::m_nFound names the settings)
};

// One scan line on one image: its end points (the same on every image), the walker, and the
// cursor that marks this image's edge point.
class CScan {
public:
    int m_nPos = 0;
    int m_nCount = 0;
    double m_dSlope = 0.0;
    int m_nStep = 1;
    bool m_bXMajor = true;
    bool m_bDetect = true;  // edge detection pending on this image
    CPoint m_ptCur;
    CPoint m_ptStart;
    CPoint m_ptEnd;
    // The edge found between samples, as a fraction of a sample from the start (0 to m_nCount),
    // when a sub-pixel detection put the cursor here; negative otherwise. Moving the cursor any
    // other way drops it. m_ptCur stays the integer pixel the data file holds.
    double m_dSubPos = -1.0;
    int m_nMaxSteps = kMaxScanSteps;  // the walk's limit: kMaxScanSteps or kMaxWholeScanSteps
    CursorOrigin m_origin = CursorOrigin::Kept;
    // The caliper rule that finds this line's edge: 0 for the side panel's rule, k for rule k - 1
    // of the record list (CDataProfile::m_rules). A line has the same rule on every image. It
    // stands beside m_origin, in room the line has anyway.
    std::uint16_t m_nRule = 0;
    // While m_origin is Detected: which of the record list's detection settings found the edge
    // (CDataProfile::m_detections).
    std::uint32_t m_nFound = 0;
    // What a caliper rule measured where the cursor stands; null when no caliper rule put it
    // there. Moving the cursor any other way drops it, as it drops the sub-pixel edge.
    std::shared_ptr<const CaliperMeasure> m_measure;

    bool HasSubPos() const { return m_dSubPos >= 0.0; }
    // Puts the cursor on index n and keeps the sub-pixel position beside it (negative for none).
    void SetEdge(int n, double subPos);
    // The sub-pixel edge on the picture: between the pixels of the two samples it falls between,
    // in proportion, so that a whole index gives that sample's pixel, m_ptCur's.
    CPointF SubPoint() const;
    // The point t samples from the line's start (0 to m_nCount), between the pixels of the two
    // samples it falls between.
    CPointF PointAt(double t) const;
    // The point t steps along the straight segment itself: one pixel along the major axis per
    // step and the slope's share along the minor one, where the walk truncates the minor share
    // to a pixel.
    CPointF ExactPointAt(double t) const;

    void SetLine(int x1, int y1, int x2, int y2);
    // Walks the same ends under another limit. The cursor keeps its place (and its sub-pixel
    // edge) where the walk still reaches it, and goes to the new last position otherwise.
    void SetStepLimit(int maxSteps);
    // The walk stops before the end point: the rest of the line is not measured.
    bool IsCut() const;
    void ReshapeLine(int x1, int y1, int x2, int y2);
    void UpdatePos();
    void SetPos(int n);
    void Next();
    void Prev();

    ScanWalk Walk() const { return {m_nCount, m_dSlope, m_nStep, m_bXMajor}; }
    CPoint PositionAt(int i) const { return WalkPosition(m_ptStart, Walk(), i); }

private:
    void Setup(int x1, int y1, int x2, int y2);
};
