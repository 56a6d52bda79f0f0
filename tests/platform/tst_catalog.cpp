#include "CatalogChecks.h"
#include "Form_about.h"
#include "TextCatalog.h"

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

namespace {

// The identifiers the windows ask for, plus the save and create failure texts.
QStringList requiredIds() {
    QList<int> ids;
    auto range = [&ids](int from, int to, int step = 1) {
        for (int i = from; i <= to; i += step)
            ids.append(i);
    };
    range(1, 8);
    ids << 14 << 16 << 18;
    range(21, 29);
    ids << 32 << 34 << 36 << 38 << 40 << 42;
    range(44, 53);
    range(55, 83);
    range(582, 591);
    range(593, 617, 2);
    range(618, 623);
    range(625, 649, 2);
    range(650, 656);
    range(717, 721);
    range(773, 777);
    ids << 800 << 802 << 809 << 810;
    range(812, 828);
    ids << 836;
    range(840, 851);
    ids << 864 << 868;
    range(883, 887);
    ids << 924 << 925;
    range(930, 934);
    QStringList result;
    for (int id : ids)
        result.append(QString::number(id));
    return result;
}

const QStringList& knownWindows() {
    static const QStringList windows{"Main",           "InputPassword", "Find",         "Form_about",
                                     "Form_WebSites",  "Form_DialUp",   "Form_Files",   "Form_ComputersLogOn",
                                     "Form_MailBoxes", "Form_Pins",     "Form_Serials", "Form_Messengers",
                                     "Form_Services",  "Form_Misc",     "Form_Banks",   "Form_CreditCards",
                                     "Form_Forums"};
    return windows;
}

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

} // namespace

class TestCatalog : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString writeFile(const QString& name, const QByteArray& content) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    TextCatalog loaded(const QByteArray& content) {
        static int serial = 0;
        TextCatalog catalog;
        catalog.LoadLanguageFile(writeFile(QStringLiteral("c%1.lan").arg(++serial), content), 0);
        return catalog;
    }

    TextCatalog real_;
    QStringList realLanguages_;

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        real_.LoadLanguageFile(QStringLiteral(VANTREL_LAN_FILE), 0);
        for (qint16 i = 1; i <= real_.LanguageCount(); ++i)
            realLanguages_.append(real_.LanguageName(i));
        QVERIFY2(!realLanguages_.isEmpty(), VANTREL_LAN_FILE);
    }

    // --- the file format -------------------------------------------------------------------

    void valuesKeepQuotedBlanksAndDecodeEscapes() {
        const TextCatalog c = loaded("[language English]\n"
                                     "text 1 =   plain text with = inside   \n"
                                     "text 2 = \"  kept blanks  \"\n"
                                     "text 3 = two\\nlines\\tand a \\\\ backslash\n"
                                     "text 4 = \\\"quoted\\\" start\n"
                                     "text 5 = \"say \"hi\" \"\n"
                                     "text 6 =\n"
                                     "text 7=no blanks\n"
                                     "\ttext 8 = indented line\n");
        QCOMPARE(c.textIn("English", "1"), QString("plain text with = inside"));
        QCOMPARE(c.textIn("English", "2"), QString("  kept blanks  "));
        QCOMPARE(c.textIn("English", "3"), QString("two\nlines\tand a \\ backslash"));
        QCOMPARE(c.textIn("English", "4"), QString("\"quoted\" start"));
        QCOMPARE(c.textIn("English", "5"), QString("say \"hi\" "));
        QVERIFY(c.textIds("English").contains("6"));
        QCOMPARE(c.textIn("English", "6"), QString());
        QCOMPARE(c.textIn("English", "7"), QString("no blanks"));
        QCOMPARE(c.textIn("English", "8"), QString("indented line"));
    }

    void oddLinesAreSkippedAndTheRestStillCounts() {
        const TextCatalog c = loaded("text 1 = before any language\n"
                                     "control W/B caption = before any language\n"
                                     "[language English]\n"
                                     "# a comment = with an equals sign\n"
                                     "; another comment\n"
                                     "text 2 = good\n"
                                     "text abc = not a number\n"
                                     "text 3 bad = two words\n"
                                     "text 4 missing equals\n"
                                     "txt 5 = unknown keyword\n"
                                     "text 6 = bad \\q escape\n"
                                     "text 7 = dangling backslash \\\n"
                                     "text 8 = \"unterminated\n"
                                     "text = no id\n"
                                     "control NoSlash caption = x\n"
                                     "control W/B colour = red\n"
                                     "control W/ caption = empty control\n"
                                     "control /B caption = empty window\n"
                                     "control W/B caption\n"
                                     "[language\n"
                                     "[language ]\n"
                                     "[other English]\n"
                                     "text 9 = still English\n"
                                     "control W/B caption = kept\n");
        QCOMPARE(c.LanguageCount(), qint16(1));
        QCOMPARE(c.textIds("English"), QStringList({"2", "9"}));
        QCOMPARE(c.textIn("English", "9"), QString("still English"));
        QCOMPARE(c.windowNames("English"), QStringList({"W"}));
        QCOMPARE(c.controlNames("English", "W"), QStringList({"B"}));
        QCOMPARE(c.captionIn("English", "W", "B"), std::optional<QString>("kept"));
        QCOMPARE(c.tooltipIn("English", "W", "B"), std::nullopt);
    }

    void languagesDefaultAndOrder() {
        TextCatalog c = loaded("[language English]\ntext 1 = One\n"
                               "[language German]\ntext 1 = Eins\n"
                               "[default] German\n"
                               "[language english]\ntext 1 = lower case is another language\n"
                               "[language English]\ntext 2 = Two\ntext 1 = One again\n");
        QCOMPARE(c.DefaultLanguage(), QString("German"));
        QCOMPARE(c.LanguageCount(), qint16(3));
        QCOMPARE(c.LanguageName(1), QString("English"));
        QCOMPARE(c.LanguageName(2), QString("German"));
        QCOMPARE(c.LanguageName(3), QString("english"));
        QCOMPARE(c.LanguageName(0), QString());
        QCOMPARE(c.LanguageName(4), QString());
        QCOMPARE(c.LanguageName(-1), QString());
        // A section named twice adds to the first; a repeated entry replaces the earlier one.
        QCOMPARE(c.textIn("English", "1"), QString("One again"));
        QCOMPARE(c.textIn("English", "2"), QString("Two"));

        const TextCatalog noDefault = loaded("[language Italian]\n[language English]\n");
        QCOMPARE(noDefault.DefaultLanguage(), QString("Italian"));
        QCOMPARE(noDefault.LanguageCount(), qint16(2));
    }

    void crlfAndByteOrderMarkAreAccepted() {
        const TextCatalog c = loaded("\xEF\xBB\xBF[default] English\r\n[language English]\r\n"
                                     "text 1 = \" one \"\r\ntext 2 = two\r\n");
        QCOMPARE(c.DefaultLanguage(), QString("English"));
        QCOMPARE(c.textIn("English", "1"), QString(" one "));
        QCOMPARE(c.textIn("English", "2"), QString("two"));
    }

    void unusableFilesGiveAnEmptyCatalog_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("create");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("empty") << QByteArray() << true;
        static const char binary[] = "[language English]\ntext 1 = a\0b\n";
        QTest::newRow("binary") << QByteArray(binary, sizeof binary - 1) << true;
        QTest::newRow("not UTF-8") << QByteArray("[language English]\ntext 1 = caf\xE9\n") << true;
    }

    void unusableFilesGiveAnEmptyCatalog() {
        QFETCH(QByteArray, content);
        QFETCH(bool, create);
        TextCatalog c = loaded("[default] English\n[language English]\ntext 1 = old\n");
        QCOMPARE(c.LanguageCount(), qint16(1));
        const QString path = create ? writeFile("unusable.lan", content) : dir_.filePath("absent.lan");
        c.LoadLanguageFile(path, 0); // replaces what was loaded before
        QCOMPARE(c.LanguageCount(), qint16(0));
        QCOMPARE(c.DefaultLanguage(), QString());
        QCOMPARE(c.LanguageName(1), QString());
        c.SelectLanguage("English");
        QCOMPARE(c.GetText("1", 0), QString());
        QWidget window;
        window.setObjectName("W");
        window.setWindowTitle("design");
        c.ApplyTexts("Vantrel", &window, "English");
        QCOMPARE(window.windowTitle(), QString("design"));
    }

    // --- lookup ------------------------------------------------------------------------------

    void getTextFollowsTheSelectedLanguageWithoutFallback() {
        TextCatalog c = loaded("[default] English\n"
                               "[language English]\ntext 1 = Yes\ntext 2 = Only English\n"
                               "[language Italian]\ntext 1 = Sì\n");
        QCOMPARE(c.GetText("1", 0), QString()); // nothing selected yet
        c.SelectLanguage("English");
        QCOMPARE(c.selectedLanguage(), QString("English"));
        QCOMPARE(c.GetText("1", 0), QString("Yes"));
        QCOMPARE(c.GetText("2", 0), QString("Only English"));
        c.SelectLanguage("Italian");
        QCOMPARE(c.GetText("1", 0), QString("Sì"));
        QCOMPARE(c.GetText("2", 0), QString());
        QCOMPARE(c.GetText("3", 0), QString());
        c.SelectLanguage("italian");
        QCOMPARE(c.GetText("1", 0), QString());
    }

    void processCatalogStartsInTheDefaultLanguage() {
        const QString path = writeFile("process.lan", "[default] German\n"
                                                      "[language English]\ntext 12 = Twelve\n"
                                                      "[language German]\ntext 12 = Zwölf\n");
        TextCatalog& catalog = languageCatalog();
        QCOMPARE(&languageCatalog(), &catalog);
        catalog.SelectLanguage("English");
        InitLanguage(path);
        QCOMPARE(catalog.selectedLanguage(), QString("German"));
        QCOMPARE(Text(12), QString("Zwölf"));
        catalog.SelectLanguage("English");
        QCOMPARE(Text(12), QString("Twelve"));
        QCOMPARE(Text(13), QString());
        InitLanguage(dir_.filePath("absent.lan"));
        QCOMPARE(Text(12), QString());
    }

    // --- applying texts to a window --------------------------------------------------------

    void applyTextsPutsCaptionsAndTooltipsOnNamedControls() {
        const TextCatalog c = loaded("[language German]\n"
                                     "control Win/Win caption = Fenster\n"
                                     "control Win/menu_file caption = &Datei\n"
                                     "control Win/menu_file tooltip = Dateibefehle\n"
                                     "control Win/menu_open caption = Ö&ffnen\n"
                                     "control Win/menu_open tooltip = Datei öffnen\n"
                                     "control Win/Command_OK caption = Speichern\n"
                                     "control Win/Command_OK tooltip = Bestätigen\n"
                                     "control Win/Check_MyAccount caption = Mein Konto\n"
                                     "control Win/Labels_2 caption = Beschriftung\n"
                                     "control Win/Labels_3 tooltip = nur Tipp\n"
                                     "control Win/Frame_1 caption = Rahmen\n"
                                     "control Win/Tab_Common caption = Allgemein\n"
                                     "control Win/Tab_Common tooltip = Erste Seite\n"
                                     "control Win/Texts_1 caption = ignored for a text box\n"
                                     "control Win/Texts_1 tooltip = Doppelklick\n"
                                     "control Win/Absent caption = no such control\n"
                                     "control Win/Inner_OK caption = on another window\n"
                                     "control Other/Command_OK caption = for another window\n");
        QWidget window;
        window.setObjectName("Win");
        window.setWindowTitle("Window");
        auto* layout = new QVBoxLayout(&window);
        auto* bar = new QMenuBar(&window);
        QMenu* file = bar->addMenu("&File");
        file->setObjectName("menu_file");
        QAction* open = file->addAction("&Open");
        open->setObjectName("menu_open");
        auto* ok = new QPushButton("Save", &window);
        ok->setObjectName("Command_OK");
        auto* check = new QCheckBox("This is my account", &window);
        check->setObjectName("Check_MyAccount");
        auto* label2 = new QLabel("Caption", &window);
        label2->setObjectName("Labels_2");
        auto* label3 = new QLabel("Address", &window);
        label3->setObjectName("Labels_3");
        auto* box = new QGroupBox("Frame", &window);
        box->setObjectName("Frame_1");
        auto* tabs = new QTabWidget(&window);
        auto* common = new QWidget;
        common->setObjectName("Tab_Common");
        auto* advanced = new QWidget;
        advanced->setObjectName("Tab_Advanced");
        tabs->addTab(common, "Common");
        tabs->addTab(advanced, "Advanced");
        auto* password = new QLineEdit("secret", common);
        password->setObjectName("Texts_1");
        auto* untouched = new QPushButton("Cancel", &window);
        untouched->setObjectName("Command_Cancel");
        untouched->setToolTip("Discard");
        // A dialog owned by the window is a window of its own and keeps its texts.
        auto* inner = new QDialog(&window);
        inner->setObjectName("Inner");
        auto* innerOk = new QPushButton("Inner", inner);
        innerOk->setObjectName("Inner_OK");
        for (QWidget* w :
             {static_cast<QWidget*>(ok), static_cast<QWidget*>(check), static_cast<QWidget*>(label2),
              static_cast<QWidget*>(label3), static_cast<QWidget*>(box), static_cast<QWidget*>(tabs),
              static_cast<QWidget*>(untouched)})
            layout->addWidget(w);

        QCOMPARE(sorted(missingControls(c, "German", &window)), QStringList({"Absent", "Inner_OK"}));

        c.ApplyTexts("Vantrel", &window, "English"); // a language the file lacks
        QCOMPARE(window.windowTitle(), QString("Window"));
        QCOMPARE(ok->text(), QString("Save"));

        c.ApplyTexts("Vantrel", &window, "German");
        QCOMPARE(window.windowTitle(), QString("Fenster"));
        QCOMPARE(file->title(), QString("&Datei"));
        QCOMPARE(file->menuAction()->toolTip(), QString("Dateibefehle"));
        QCOMPARE(open->text(), QString("Ö&ffnen"));
        QCOMPARE(open->toolTip(), QString("Datei öffnen"));
        QCOMPARE(ok->text(), QString("Speichern"));
        QCOMPARE(ok->toolTip(), QString("Bestätigen"));
        QCOMPARE(check->text(), QString("Mein Konto"));
        QCOMPARE(label2->text(), QString("Beschriftung"));
        QCOMPARE(label3->text(), QString("Address"));
        QCOMPARE(label3->toolTip(), QString("nur Tipp"));
        QCOMPARE(box->title(), QString("Rahmen"));
        QCOMPARE(tabs->tabText(0), QString("Allgemein"));
        QCOMPARE(tabs->tabToolTip(0), QString("Erste Seite"));
        QCOMPARE(tabs->tabText(1), QString("Advanced"));
        QCOMPARE(password->text(), QString("secret"));
        QCOMPARE(password->toolTip(), QString("Doppelklick"));
        QCOMPARE(untouched->text(), QString("Cancel"));
        QCOMPARE(untouched->toolTip(), QString("Discard"));
        QCOMPARE(innerOk->text(), QString("Inner"));

        // The same controls on a window of another name get nothing.
        window.setObjectName("Third");
        window.setWindowTitle("Window");
        ok->setText("Save");
        c.ApplyTexts("Vantrel", &window, "German");
        QCOMPARE(window.windowTitle(), QString("Window"));
        QCOMPARE(ok->text(), QString("Save"));

        QCOMPARE(textsChangedBy(c, "German", &window), QStringList());
        window.setObjectName("Win");
        ok->setText("Save"); // the title is still the design text "Window" too
        QCOMPARE(textsChangedBy(c, "German", &window), QStringList({"Command_OK", "Win"}));
        QCOMPARE(textsChangedBy(c, "German", &window), QStringList());
    }

    void identifierScanFindsLiteralRequestsOnly() {
        QTemporaryDir tree;
        QVERIFY(tree.isValid());
        QVERIFY(QDir(tree.path()).mkpath("sub/deeper"));
        auto write = [&tree](const QString& name, const QByteArray& text) {
            QFile file(tree.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(text);
        };
        write("a.cpp", "notice(Text(822) + name + Text( 23 "
                       "));\nlabel->setText(999);\nGetText(QStringLiteral(\"864\"), 0);\n");
        write("sub/b.h", "catalog.GetText(\"7\");\nmyText(5); Text(id);\n");
        write("sub/deeper/c.cpp", "x = Text(930);\n");
        write("sub/notes.txt", "Text(111)\n");
        QCOMPARE(identifiersAskedFor(tree.path()), QStringList({"7", "23", "822", "864", "930"}));
    }

    // --- the shipped language file -------------------------------------------------------

    void shippedFileHasItsThreeLanguages() {
        QCOMPARE(realLanguages_, QStringList({"English", "Italian", "German"}));
        QCOMPARE(real_.DefaultLanguage(), QString("English"));
    }

    void everyRequiredTextExistsInEveryLanguage() {
        const QStringList required = requiredIds();
        QCOMPARE(required.size(), 172);
        for (const QString& language : realLanguages_) {
            QStringList missing;
            for (const QString& id : required)
                if (real_.textIn(language, id).trimmed().isEmpty())
                    missing.append(id);
            QVERIFY2(missing.isEmpty(), qPrintable(language + ": " + missing.join(", ")));
        }
    }

    void everyTextTheCodeAsksForExists() {
        const QStringList asked = identifiersAskedFor(QStringLiteral(VANTREL_SOURCE_DIR "/src"));
        for (const QString& language : realLanguages_) {
            QStringList missing;
            for (const QString& id : asked)
                if (real_.textIn(language, id).isEmpty())
                    missing.append(id);
            QVERIFY2(missing.isEmpty(), qPrintable(language + ": " + missing.join(", ")));
        }
    }

    void languagesHaveTheSameEntriesAsEnglish() {
        const QStringList ids = real_.textIds("English");
        const QStringList windows = real_.windowNames("English");
        QCOMPARE(sorted(windows), sorted(knownWindows()));
        for (const QString& language : realLanguages_) {
            QCOMPARE(real_.textIds(language), ids);
            QCOMPARE(real_.windowNames(language), windows);
            for (const QString& window : windows) {
                const QStringList controls = real_.controlNames("English", window);
                QCOMPARE(real_.controlNames(language, window), controls);
                for (const QString& control : controls) {
                    const auto what = qPrintable(language + " " + window + "/" + control);
                    const auto caption = real_.captionIn(language, window, control);
                    const auto tooltip = real_.tooltipIn(language, window, control);
                    QVERIFY2(caption.has_value() == real_.captionIn("English", window, control).has_value(),
                             what);
                    QVERIFY2(tooltip.has_value() == real_.tooltipIn("English", window, control).has_value(),
                             what);
                    QVERIFY2(!caption.value_or("x").trimmed().isEmpty(), what);
                    QVERIFY2(!tooltip.value_or("x").trimmed().isEmpty(), what);
                }
            }
        }
    }

    void joinedTextsKeepTheBlanksTheyAreJoinedWith() {
        // Texts followed by a name or a count end with a blank; texts that follow one start
        // with a blank. Losing the quotes around such a value glues the words together.
        const QStringList endInBlank{"4", "21", "28", "29", "717", "719", "775", "776", "816", "818"};
        const QStringList startWithBlank{"5", "21", "718", "720", "721", "776", "777", "819"};
        for (const QString& language : realLanguages_) {
            for (const QString& id : endInBlank)
                QVERIFY2(real_.textIn(language, id).endsWith(u' '), qPrintable(language + " " + id));
            for (const QString& id : startWithBlank)
                QVERIFY2(real_.textIn(language, id).startsWith(u' '), qPrintable(language + " " + id));
            for (int id = 593; id <= 617; id += 2)
                QVERIFY2(real_.textIn(language, QString::number(id)).endsWith(u'('), qPrintable(language));
        }
    }

    void englishCaptionsAreTheWindowsDesignTexts() {
        const QList<std::pair<QString, QString>> forms{{"Form_WebSites", "Web site details"},
                                                       {"Form_DialUp", "Dial up details"},
                                                       {"Form_Files", "File details"},
                                                       {"Form_ComputersLogOn", "Computer log on details"},
                                                       {"Form_MailBoxes", "Mailbox details"},
                                                       {"Form_Pins", "Pin details"},
                                                       {"Form_Serials", "Serial details"},
                                                       {"Form_Messengers", "Messenger details"},
                                                       {"Form_Services", "Service details"},
                                                       {"Form_Misc", "Misc details"},
                                                       {"Form_Banks", "Banks details"},
                                                       {"Form_CreditCards", "Credit card details"},
                                                       {"Form_Forums", "Forum details"},
                                                       {"Form_about", "About Vantrel"},
                                                       {"Find", "Find accounts"}};
        for (const auto& [window, caption] : forms)
            QCOMPARE(real_.captionIn("English", window, window), std::optional<QString>(caption));

        const QList<std::pair<QString, QString>> menus{{"menu_new_bank", "Bank"},
                                                       {"menu_new_computerlogon", "Computer logon"},
                                                       {"menu_new_creditcard", "Credit card"},
                                                       {"menu_new_dialup", "Dial up"},
                                                       {"menu_new_file", "File"},
                                                       {"menu_new_forum", "Forum"},
                                                       {"menu_new_mailbox", "Mail box"},
                                                       {"menu_new_messenger", "Messenger"},
                                                       {"menu_new_misc", "Misc"},
                                                       {"menu_new_pin", "Pin"},
                                                       {"menu_new_serial", "Serial"},
                                                       {"menu_new_service", "Service"},
                                                       {"menu_new_website", "Web site"},
                                                       {"menu_new_account", "N&ew account"},
                                                       {"menu_newpassword", "&New account"},
                                                       {"menu_manager", "Man&ager"},
                                                       {"menu_exit", "&Exit"},
                                                       {"menu_languages", "&Languages"}};
        for (const auto& [control, caption] : menus)
            QCOMPARE(real_.captionIn("English", "Main", control), std::optional<QString>(caption));

        // Menu entries whose captions the code writes at run time must not be reset when the
        // user switches language.
        for (const QString& language : realLanguages_) {
            const QStringList controls = real_.controlNames(language, "Main");
            QVERIFY(!controls.contains("last_menu_0"));
            QVERIFY(!controls.contains("menu_kw_languages_0"));
        }
    }

    void aboutBoxMatchesTheShippedFile() {
        InitLanguage(QStringLiteral(VANTREL_LAN_FILE));
        {
            // Built in a language the file lacks, the box keeps its design texts; English must
            // not change them, and every control the file names must exist.
            Form_about design(nullptr, QStringLiteral("none"));
            for (const QString& language : realLanguages_)
                QVERIFY2(missingControls(real_, language, &design).isEmpty(),
                         qPrintable(language + ": " + missingControls(real_, language, &design).join(", ")));
            QCOMPARE(textsChangedBy(real_, "English", &design), QStringList());
        }
        Form_about german(nullptr, QStringLiteral("German"));
        QCOMPARE(german.windowTitle(), QString("Über Vantrel"));
        QCOMPARE(german.label(2)->text(), QString("Entwickelt von:"));
    }

    void editFormsLabelEveryFieldOnce() {
        // Every edit form names the same common controls and one label per field.
        const QStringList common{"Tab_Common",
                                 "Tab_Specific",
                                 "Tab_Advanced",
                                 "Texts_99",
                                 "Texts_1",
                                 "Check_MyAccount",
                                 "Command_GeneneratePassword",
                                 "ARProgressBar_password",
                                 "Command_ok",
                                 "Command_cancel"};
        const QList<std::pair<QString, int>> specificCount{
            {"Form_WebSites", 2},  {"Form_DialUp", 12}, {"Form_Files", 2},   {"Form_ComputersLogOn", 4},
            {"Form_MailBoxes", 6}, {"Form_Pins", 1},    {"Form_Serials", 2}, {"Form_Messengers", 3},
            {"Form_Services", 1},  {"Form_Misc", 1},    {"Form_Banks", 5},   {"Form_CreditCards", 10},
            {"Form_Forums", 2}};
        for (const auto& [form, count] : specificCount) {
            const QStringList controls = real_.controlNames("English", form);
            for (const QString& name : common)
                QVERIFY2(controls.contains(name), qPrintable(form + " " + name));
            const qsizetype labels = std::count_if(controls.begin(), controls.end(),
                                                   [](const QString& n) { return n.startsWith("Labels_"); });
            QCOMPARE(labels, qsizetype(16 + count)); // 16 common captions
            QCOMPARE(real_.captionIn("English", form, "Labels_1"), std::optional<QString>("Secret code"));
            QCOMPARE(real_.captionIn("English", form, "Labels_11"), std::optional<QString>("Notes"));
        }
        QCOMPARE(real_.captionIn("English", "Form_MailBoxes", "Labels_2"),
                 std::optional<QString>("Description"));
        QCOMPARE(real_.captionIn("English", "Form_CreditCards", "Labels_0"),
                 std::optional<QString>("Expiration"));
        QCOMPARE(real_.captionIn("English", "Form_DialUp", "Labels_27"), std::optional<QString>("ID"));
        QCOMPARE(real_.captionIn("English", "Form_Files", "Labels_14"),
                 std::optional<QString>("Full file name"));
    }
};

QTEST_MAIN(TestCatalog)
#include "tst_catalog.moc"
