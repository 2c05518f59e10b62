// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/tool_cursors.h"

#include <QPixmap>

#include "document/doc_views.h"

namespace {

struct CursorImage {
    const char* path;
    int hotX;
    int hotY;
};

// The line cursor's hot spot is its crosshair's centre; the pick cursors carry a small
// crosshair in their upper left corner, the letter of the point below and right of it.
constexpr CursorImage kDrawLine{":/cursors/draw_line.png", 15, 16};
constexpr CursorImage kPickOrigin{":/cursors/pick_origin.png", 8, 8};
constexpr CursorImage kPickXAxis{":/cursors/pick_xaxis.png", 8, 8};
constexpr CursorImage kPickYAxis{":/cursors/pick_yaxis.png", 8, 8};

QCursor Load(const CursorImage& image) {
    return QCursor(QPixmap(QString::fromLatin1(image.path)), image.hotX, image.hotY);
}

}  // namespace

QCursor ToolCursor(int pickMode) {
    // Made once, on first use: a QPixmap needs the running application.
    static const QCursor cursors[] = {Load(kDrawLine), Load(kPickOrigin), Load(kPickXAxis),
                                      Load(kPickYAxis)};
    switch (pickMode) {
        case PICK_NONE:
            return cursors[0];
        case PICK_ORIGIN:
            return cursors[1];
        case PICK_XAXIS:
            return cursors[2];
        default:
            return cursors[3];
    }
}
