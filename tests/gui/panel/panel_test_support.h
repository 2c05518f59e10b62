// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QStyle>
#include <QStyleOption>
#include <QTest>

// Counts the paint events a widget receives, so a test can tell a synchronous repaint from a
// scheduled one.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) : QObject(widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count;
        return false;
    }
};

// A click where a user would click: on the indicator of a check box or radio button, in the
// middle of anything else.
inline void ClickButton(QAbstractButton* button) {
    QPoint where = button->rect().center();
    if (qobject_cast<QCheckBox*>(button) != nullptr || qobject_cast<QRadioButton*>(button)) {
        where = QPoint(7, button->height() / 2);
    }
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, where);
}

// Replaces the field's text as a user does: select all, delete, type.
inline void TypeInto(QLineEdit* edit, const QString& text) {
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

// The controls under root whose caption does not fit the room the style gives it.
inline QStringList ClippedTexts(QWidget* root) {
    QStringList clipped;
    auto check = [&clipped](const QWidget* w, const QString& text, const QRect& room) {
        const QFontMetrics metrics(w->font());
        if (metrics.horizontalAdvance(text) > room.width() || metrics.height() > room.height()) {
            clipped << QStringLiteral("%1 \"%2\": needs %3x%4 in %5x%6")
                           .arg(w->objectName(), text)
                           .arg(metrics.horizontalAdvance(text))
                           .arg(metrics.height())
                           .arg(room.width())
                           .arg(room.height());
        }
    };
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (auto* radio = qobject_cast<QRadioButton*>(w)) {
            QStyleOptionButton option;
            option.initFrom(radio);
            option.text = radio->text();
            check(w, radio->text(),
                  w->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, w));
        } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
            if (box->text().isEmpty()) continue;
            QStyleOptionButton option;
            option.initFrom(box);
            option.text = box->text();
            check(w, box->text(),
                  w->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, w));
        } else if (auto* push = qobject_cast<QPushButton*>(w)) {
            QStyleOptionButton option;
            option.initFrom(push);
            option.text = push->text();
            check(w, push->text(),
                  w->style()->subElementRect(QStyle::SE_PushButtonContents, &option, w));
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            check(w, label->text(), label->contentsRect());
        } else if (auto* bar = qobject_cast<QProgressBar*>(w)) {
            // The widest text the bar's range can give it, within the bar.
            if (!bar->isTextVisible() || bar->maximum() <= bar->minimum()) continue;
            const QString most = QString::number(bar->maximum());
            const QString text = bar->format()
                                     .replace(QLatin1String("%v"), most)
                                     .replace(QLatin1String("%m"), most)
                                     .replace(QLatin1String("%p"), QLatin1String("100"));
            QStyleOptionProgressBar option;
            option.initFrom(bar);
            option.minimum = bar->minimum();
            option.maximum = bar->maximum();
            option.progress = bar->maximum();
            option.text = text;
            option.textVisible = true;
            option.textAlignment = bar->alignment();
            option.state |= QStyle::State_Horizontal;
            check(
                w, text,
                w->style()->subElementRect(QStyle::SE_ProgressBarLabel, &option, w) & bar->rect());
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            QStyleOptionGroupBox option;
            option.initFrom(group);
            option.text = group->title();
            option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
            option.textAlignment = group->alignment();
            check(w, group->title(),
                  w->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel,
                                             w));
        }
    }
    return clipped;
}

int RunDialogNumbersTests(int argc, char** argv);
int RunProfileGraphTests(int argc, char** argv);
int RunDataViewTests(int argc, char** argv);
int RunFileListPanelTests(int argc, char** argv);
int RunAxisDlgTests(int argc, char** argv);
int RunCaliperRuleDlgTests(int argc, char** argv);
int RunPlotMappingTests(int argc, char** argv);
int RunProfileMappingTests(int argc, char** argv);
int RunSeriesPlotTests(int argc, char** argv);
int RunTimeRuleDlgTests(int argc, char** argv);
