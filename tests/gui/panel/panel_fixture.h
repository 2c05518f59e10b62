// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The side panel on a real document, shown, with the view and the dialogs faked: what the
// panel's tests of its controls and of its file list share.

#include <QTest>
#include <QTreeView>

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
    QTreeView* List() { return Control<QTreeView>("IDC_FILE_LIST"); }
    QModelIndex Row(int row) { return List()->model()->index(row, 0); }
    int Rows() { return List()->model()->rowCount(); }
    QString Text(int row) { return Row(row).data().toString(); }
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
        QVERIFY(Row(row).isValid());
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, Qt::NoModifier,
                          List()->visualRect(Row(row)).center());
    }
    QStringList Titles() {
        QStringList titles;
        for (int i = 0; i < Rows(); ++i) titles << Text(i);
        return titles;
    }
    // The rows that carry the mark.
    QList<int> Marked() {
        QList<int> rows;
        for (int i = 0; i < Rows(); ++i) {
            if (List()->selectionModel()->isSelected(Row(i))) rows << i;
        }
        return rows;
    }
    int LineCount() { return doc.GetLastLineIndex() + 1; }
};

