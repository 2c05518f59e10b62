// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCursor>

// The cursor that tells, while Shift is held, what a Shift+click on the image does: draw a scan
// line (PICK_NONE) or place the origin, the X-axis point or the Y-axis point.
QCursor ToolCursor(int pickMode);
