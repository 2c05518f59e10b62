// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/about_dlg.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/caption_width.h"
#include "panel/dialog_units.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("IDD_ABOUTBOX"));
    setWindowTitle(QCoreApplication::translate("Frame", "Quandrelのﾊﾞｰｼﾞｮﾝ情報"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/icons/quandrel_32.png")).pixmap(32, 32));
    auto* name = new QLabel(
        QStringLiteral("Quandrel Version %1").arg(QStringLiteral(QUANDREL_VERSION)), this);
    name->setObjectName(QStringLiteral("version"));
    auto* copyright = new QLabel(QStringLiteral("Copyright (C) 2026"), this);
    // The notice an interactive program under the GPL shows: its licence and that there is no
    // warranty. It is the licence's own wording, the same in either language.
    auto* licence = new QLabel(
        QStringLiteral("License GPL-3.0-or-later: free to change and redistribute."), this);
    licence->setObjectName(QStringLiteral("licence"));
    auto* warranty =
        new QLabel(QStringLiteral("There is NO WARRANTY, to the extent permitted by law."), this);

    auto* text = new QVBoxLayout;
    text->addWidget(name);
    text->addWidget(copyright);
    text->addWidget(licence);
    text->addWidget(warranty);
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addLayout(text, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    // The box keeps at least the size of its template, 235 x 55 dialog units of its font, so
    // that the caption shows whole; it grows to what its texts need when they need more.
    const QSize minimum = DluToPixels(QRect(0, 0, 235, 55), BaseUnitsOf(font())).size();
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    setMinimumSize(minimum.expandedTo(QSize(CaptionWidth(windowTitle()), 0))
                       .expandedTo(layout->totalMinimumSize()));
    resize(minimumSize());
}
