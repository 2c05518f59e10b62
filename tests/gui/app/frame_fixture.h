// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The real frame on a real document, started as the program starts it, with dialogs answered by
// a script: what the frame's test programs share.

#include <QAction>
#include <QApplication>
#include <QMimeData>
#include <QUrl>
#include <QCoreApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <memory>

#include "app/main_frame.h"
#include "app/norvale_app.h"
#include "document/doc_fakes.h"

// The command a menu or toolbar action carries, 0 for none.
inline int CommandId(const QAction* action) {
    const QVariant id = action->property("commandId");
    return id.isValid() ? id.toInt() : 0;
}

class FrameFixture {
protected:
    std::unique_ptr<FakeUi> m_ui;
    std::unique_ptr<CNorvaleApp> m_app;
    std::unique_ptr<ImageFiles> m_files;

    CMainFrame& Frame() { return m_app->Frame(); }
    CNorvaleDoc& Doc() { return m_app->Document(); }

    void Start(const QStringList& arguments = {}) {
        m_ui = std::make_unique<FakeUi>();
        m_app = std::make_unique<CNorvaleApp>(m_ui.get());
        QVERIFY(m_app->InitInstance(arguments));
        QVERIFY(QTest::qWaitForWindowExposed(&Frame()));
    }
    // Drops the files on the frame as a file manager does; false when the frame refuses them.
    bool Drop(const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(200, 200), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&Frame(), &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent drop(QPointF(200, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&Frame(), &drop);
        return true;
    }
    void LoadImages(int count) {
        QStringList paths;
        for (int k = 0; k < count; ++k) {
            paths << m_files->Make(QStringLiteral("img%1.bmp").arg(k), 20 + 10 * k, 160, 120);
        }
        m_ui->openChoices.push_back(paths);
        QTest::keyClick(&Frame(), Qt::Key_O, Qt::ControlModifier);
    }

    // For the test class's initTestCase, init and cleanup: the settings of a test home, cleared
    // around each case.
    static void InitTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("Zentor"));
        QCoreApplication::setApplicationName(QStringLiteral("Quandrel"));
    }
    void Init() {
        QSettings().clear();
        m_files = std::make_unique<ImageFiles>();
    }
    void Cleanup() {
        m_app.reset();
        m_ui.reset();
        QSettings().clear();
    }
};
