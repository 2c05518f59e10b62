#include "export/line_status.h"

LineStatus StatusOf(const CScan* line, bool imageReadable) {
    if (line == nullptr) return LineStatus::Missing;
    if (line->m_bDetect) return imageReadable ? LineStatus::Pending : LineStatus::Unreadable;
    // Only a detection leaves a sub-pixel edge beside the cursor; any other move drops it.
    if (line->HasSubPos()) return LineStatus::Detected;
    return LineStatus::Placed;
}

std::string_view StatusWord(LineStatus status) {
    switch (status) {
        case LineStatus::Detected:
            return "detected";
        case LineStatus::Placed:
            return "placed";
        case LineStatus::Pending:
            return "pending";
        case LineStatus::Unreadable:
            return "unreadable";
        case LineStatus::Missing:
            break;
    }
    // A literal, not a default string_view: its data is never null, so writers may copy it.
    return "";
}
