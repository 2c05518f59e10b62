// SPDX-License-Identifier: GPL-3.0-or-later
// The window in Japanese and in English: which language a locale and the command line choose,
// that every text of the interface has its English, and that an English window shows no
// Japanese, holds its captions whole and writes the same data file.
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDirIterator>
#include <QDockWidget>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QTreeView>
#include <QXmlStreamReader>
#include <memory>

#include "app/about_dlg.h"
#include "app/main_frame.h"
#include "app/norvale_app.h"
#include "app/ui_language.h"
#include "app/window_arguments.h"
#include "document/command_ids.h"
#include "document/doc_fakes.h"
#include "gui/panel/panel_test_support.h"
#include "panel/axis_dlg.h"
#include "panel/data_view.h"
#include "panel/caliper_rule_dlg.h"
#include "panel/edge_options_dlg.h"
#include "panel/series_panel.h"

namespace {

// Kana, kanji, and the full- and half-width forms: what no English text may hold.
bool HasJapanese(const QString& text) {
    static const QRegularExpression japanese(
        QStringLiteral("[\\x{3000}-\\x{30ff}\\x{4e00}-\\x{9fff}\\x{ff01}-\\x{ffef}]"));
    return text.contains(japanese);
}

struct Message {
    QString context, source, translation;
    bool finished = false;
};

std::vector<Message> ReadTs(const QString& path) {
    std::vector<Message> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return messages;
    QXmlStreamReader xml(&file);
    QString context;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("source")) {
            messages.push_back({context, xml.readElementText(), {}, false});
        } else if (xml.name() == QLatin1String("translation") && !messages.empty()) {
            const bool unfinished = !xml.attributes().value(QLatin1String("type")).isEmpty();
            messages.back().translation = xml.readElementText();
            messages.back().finished = !unfinished;
        }
    }
    return messages;
}

QStringList Placeholders(const QString& text) {
    QStringList found;
    static const QRegularExpression marker(QStringLiteral("%[0-9mv]"));
    for (auto it = marker.globalMatch(text); it.hasNext();) found << it.next().captured();
    found.sort();
    return found;
}

// Every text a user reads in the widgets under root, each named for a failure message.
QStringList VisibleTexts(const QWidget* root) {
    QStringList texts{root->windowTitle()};
    for (const QAction* action : root->findChildren<QAction*>()) {
        texts << action->text() << action->statusTip() << action->toolTip();
    }
    for (const QWidget* w : root->findChildren<QWidget*>()) {
        texts << w->windowTitle() << w->toolTip();
        if (const auto* label = qobject_cast<const QLabel*>(w)) texts << label->text();
        if (const auto* button = qobject_cast<const QAbstractButton*>(w)) texts << button->text();
        if (const auto* group = qobject_cast<const QGroupBox*>(w)) texts << group->title();
        if (const auto* bar = qobject_cast<const QProgressBar*>(w)) texts << bar->format();
        if (const auto* menu = qobject_cast<const QMenu*>(w)) texts << menu->title();
        if (const auto* combo = qobject_cast<const QComboBox*>(w)) {
            for (int k = 0; k < combo->count(); ++k) texts << combo->itemText(k);
        }
        if (const auto* tree = qobject_cast<const QTreeView*>(w); tree != nullptr && tree->model()) {
            texts << tree->model()->headerData(0, Qt::Horizontal).toString();
        }
    }
    texts.removeAll(QString());
    return texts;
}

QStringList JapaneseIn(const QStringList& texts) {
    QStringList found;
    for (const QString& text : texts) {
        if (HasJapanese(text)) found << text;
    }
    return found;
}

}  // namespace

class LanguageTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeUi> m_ui;
    std::unique_ptr<CNorvaleApp> m_app;

    void Start(const QStringList& arguments) {
        m_ui = std::make_unique<FakeUi>();
        m_app = std::make_unique<CNorvaleApp>(m_ui.get());
        QVERIFY(m_app->InitInstance(arguments));
        QVERIFY(QTest::qWaitForWindowExposed(&m_app->Frame()));
    }

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("Zentor"));
        QCoreApplication::setApplicationName(QStringLiteral("Quandrel"));
    }
    void cleanup() {
        m_app.reset();
        m_ui.reset();
        QSettings().clear();
    }

    void localeChoosesTheLanguage() {
        const struct {
            const char* locale;
            UiLanguage language;
        } cases[] = {
            {"", UiLanguage::Japanese},           {"ja_JP.UTF-8", UiLanguage::Japanese},
            {"ja", UiLanguage::Japanese},         {"C", UiLanguage::Japanese},
            {"POSIX", UiLanguage::Japanese},      {"C.UTF-8", UiLanguage::Japanese},
            {"C.utf8", UiLanguage::Japanese},     {"en_US.UTF-8", UiLanguage::English},
            {"de_DE.UTF-8", UiLanguage::English}, {"fr_FR@euro", UiLanguage::English},
            {"Cy_GB", UiLanguage::English},
        };
        for (const auto& c : cases) {
            QVERIFY2(LanguageOfLocale(QString::fromLatin1(c.locale)) == c.language, c.locale);
        }

        // LC_ALL, then LC_MESSAGES, then LANG; an empty one counts as not set.
        const struct {
            const char *all, *messages, *lang, *chosen;
        } environments[] = {
            {"de_DE.UTF-8", "ja_JP.UTF-8", "ja_JP.UTF-8", "de_DE.UTF-8"},
            {"", "en_GB.UTF-8", "ja_JP.UTF-8", "en_GB.UTF-8"},
            {"", "", "ja_JP.UTF-8", "ja_JP.UTF-8"},
            {"", "", "", ""},
        };
        const QByteArray saved[] = {qgetenv("LC_ALL"), qgetenv("LC_MESSAGES"), qgetenv("LANG")};
        for (const auto& e : environments) {
            qputenv("LC_ALL", e.all);
            qputenv("LC_MESSAGES", e.messages);
            qputenv("LANG", e.lang);
            QCOMPARE(MessagesLocaleOfEnvironment(), QString::fromLatin1(e.chosen));
        }
        qputenv("LC_ALL", saved[0]);
        qputenv("LC_MESSAGES", saved[1]);
        qputenv("LANG", saved[2]);
    }

    void commandLineIsParsed() {
        const struct {
            QStringList arguments;
            std::optional<UiLanguage> language;
            std::vector<std::string> files;
            bool help, version, error;
        } cases[] = {
            {{"--lang", "en", "a.bmp"}, UiLanguage::English, {"a.bmp"}, false, false, false},
            {{"s.quandrel", "--lang=ja"},
             UiLanguage::Japanese,
             {"s.quandrel"},
             false,
             false,
             false},
            {{"--lang"}, std::nullopt, {}, false, false, true},
            {{"--lang", "fr", "a.bmp"}, std::nullopt, {"a.bmp"}, false, false, true},
            {{"--lang="}, std::nullopt, {}, false, false, true},
            {{"-h"}, std::nullopt, {}, true, false, false},
            {{"x.gif", "--help"}, std::nullopt, {"x.gif"}, true, false, false},
            {{"--version"}, std::nullopt, {}, false, true, false},
            {{"--unknown", "a.bmp", "--", "-b.bmp"},
             std::nullopt,
             {"a.bmp", "-b.bmp"},
             false,
             false,
             false},
        };
        for (const auto& c : cases) {
            const WindowArguments parsed = ParseWindowArguments(c.arguments);
            const QByteArray name = c.arguments.join(' ').toUtf8();
            QVERIFY2(parsed.language == c.language, name);
            QVERIFY2(parsed.files == c.files, name);
            QCOMPARE(parsed.help, c.help);
            QCOMPARE(parsed.version, c.version);
            QVERIFY2(parsed.error.isEmpty() != c.error, name);
        }
        // As the system gives them: a name that is not UTF-8 keeps its bytes.
        const WindowArguments bytes = ParseWindowArguments(
            std::vector<std::string>{"--lang", "en", "/data/caf\xE9.bmp", "--", "-\xFF.gif"});
        QVERIFY(bytes.language == UiLanguage::English);
        QVERIFY(bytes.files == (std::vector<std::string>{"/data/caf\xE9.bmp", "-\xFF.gif"}));
        QVERIFY(WindowVersion().contains(QStringLiteral(QUANDREL_VERSION)));
    }

    // lupdate over the sources finds exactly the texts of the tree's translation file, and each
    // has a finished English with the same placeholders (and, for the command prompts, the same
    // status-bar and tooltip halves).
    void everyTextHasItsEnglish() {
        const QString tracked = QStringLiteral(QUANDREL_TS_FILE);
        QTemporaryDir dir;
        const QString copy = dir.filePath(QStringLiteral("check.ts"));
        QVERIFY(QFile::copy(tracked, copy));
        QProcess lupdate;
        lupdate.setProcessChannelMode(QProcess::MergedChannels);
        QStringList arguments = QStringLiteral(QUANDREL_LUPDATE_ARGS).split('|');
        arguments << QStringLiteral("-ts") << copy;
        lupdate.start(QStringLiteral(QUANDREL_LUPDATE), arguments);
        QVERIFY(lupdate.waitForFinished(120000));
        QCOMPARE(lupdate.exitCode(), 0);

        const std::vector<Message> found = ReadTs(copy);
        QVERIFY(found.size() > 200);
        QStringList problems;
        for (const Message& m : found) {
            const QString name = m.context + QStringLiteral(": ") + m.source;
            if (!m.finished || m.translation.trimmed().isEmpty()) {
                problems << QStringLiteral("no English: ") + name;
            } else if (HasJapanese(m.translation)) {
                problems << QStringLiteral("Japanese left: ") + name;
            } else if (Placeholders(m.source) != Placeholders(m.translation)) {
                problems << QStringLiteral("placeholders differ: ") + name;
            } else if (m.source.count('\n') != m.translation.count('\n')) {
                problems << QStringLiteral("line breaks differ: ") + name;
            }
        }
        const std::vector<Message> tree = ReadTs(tracked);
        if (tree.size() != found.size()) {
            problems << QStringLiteral(
                "quandrel_en.ts is out of date: run the update_translations "
                "target");
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
    }

    // A Japanese literal outside a translation call never reaches lupdate: every one in the
    // program's sources must be (part of) a text the translation file holds.
    void noJapaneseLiteralEscapesTranslation() {
        QStringList sources;
        for (const Message& m : ReadTs(QStringLiteral(QUANDREL_TS_FILE))) sources << m.source;
        const QString all = sources.join(QChar(0));
        static const QRegularExpression literal(QStringLiteral("\"((?:[^\"\\\\\\n]|\\\\.)*)\""));
        static const QRegularExpression comment(QStringLiteral("^\\s*//"));
        QStringList escaped;
        for (const char* folder : {"app", "document", "panel", "view"}) {
            QDirIterator it(QStringLiteral(QUANDREL_SOURCE_DIR "/") + QLatin1String(folder),
                            {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                            QDirIterator::Subdirectories);
            while (it.hasNext()) {
                QFile file(it.next());
                QVERIFY(file.open(QIODevice::ReadOnly));
                int number = 0;
                for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
                    ++number;
                    if (line.contains(comment)) continue;
                    const QString code = line.section(QStringLiteral("  // "), 0, 0);
                    for (auto m = literal.globalMatch(code); m.hasNext();) {
                        const QString text = m.next().captured(1).replace(QStringLiteral("\\n"),
                                                                          QStringLiteral("\n"));
                        if (HasJapanese(text) && !all.contains(text)) {
                            escaped << QStringLiteral("%1:%2: %3")
                                           .arg(it.fileName())
                                           .arg(number)
                                           .arg(text);
                        }
                    }
                }
            }
        }
        QVERIFY2(escaped.isEmpty(), qPrintable(escaped.join('\n')));
    }

    // An English window with pictures and a line in it: no Japanese anywhere, and the panel's
    // and the dialogs' captions whole. The same Japanese window is the check of the check.
    void englishWindowShowsNoJapanese() {
        ImageFiles files;
        const QString picture = files.Make(QStringLiteral("a.bmp"), 30, 160, 120);
        Start({QStringLiteral("--lang"), QStringLiteral("en"), picture});
        CMainFrame& frame = m_app->Frame();
        frame.Action(ID_VIEW_SERIES)->trigger();
        QTest::qWait(50);
        QStringList japanese = JapaneseIn(VisibleTexts(&frame));
        QVERIFY2(japanese.isEmpty(), qPrintable(japanese.join(QStringLiteral(" | "))));
        QCOMPARE(frame.Action(ID_FILE_OPEN)->text(), QStringLiteral("&Open Session..."));
        // The undo item names the document's step in English too.
        frame.UpdateCommandUI();
        QCOMPARE(frame.Action(ID_EDIT_UNDO)->text(), QStringLiteral("&Undo Add Files"));

        auto* panel = frame.findChild<CDataView*>();
        QVERIFY(panel != nullptr);
        QStringList clipped = ClippedTexts(panel);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));

        CEdgeOptionsDlg edge;
        CAxisDlg axis;
        CAboutDlg about;
        CCaliperRuleDlg rule(nullptr, true);
        for (QDialog* dialog : std::initializer_list<QDialog*>{&edge, &axis, &about, &rule}) {
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            japanese = JapaneseIn(VisibleTexts(dialog));
            QVERIFY2(japanese.isEmpty(), qPrintable(japanese.join(QStringLiteral(" | "))));
            clipped = ClippedTexts(dialog);
            QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
        }
        m_app.reset();

        Start({QStringLiteral("--lang"), QStringLiteral("ja"), picture});
        QVERIFY(!JapaneseIn(VisibleTexts(&m_app->Frame())).isEmpty());
        QCOMPARE(m_app->Frame().Action(ID_FILE_OPEN)->text(),
                 QStringLiteral("セッションを開く(&O)..."));
    }

    // Every file type of every file dialog speaks the window's language.
    void fileTypesFollowTheLanguage() {
        ImageFiles files;
        const QString picture = files.Make(QStringLiteral("a.bmp"), 30, 160, 120);
        for (const char* language : {"ja", "en"}) {
            Start({QStringLiteral("--lang"), QString::fromLatin1(language), picture});
            CMainFrame& frame = m_app->Frame();
            QVERIFY(m_app->Document().AddLineToAll(5, 60, 150, 60));
            QStringList types;
            const auto take = [&types](const std::vector<FileFilter>& filters) {
                for (const FileFilter& filter : filters) types << filter.description;
            };
            for (const int id : {IDC_ADD_FILES, ID_FILE_OPEN}) {
                m_ui->lastOpen = {};
                frame.Action(id)->trigger();
                take(m_ui->lastOpen.filters);
            }
            for (const int id : {ID_FILE_SAVE_AS, ID_DATA_WRITE, ID_DATA_WRITE_CSV, 0}) {
                m_ui->lastSave = {};
                if (id == 0) {
                    frame.SeriesPanel()->OnSavePicture();
                } else {
                    frame.Action(id)->trigger();
                }
                take(m_ui->lastSave.filters);
            }
            QCOMPARE(types.size(), 12);
            for (const QString& type : types) {
                QVERIFY2(HasJapanese(type) == (QLatin1String(language) == QLatin1String("ja")),
                         qPrintable(type));
            }
            m_app.reset();
        }
    }

    // Qt's own buttons speak the window's language: no English button in a Japanese window.
    void qtButtonsFollowTheLanguage() {
        for (const UiLanguage language : {UiLanguage::Japanese, UiLanguage::English}) {
            const CUiTranslation translation(language);
            QVERIFY(translation.Complete());
            QDialogButtonBox box(QDialogButtonBox::Yes | QDialogButtonBox::No |
                                 QDialogButtonBox::Save | QDialogButtonBox::Discard |
                                 QDialogButtonBox::Cancel);
            for (const QAbstractButton* button : box.buttons()) {
                QVERIFY2(HasJapanese(button->text()) == (language == UiLanguage::Japanese),
                         qPrintable(button->text()));
            }
        }
    }

    // The data file does not depend on the language: the example session written from an
    // English and from a Japanese window gives the example's expected bytes.
    void dataFileIsTheSameInBothLanguages() {
        QFile expectedFile(QStringLiteral(QUANDREL_EXAMPLES_DIR "/expected.dat"));
        QVERIFY(expectedFile.open(QIODevice::ReadOnly));
        const QByteArray expected = expectedFile.readAll();
        QTemporaryDir dir;
        for (const char* language : {"en", "ja"}) {
            Start({QStringLiteral("--lang"), QString::fromLatin1(language),
                   QStringLiteral(QUANDREL_EXAMPLES_DIR "/session.json")});
            const QString out = dir.filePath(QString::fromLatin1(language) + ".dat");
            m_ui->saveChoices.push_back(out);
            m_app->Frame().Action(ID_DATA_WRITE)->trigger();
            QFile written(out);
            QVERIFY2(written.open(QIODevice::ReadOnly), language);
            QCOMPARE(written.readAll(), expected);
            m_app.reset();
        }
    }
};

QTEST_MAIN(LanguageTest)
#include "language_test.moc"
