// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/caption_width.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace {
// An icon and three buttons of about 32 pixels, and the margins around them.
constexpr int kTitleBarDecorations = 4 * 32 + 32;
}  // namespace

int CaptionWidth(const QString& caption) {
    QFont font = QApplication::font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.25);
    return QFontMetrics(font).horizontalAdvance(caption) + kTitleBarDecorations;
}

void FitCaption(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr) return;
    grid->addItem(new QSpacerItem(CaptionWidth(box.windowTitle()), 0, QSizePolicy::Minimum,
                                  QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
}
