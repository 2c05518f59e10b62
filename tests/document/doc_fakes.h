// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QFile>
#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "document/command_ids.h"
#include "document/norvale_doc.h"

// Answers the document's questions from a script and records what it was asked.
class FakeUi : public CUiServices {
public:
    std::vector<QString> messages;
    std::vector<QString> questions;
    std::vector<std::pair<QString, QString>> openFailures;
    std::deque<bool> answers;  // AskYesNo; Yes when the script has run out
    // AskSaveChanges; Discard when the script has run out, so that tests of other things go on
    std::deque<SaveChoice> saveAnswers;
    std::vector<QString> saveQuestions;
    std::vector<QString> details;  // of MessageBoxWithDetails, whose text goes to messages
    std::deque<QStringList> openChoices;
    std::deque<QString> saveChoices;
    std::function<bool(AxisDialogValues&)> axisDialog;
    std::function<bool(EdgeOptions&)> edgeDialog;
    // The caliper rule dialog: what it was shown (the rule, and whether it offered the panel's
    // rule), and the script's answer.
    std::function<bool(std::optional<CaliperRule>&, bool)> ruleDialog;
    std::vector<std::pair<std::optional<CaliperRule>, bool>> rulesShown;
    std::vector<AxisDialogValues> axisShown;
    OpenFilesRequest lastOpen;
    SaveFileRequest lastSave;
    int saveDialogs = 0;
    int saveFilter = 0;  // the file type the save dialog answers with
    int cancelProgressAt = -1;            // SetProgress answers false from this count on
    std::function<void(int)> onProgress;  // what the user does while the window runs
    int progressBegun = 0;
    int progressEnded = 0;

    void MessageBox(const QString& text) override { messages.push_back(text); }
    bool AskYesNo(const QString& text) override {
        questions.push_back(text);
        if (answers.empty()) return true;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    SaveChoice AskSaveChanges(const QString& text) override {
        saveQuestions.push_back(text);
        if (saveAnswers.empty()) return SaveChoice::Discard;
        const SaveChoice answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
    void MessageBoxWithDetails(const QString& text, const QString& list) override {
        messages.push_back(text);
        details.push_back(list);
    }
    QStringList GetOpenFileNames(const OpenFilesRequest& request) override {
        lastOpen = request;
        if (openChoices.empty()) return {};
        QStringList files = openChoices.front();
        openChoices.pop_front();
        return files;
    }
    QString GetSaveFileName(SaveFileRequest& request) override {
        request.selectedFilter = saveFilter;
        lastSave = request;
        ++saveDialogs;
        if (saveChoices.empty()) return {};
        QString file = saveChoices.front();
        saveChoices.pop_front();
        return file;
    }
    void ShowOpenFailure(const QString& path, const QString& reason) override {
        openFailures.emplace_back(path, reason);
    }
    bool RunAxisDialog(AxisDialogValues& values) override {
        axisShown.push_back(values);
        return axisDialog ? axisDialog(values) : false;
    }
    bool RunEdgeOptionsDialog(EdgeOptions& options) override {
        return edgeDialog ? edgeDialog(options) : false;
    }
    bool RunCaliperRuleDialog(std::optional<CaliperRule>& rule, bool panelChoice) override {
        rulesShown.emplace_back(rule, panelChoice);
        return ruleDialog ? ruleDialog(rule, panelChoice) : false;
    }
    void BeginProgress(const QString&, int) override { ++progressBegun; }
    bool SetProgress(int done) override {
        if (onProgress) onProgress(done);
        return cancelProgressAt < 0 || done < cancelProgressAt;
    }
    void EndProgress() override { ++progressEnded; }
};

class FakePanel : public IDataPanel {
public:
    PanelOptions options;
    int reads = 0;
    int repaints = 0;
    int updates = 0;

    PanelOptions ReadOptions() override {
        ++reads;
        return options;
    }
    void WriteOptions(const PanelOptions& o) override { options = o; }
    void RepaintNow() override { ++repaints; }
    void OnUpdate() override { ++updates; }
};

// Behaves as the image view does towards the document: re-detection runs the document's
// detection on the current line.
class FakeImageView : public IImageView {
public:
    explicit FakeImageView(CNorvaleDoc& doc) : m_doc(doc) {}

    int pickMode = PICK_NONE;
    double zoom = 1;
    bool fit = false;
    int invalidations = 0;
    int updates = 0;
    int dragsCancelled = 0;

    int GetPickMode() const override { return pickMode; }
    void SetPickMode(int mode) override { pickMode = mode; }
    double GetZoom() const override { return zoom; }
    void SetZoom(double z) override {
        zoom = (z == 0.25 || z == 0.5 || z == 2 || z == 4) ? z : 1;
        fit = false;
    }
    bool IsZoomFit() const override { return fit; }
    void SetZoomFit() override { fit = true; }
    void InvalidateNoErase() override { ++invalidations; }
    void RedetectCurLine() override {
        if (CScan* line = m_doc.GetCurLine()) {
            line->m_bDetect = true;
            m_doc.DetectEdge(m_doc.m_nCurLine);
            InvalidateNoErase();
            m_doc.RepaintDataView();
        }
    }
    void CancelDrag() override { ++dragsCancelled; }
    void OnUpdate() override { ++updates; }

private:
    CNorvaleDoc& m_doc;
};

// Pictures written into a temporary folder: a grey field with a dark vertical bar at column
// `bar`, so a minimum-rule detection along a horizontal line lands on the bar.
class ImageFiles {
public:
    QString Make(const QString& name, int bar, int width = 120, int height = 80) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(QColor(200, 200, 200));
        for (int y = 0; y < height; ++y) image.setPixel(bar, y, qRgb(10, 10, 10));
        const QString path = m_dir.filePath(name);
        image.save(path);
        return path;
    }
    QString Text(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly)) file.write(bytes);
        return path;
    }
    QString Path(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

// A document with a fake user interface and both fake views attached.
struct DocFixture {
    FakeUi ui;
    CNorvaleDoc doc{ui};
    FakePanel panel;
    FakeImageView view{doc};
    ImageFiles files;

    DocFixture() {
        doc.AddView(&panel);
        doc.AddView(&view);
        doc.OnNewDocument();
    }
    ~DocFixture() {
        doc.RemoveView(&panel);
        doc.RemoveView(&view);
    }

    // Adds the files through the add command, as the user would.
    void Add(const QStringList& paths) {
        ui.openChoices.push_back(paths);
        doc.OnAddFiles();
    }
    std::vector<std::string> Titles() const {
        std::vector<std::string> titles;
        for (const auto& s : doc.m_profile.m_arSeries) titles.push_back(s->m_strTitle);
        return titles;
    }
};
