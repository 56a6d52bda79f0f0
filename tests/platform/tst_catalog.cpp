#include "CatalogChecks.h"

#include <QTest>
#include <QtWidgets>

namespace {

template <typename T> T* named(T* object, const char* name) {
    object->setObjectName(name);
    return object;
}

// A language's texts as "id=text", then its control entries as "window/control caption=text"
// or "window/control tooltip=text", in file order.
QStringList contents(const TextCatalog& c, const QString& language) {
    QStringList out;
    for (const QString& id : c.textIds(language))
        out << id + '=' + c.textIn(language, id);
    for (const QString& window : c.windowNames(language))
        for (const QString& control : c.controlNames(language, window))
            for (const auto& [kind, text] : {std::pair("caption", c.captionIn(language, window, control)),
                                             std::pair("tooltip", c.tooltipIn(language, window, control))})
                if (text)
                    out << window + '/' + control + ' ' + kind + '=' + *text;
    return out;
}

} // namespace

class TestCatalog : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString writeFile(const QString& name, const QByteArray& content) {
        QFile file(dir_.filePath(name));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
        return file.fileName();
    }
    TextCatalog loaded(const QByteArray& content) {
        TextCatalog catalog;
        catalog.LoadLanguageFile(writeFile("loaded.lan", content), 0);
        return catalog;
    }

private slots:
    // Values are trimmed unless quoted and their escapes decoded; a line that cannot be decoded
    // or read (binary, not UTF-8) costs only itself. A missing file then leaves nothing.
    void valueDecodingAndUnreadableLines() {
        TextCatalog c = loaded("\xEF\xBB\xBF[language English]\n"
                               "text 1 =   a = b   \n"
                               "text 2 =\"  kept  \"\n"
                               "text 3 =a\\nb\\tc \\\\ \\\"q\\\"\n"
                               "text 4 =\"say \"hi\" \"\n"
                               "text 5 =\n"
                               "text 6 = bad \\q\n" // an unknown escape
                               "text 7 = end \\\n"  // a dangling backslash
                               "text 8 = \"open\n"  // an unterminated quote
                               "text 9=next\ntext 10 = a" +
                               QByteArray(1, '\0') + "b\ntext 11 = caf\xE9\ntext 12 = caf\xC3\xA9\n");
        QCOMPARE(contents(c, "English"), QStringList({"1=a = b", "2=  kept  ", "3=a\nb\tc \\ \"q\"",
                                                      "4=say \"hi\" ", "5=", "9=next", "12=café"}));
        c.LoadLanguageFile(dir_.filePath("absent.lan"), 0);
        QCOMPARE(c.LanguageCount(), qint16(0));
        QCOMPARE(c.DefaultLanguage(), QString());
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
        QCOMPARE(c.DefaultLanguage(), "German");
        QCOMPARE(c.LanguageCount(), qint16(1));
        QCOMPARE(contents(c, "English"), QStringList({"2=good", "9=still English", "W/B caption=kept"}));
    }

    void languagesAndTheProcessCatalog() {
        InitLanguage(writeFile("process.lan",
                               "[language English]\ntext 12 = Twelve\ntext 13 = Only English\n"
                               "[language German]\ntext 12 = Zwölf\n[default] German\n"
                               "[language english]\n[language English]\ntext 12 = Twelve again\n"));
        TextCatalog& c = languageCatalog();
        QStringList names;
        for (qint16 i = 0; i < 5; ++i)
            names << c.LanguageName(i);
        QCOMPARE(names, QStringList({"", "English", "German", "english", ""}));
        QCOMPARE(c.selectedLanguage(), "German"); // the default
        QCOMPARE(c.GetText("12"), "Zwölf");
        QCOMPARE(c.GetText("13"), QString()); // no falling back on another language
        c.SelectLanguage("English");
        QCOMPARE(c.GetText("12"), "Twelve again");    // a repeated entry replaces the earlier one
        QCOMPARE(c.GetText("13", 0), "Only English"); // a section named twice adds to the first
        c.SelectLanguage("english");
        QCOMPARE(c.GetText("12"), QString());
        c.SelectLanguage("Deutsch"); // not in the file: the default answers
        QCOMPARE(c.GetText("12"), "Zwölf");
        // Without a [default] line the first language is the default.
        QCOMPARE(loaded("[language Italian]\n[language English]\n").DefaultLanguage(), "Italian");
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
        window.setObjectName("Third"); // a window the file does not name
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
        // A language the file lacks (a stale setting) gets the default language, not blanks.
        window.setWindowTitle("Window");
        c.ApplyTexts("Vantrel", &window, "Klingon");
        QCOMPARE(window.windowTitle(), "Fenster");
    }

    // The shipped file: every text and every control entry in every language, none blank.
    void shippedFileIsCompleteInEveryLanguage() {
        TextCatalog real;
        real.LoadLanguageFile(VANTREL_LAN_FILE, 0);
        QStringList languages;
        for (qint16 i = 1; i <= real.LanguageCount(); ++i)
            languages << real.LanguageName(i);
        QCOMPARE(languages, QStringList({"English", "Italian", "German"}));
        QCOMPARE(real.DefaultLanguage(), "English");
        QCOMPARE(real.windowNames("English").size(), 17); // main, password, find, about, 13 edit forms
        // Named identifiers are unique: a copied line would make two names one text.
        const auto ids = allTextIds();
        QVERIFY(std::adjacent_find(ids.begin(), ids.end(), [](TextId a, TextId b) { return a >= b; }) ==
                ids.end());
        QStringList english;
        for (const QString& language : languages) {
            QStringList keys;
            for (const QString& entry : contents(real, language)) {
                keys << entry.section('=', 0, 0);
                QVERIFY2(!entry.section('=', 1).trimmed().isEmpty(), qPrintable(language + ": " + entry));
            }
            if (english.isEmpty())
                english = keys;
            QCOMPARE(keys, english);
        }
        for (TextId id : ids)
            QVERIFY2(english.contains(QString::number(int(id))), qPrintable(QString::number(int(id))));
        // Captions the code writes at run time must not be reset when the language changes.
        QVERIFY(!english.contains("Main/last_menu_0 caption"));
        QVERIFY(!english.contains("Main/menu_kw_languages_0 caption"));
    }
};

QTEST_MAIN(TestCatalog)
#include "tst_catalog.moc"
