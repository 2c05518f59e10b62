// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The side panel on a real document, shown, with the view and the dialogs faked: what the
// panel's tests of its controls and of its file list share.

#include <QTest>
#include <QTreeWidget>

#include "document/doc_fakes.h"
#include "gui/panel/panel_test_support.h"
#include "panel/data_view.h"
#include "panel/profile_graph.h"

struct PanelFixture {
    FakeUi ui;
    CNorvaleDoc doc{ui};
    FakeImageView view{doc};
    ImageFiles files;
    CDataView panel{doc};
    PaintCounter* graphPaints = nullptr;

    PanelFixture() {
        doc.AddView(&view);
        QObject::connect(&panel, &CDataView::command, [this](int id) { doc.OnCmdMsg(id); });
        panel.resize(panel.sizeHint() + QSize(40, 40));
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        graphPaints = new PaintCounter(panel.Graph());
    }
    ~PanelFixture() { doc.RemoveView(&view); }

    template <class T = QAbstractButton>
    T* Control(const char* name) {
        return panel.findChild<T*>(QString::fromLatin1(name));
    }
    QTreeWidget* List() { return Control<QTreeWidget>("IDC_FILE_LIST"); }
    void Click(const char* name) {
        auto* button = Control(name);
        QVERIFY2(button != nullptr, name);
        ClickButton(button);
    }
    // Adds files with the panel's own button, as the user does.
    void AddWithButton(const QStringList& paths) {
        ui.openChoices.push_back(paths);
        Click("IDC_ADD_FILES");
    }
    QStringList ThreePictures() {
        return {files.Make(QStringLiteral("c.bmp"), 50), files.Make(QStringLiteral("a.bmp"), 60),
                files.Make(QStringLiteral("b.bmp"), 70)};
    }
    void ClickEntry(int row) {
        QTreeWidgetItem* item = List()->topLevelItem(row);
        QVERIFY(item != nullptr);
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, Qt::NoModifier,
                          List()->visualItemRect(item).center());
    }
    QStringList Titles() {
        QStringList titles;
        for (int i = 0; i < List()->topLevelItemCount(); ++i) {
            titles << List()->topLevelItem(i)->text(0);
        }
        return titles;
    }
    // The rows that carry the mark.
    QList<int> Marked() {
        QList<int> rows;
        for (int i = 0; i < List()->topLevelItemCount(); ++i) {
            if (List()->topLevelItem(i)->isSelected()) rows << i;
        }
        return rows;
    }
    int LineCount() { return doc.GetLastLineIndex() + 1; }
};

