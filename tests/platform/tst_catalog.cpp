#include "CatalogChecks.h"

#include <algorithm>

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

template <typename T> T* named(T* object, const char* name) {
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

} // namespace

class TestCatalog : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    TextCatalog real_;
    QStringList languages_;

    QString writeFile(const QString& name, const QByteArray& content) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    TextCatalog loaded(const QByteArray& content) {
        TextCatalog catalog;
        catalog.LoadLanguageFile(writeFile(QStringLiteral("loaded.lan"), content), 0);
        return catalog;
    }

    // A language's control entries as "window/control caption" or "... tooltip", in file order;
    // the blank ones are added to `blank`.
    QStringList entriesOf(const QString& language, QStringList& blank) const {
        QStringList entries;
        for (const QString& window : real_.windowNames(language))
            for (const QString& control : real_.controlNames(language, window))
                for (const auto& [kind, text] :
                     {std::pair("caption", real_.captionIn(language, window, control)),
                      std::pair("tooltip", real_.tooltipIn(language, window, control))})
                    if (text) {
                        entries.append(window + u'/' + control + u' ' + QLatin1String(kind));
                        if (text->trimmed().isEmpty())
                            blank.append(language + u' ' + entries.last());
                    }
        return entries;
    }

private slots:
    void initTestCase() {
        real_.LoadLanguageFile(QStringLiteral(VANTREL_LAN_FILE), 0);
        for (qint16 i = 1; i <= real_.LanguageCount(); ++i)
            languages_.append(real_.LanguageName(i));
    }

    void valueDecoding_data() {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QString>("text"); // null: the line is skipped
        QTest::newRow("trimmed, = inside") << QByteArray("   a = b   ") << QString("a = b");
        QTest::newRow("quotes keep blanks") << QByteArray("\"  kept  \"") << QString("  kept  ");
        QTest::newRow("escapes") << QByteArray(R"(a\nb\tc \\ \"q\")") << QString("a\nb\tc \\ \"q\"");
        QTest::newRow("inner quotes") << QByteArray("\"say \"hi\" \"") << QString("say \"hi\" ");
        QTest::newRow("empty") << QByteArray() << QString("");
        QTest::newRow("unknown escape") << QByteArray(R"(bad \q)") << QString();
        QTest::newRow("dangling backslash") << QByteArray("end \\") << QString();
        QTest::newRow("unterminated quote") << QByteArray("\"open") << QString();
    }

    void valueDecoding() {
        QFETCH(QByteArray, raw);
        QFETCH(QString, text);
        const TextCatalog c = loaded("[language English]\ntext 1 =" + raw + "\ntext 2=next\n");
        QCOMPARE(c.textIds("English").contains("1"), !text.isNull());
        QCOMPARE(c.textIn("English", "1"), text);
        QCOMPARE(c.textIn("English", "2"), QString("next")); // a bad line costs only itself
    }

    void oddLinesAreSkippedAndTheRestStillCounts() {
        const TextCatalog c =
            loaded("\xEF\xBB\xBF[default] German\r\ntext 1 = before any language\r\n"
                   "[language English]\r\n# a comment = with an equals sign\n; another\n"
                   "\ttext 2 = good\r\n"
                   "text abc = not a number\ntext 3 bad = two words\ntext 4 no equals sign\n"
                   "txt 5 = unknown keyword\ncontrol NoSlash caption = x\n"
                   "control W/B colour = red\ncontrol W/ caption = x\ncontrol /B caption = x\n"
                   "[language\n[language ]\n[other German]\n"
                   "text 9 = still English\ncontrol W/B caption = kept\n");
        QCOMPARE(c.DefaultLanguage(), QString("German"));
        QCOMPARE(c.LanguageCount(), qint16(1));
        QCOMPARE(c.textIds("English"), QStringList({"2", "9"}));
        QCOMPARE(c.textIn("English", "2"), QString("good"));
        QCOMPARE(c.windowNames("English"), QStringList({"W"}));
        QCOMPARE(c.controlNames("English", "W"), QStringList({"B"}));
        QCOMPARE(c.captionIn("English", "W", "B"), std::optional<QString>("kept"));
        QCOMPARE(c.tooltipIn("English", "W", "B"), std::nullopt);
    }

    void unreadableLinesAreSkippedAlone() {
        // A binary line and one that is not UTF-8 go; the texts around them stay.
        TextCatalog c = loaded("\xEF\xBB\xBF[language English]\ntext 1 = a" + QByteArray(1, '\0') +
                               "b\ntext 2 = caf\xE9\ntext 3 = caf\xC3\xA9\n");
        QCOMPARE(c.textIds("English"), QStringList{"3"});
        QCOMPARE(c.textIn("English", "3"), QString("café"));
        // A missing file leaves nothing of what was loaded before.
        c.LoadLanguageFile(dir_.filePath("absent.lan"), 0);
        QCOMPARE(c.LanguageCount(), qint16(0));
        QCOMPARE(c.DefaultLanguage(), QString());
    }

    void languagesAndTheProcessCatalog() {
        InitLanguage(writeFile("process.lan",
                               "[language English]\ntext 12 = Twelve\ntext 13 = Only English\n"
                               "[language German]\ntext 12 = Zwölf\n[default] German\n"
                               "[language english]\n[language English]\ntext 12 = Twelve again\n"));
        TextCatalog& c = languageCatalog();
        const QStringList names{c.LanguageName(0), c.LanguageName(1), c.LanguageName(2), c.LanguageName(3),
                                c.LanguageName(4)};
        QCOMPARE(names, QStringList({"", "English", "German", "english", ""}));
        QCOMPARE(c.selectedLanguage(), QString("German")); // the default
        QCOMPARE(c.GetText("12"), QString("Zwölf"));
        QCOMPARE(c.GetText("13"), QString()); // no falling back on another language
        c.SelectLanguage("English");
        QCOMPARE(c.GetText("12"), QString("Twelve again"));    // a repeated entry replaces the earlier one
        QCOMPARE(c.GetText("13", 0), QString("Only English")); // a section named twice adds to the first
        c.SelectLanguage("english");
        QCOMPARE(c.GetText("12"), QString());
        // Without a [default] line the first language is the default.
        QCOMPARE(loaded("[language Italian]\n[language English]\n").DefaultLanguage(), QString("Italian"));
    }

    void applyTextsPutsCaptionsAndTooltipsOnNamedControls() {
        const TextCatalog c = loaded(
            "[language German]\ncontrol Win/Win caption = Fenster\n"
            "control Win/menu_file caption = &Datei\ncontrol Win/menu_file tooltip = Dateibefehle\n"
            "control Win/menu_open caption = Ö&ffnen\n"
            "control Win/Command_OK caption = Speichern\ncontrol Win/Command_OK tooltip = Bestätigen\n"
            "control Win/Labels_3 tooltip = nur Tipp\n"
            "control Win/Tab_Common caption = Allgemein\ncontrol Win/Tab_Common tooltip = Erste Seite\n"
            "control Win/Texts_1 caption = not for a text box\ncontrol Win/Texts_1 tooltip = Doppelklick\n"
            "control Win/Absent caption = no such control\ncontrol Win/Inner_OK caption = on another window\n"
            "control Other/Command_Cancel caption = for another window\n");
        QWidget window;
        window.setObjectName("Win");
        window.setWindowTitle("Window");
        QMenu* file = named((new QMenuBar(&window))->addMenu("&File"), "menu_file");
        QAction* open = named(file->addAction("&Open"), "menu_open");
        auto* ok = named(new QPushButton("Save", &window), "Command_OK");
        auto* label = named(new QLabel("Address", &window), "Labels_3");
        auto* tabs = new QTabWidget(&window);
        tabs->addTab(named(new QWidget, "Tab_Common"), "Common");
        tabs->addTab(named(new QWidget, "Tab_Advanced"), "Advanced");
        auto* password = named(new QLineEdit("secret", tabs->widget(0)), "Texts_1");
        auto* cancel = named(new QPushButton("Cancel", &window), "Command_Cancel");
        // A dialog owned by the window is a window of its own and keeps its texts.
        auto* innerOk = named(new QPushButton("Inner", named(new QDialog(&window), "Inner")), "Inner_OK");

        QCOMPARE(missingControls(c, "German", &window), QStringList({"Absent", "Inner_OK"}));
        c.ApplyTexts("Vantrel", &window, "English"); // a language the file lacks
        window.setObjectName("Third");               // and a window it does not name
        c.ApplyTexts("Vantrel", &window, "German");
        window.setObjectName("Win");

        QCOMPARE(textsChangedBy(c, "German", &window),
                 QStringList(
                     {"Command_OK", "Labels_3", "Tab_Common", "Texts_1", "Win", "menu_file", "menu_open"}));
        const QStringList shown{window.windowTitle(), file->title(),    file->menuAction()->toolTip(),
                                open->text(),         ok->text(),       ok->toolTip(),
                                label->text(),        label->toolTip(), tabs->tabText(0),
                                tabs->tabToolTip(0),  tabs->tabText(1), password->text(),
                                password->toolTip(),  cancel->text(),   innerOk->text()};
        QCOMPARE(shown, QStringList({"Fenster", "&Datei", "Dateibefehle", "Ö&ffnen", "Speichern",
                                     "Bestätigen", "Address", "nur Tipp", "Allgemein", "Erste Seite",
                                     "Advanced", "secret", "Doppelklick", "Cancel", "Inner"}));
    }

    // --- the shipped language file -------------------------------------------------------

    void shippedFileHasEveryTextInEveryLanguage() {
        QCOMPARE(languages_, QStringList({"English", "Italian", "German"}));
        QCOMPARE(real_.DefaultLanguage(), QString("English"));
        // Named identifiers are unique: a copied line would make two names one text.
        const auto ids = allTextIds();
        QVERIFY(std::adjacent_find(ids.begin(), ids.end(), [](TextId a, TextId b) { return a >= b; }) ==
                ids.end());
        for (const QString& language : languages_) {
            QStringList missing;
            for (TextId id : ids)
                if (real_.textIn(language, QString::number(int(id))).trimmed().isEmpty())
                    missing.append(QString::number(int(id)));
            QVERIFY2(missing.isEmpty(), qPrintable(language + ": " + missing.join(", ")));
        }
    }

    void languagesHaveTheSameEntriesAsEnglish() {
        QStringList blank;
        const QStringList english = entriesOf("English", blank);
        QCOMPARE(real_.windowNames("English").size(), 17); // main, password, find, about, 13 edit forms
        for (const QString& language : languages_) {
            QCOMPARE(real_.textIds(language), real_.textIds("English"));
            QCOMPARE(entriesOf(language, blank), english);
        }
        QCOMPARE(blank, QStringList());
        // Captions the code writes at run time must not be reset when the language changes.
        QVERIFY(!english.contains("Main/last_menu_0 caption"));
        QVERIFY(!english.contains("Main/menu_kw_languages_0 caption"));
    }
};

QTEST_MAIN(TestCatalog)
#include "tst_catalog.moc"
