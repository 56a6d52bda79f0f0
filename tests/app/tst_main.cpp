// The main window on the real language file: start-up, the file lifecycle, recent files,
// languages and exit.

#include "AccountCommands.h"
#include "Browser.h"
#include "CatalogChecks.h"
#include "EditForm.h"
#include "ExplorerBar.h"
#include "FieldSets.h"
#include "FileLifecycle.h"
#include "Form_about.h"
#include "GeneratorButton.h"
#include "InputPassword.h"
#include "Main.h"
#include "Menus.h"
#include "Product.h"
#include "RecentFiles.h"
#include "StrengthBar.h"
#include "TestServices.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTest>

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QString kBaseTitle = Product::name() + ' ' + Product::version() + " - " + Product::webAddress();

// One run of the program: the services, then the main window on them.
struct MainRun : TestServices {
    std::unique_ptr<Main> main;
    int quits = 0;

    Main& start() {
        MainPaths paths;
        paths.executablePath = dir.filePath("vantrel");
        paths.languageFile = QStringLiteral(VANTREL_LAN_FILE);
        paths.settingsFile = iniPath;
        paths.skinFile = QFileInfo(paths.languageFile).dir().filePath("winaqua.skn");
        main = std::make_unique<Main>(services, paths);
        main->setQuitHandler([this] { ++quits; });
        main->Form_Load();
        return *main;
    }
    void trigger(MenuCommand command) { main->menus().action(command)->trigger(); }
    bool enabled(MenuCommand command) const { return main->menus().action(command)->isEnabled(); }
    // Types into the master password dialog and confirms, as a person would.
    void enterPassword(const QString& text) {
        InputPassword* dialog = main->inputPassword();
        QVERIFY(dialog);
        auto* box = dialog->findChild<QLineEdit*>("Text_LogIn");
        box->clear();
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
        const QPointer<InputPassword> watched = dialog;
        QTRY_VERIFY(!watched || !watched->isWorking()); // the key is derived on a thread of its own
    }
    Main& startWithOpenVault(const QString& name = "a.qx", const QString& password = "secret1") {
        makeVault(name, password);
        start();
        main->files().OpenGivenFile(path(name));
        enterPassword(password);
        return *main;
    }
    // An account stored in the open file but not yet written, as an edit form leaves it.
    void addUnsavedAccount(const QString& description) {
        put(Banks, description, "me");
        main->set_Modified(true);
    }
    // A new vault through File, New and the master password dialog.
    void createThroughWindow(const QString& name, const QString& password) {
        files.choose(path(name));
        trigger(MenuCommand::New);
        enterPassword(password);
        enterPassword(password);
    }
};

} // namespace

class TestMain : public QObject {
    Q_OBJECT
private slots:
    void firstStartOnEmptySettings() {
        MainRun f;
        Main& m = f.start();
        QSettings ini(f.iniPath, QSettings::IniFormat);
        QCOMPARE(ini.value("Preferences/LanguageUsed").toString(), u"English");
        QVERIFY(ini.contains("Preferences/LastBackupWarning"));
        QVERIFY(f.shown().isEmpty()); // no backup reminder on a first start
        QVERIFY(!m.inputPassword());
        QCOMPARE(m.windowTitle(), kBaseTitle);
        QVERIFY(!f.enabled(MenuCommand::Save));
        QVERIFY(!m.menus().menu(MenuId::Manager)->menuAction()->isEnabled());
        QVERIFY(!m.menus().menu(MenuId::Hidden)->menuAction()->isVisible());
        QCOMPARE(f.store.executablePath(), f.dir.filePath("vantrel"));
        QVERIFY(!Text(TextId::OpenFailed).isEmpty()); // the real language file is in use
        m.resize(900, 700);
        QCOMPARE(m.size(), QSize(681, 520));
    }

    void backupReminderAfterElevenDays() {
        for (int days : {10, 11}) {
            MainRun f;
            f.prefs.setLastBackupWarning(QDateTime(f.clock.now().date().addDays(-days), QTime(23, 59)));
            f.start();
            QCOMPARE(f.shown().contains(Text(TextId::BackupReminder)), days == 11);
            QCOMPARE(f.prefs.LastBackupWarning() == f.clock.now(), days == 11);
        }
    }

    void lastOpenFileIsOfferedAtStart() {
        MainRun f;
        f.makeVault("a.qx", "secret1", {"one", "two"});
        f.prefs.setLastOpen(f.path("a.qx"));
        Main& m = f.start();
        InputPassword* dialog = m.inputPassword();
        QVERIFY(dialog && !dialog->NewFile());
        QCOMPARE(dialog->windowTitle(), u"Master password:: a.qx");

        f.enterPassword("wrong");
        QCOMPARE(f.prompts.asked.size(), 1);
        QCOMPARE(f.prompts.asked[0].kind, ScriptedPrompts::Asked::Alert);
        QCOMPARE(f.prompts.last(), Text(TextId::MasterPasswordTitle) + ": " + Text(TextId::OpenFailed));
        QVERIFY(m.inputPassword());
        QVERIFY(dialog->findChild<QLineEdit*>("Text_LogIn")->text().isEmpty());
        QVERIFY(!f.engine().IsOpen());

        f.enterPassword("  secret1 "); // blanks around the master password do not count
        QTRY_VERIFY(!m.inputPassword());
        QCOMPARE(f.engine().AccountCount(), 2);
        QCOMPARE(m.windowTitle(), kBaseTitle + " - a.qx");
        QCOMPARE(f.prefs.LastOpen(), f.path("a.qx"));
        QCOMPARE(m.recentFiles().History(), QStringList{f.path("a.qx")});
        QVERIFY(f.enabled(MenuCommand::Save));
        QVERIFY(m.menus().menu(MenuId::Manager)->menuAction()->isEnabled());
    }

    void titleFollowsFileAndModified() {
        MainRun f;
        Main& m = f.startWithOpenVault("MixedCase.QX");
        QCOMPARE(m.windowTitle(), kBaseTitle + " - mixedcase.qx");
        m.set_Modified(true);
        QCOMPARE(m.windowTitle(), kBaseTitle + " - mixedcase.qx [modified]");
        m.set_Modified(false);
        QCOMPARE(m.windowTitle(), kBaseTitle + " - mixedcase.qx");
        m.files().OpenGivenFile(f.path("MixedCase.QX")); // the file already open: nothing happens
        QVERIFY(!m.inputPassword());
    }

    // Each row: what the user types in turn, the alert after the last entry ("" for none) and
    // whether the file then exists.
    void newFileMasterPasswordRules_data() {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("alert");
        QTest::addColumn<bool>("created");
        QTest::newRow("empty") << QStringList{"   "} << int(TextId::MasterEmpty) << false;
        QTest::newRow("too short") << QStringList{"abcd"} << int(TextId::MasterTooShort) << false;
        QTest::newRow("short second entry keeps the first")
            << QStringList{"abcde", "abcd", "abcde"} << int(TextId::MasterTooShort) << true;
        QTest::newRow("mismatch") << QStringList{"abcde", "abcdX"} << int(TextId::MasterMismatch) << false;
        QTest::newRow("mismatch, then both again")
            << QStringList{"abcde", "abcdX", "abcde", "abcde "} << int(TextId::MasterMismatch) << true;
    }

    void newFileMasterPasswordRules() {
        QFETCH(QStringList, entries);
        QFETCH(int, alert);
        QFETCH(bool, created);
        MainRun f;
        f.start();
        f.files.choose(f.path("new.qx"));
        f.trigger(MenuCommand::New);
        QCOMPARE(f.files.requests.size(), 1);
        QCOMPARE(f.files.requests[0].title, u"New Vantrel file");
        QCOMPARE(f.files.requests[0].kind, 2);
        QVERIFY(f.main->inputPassword()->NewFile());
        QCOMPARE(f.shown(), QStringList({Text(TextId::NewFileIntro) + "\r\n" +
                                             Text(TextId::NewFileChooseMaster) + "\r\n",
                                         Text(TextId::RememberMaster)}));
        for (const QString& entry : entries)
            f.enterPassword(entry);
        QCOMPARE(f.prompts.prompts().last(), Text(TextId(alert)));
        QCOMPARE(f.engine().IsOpen(), created);
        QCOMPARE(QFile::exists(f.path("new.qx")), created);
        if (created) {
            QVERIFY(f.notices.visibleMessages().isEmpty()); // "type it again" went with the dialog
            QCOMPARE(f.prefs.LastOpen(), f.path("new.qx"));
            QCOMPARE(f.accountsOnDisk("new.qx", "abcde"), 0);
        }
    }

    void newOverExistingFile() {
        MainRun f;
        f.makeVault("old.qx", "secret1", {"keep me"});
        const QByteArray before = fileBytes(f.path("old.qx"));
        Main& m = f.start();

        f.files.choose(f.path("old.qx"));
        f.prompts.answerNo();
        f.trigger(MenuCommand::New);
        QCOMPARE(f.prompts.last(), Text(TextId::ReplaceFileTitle) + ": " + Text(TextId::ReplaceFilePrompt));
        QVERIFY(f.shown().contains("New Vantrel file aborted by user"));
        QVERIFY(!m.inputPassword());
        QCOMPARE(f.prefs.LastFolder(), f.dir.path() + "/");

        // Yes, then Cancel in the master password dialog: the old vault is still there, whole.
        f.files.choose(f.path("old.qx"));
        f.prompts.answerYes();
        f.trigger(MenuCommand::New);
        m.inputPassword()->Command_Cancel_Click();
        QTRY_VERIFY(!m.inputPassword());
        QCOMPARE(fileBytes(f.path("old.qx")), before);
        QVERIFY(!f.engine().IsOpen());
    }

    void openThenCancelLeavesNothingOpen() {
        MainRun f;
        f.makeVault("b.qx", "secret2");
        Main& m = f.startWithOpenVault();
        // A name that does not exist, and a cancelled dialog, do nothing.
        f.files.choose(f.path("missing.qx"));
        f.trigger(MenuCommand::Open);
        f.files.cancel();
        f.trigger(MenuCommand::Open);
        QCOMPARE(f.files.requests.last().title, u"Open Vantrel file");
        QCOMPARE(f.files.requests.last().owner, &m); // it stays above the window
        QVERIFY(f.engine().IsOpen());

        f.files.choose(f.path("b.qx"));
        f.trigger(MenuCommand::Open);
        QVERIFY(!f.engine().IsOpen()); // a.qx closed before b.qx is offered
        m.inputPassword()->Command_Cancel_Click();
        QVERIFY(!f.engine().IsOpen());
        QCOMPARE(m.windowTitle(), kBaseTitle);
    }

    // After Close nothing of the file is left live: no mark in the title, no Save, no Manager or
    // context menu (their shortcuts included), no web address.
    void savePromptAnsweredNoThenYes() {
        MainRun f;
        Main& m = f.startWithOpenVault();
        AccountRecord site = f.put(WebSites, "site", "ann");
        site.WebsiteUrl = "www.example.org";
        f.engine().PutRecord(site);
        m.ListAccounts(WebSites);
        QVERIFY(m.menus().action(MenuCommand::VisitWebSite)->isVisible());
        f.addUnsavedAccount("added");
        f.prompts.answerNo();
        f.trigger(MenuCommand::Close);
        QCOMPARE(f.prompts.last(), Text(TextId::SaveChangesTitle) + ": " + Text(TextId::SaveChangesPrompt));
        QVERIFY(!f.engine().IsOpen());
        QCOMPARE(m.windowTitle(), kBaseTitle);
        QVERIFY(!f.enabled(MenuCommand::Save));
        QVERIFY(!m.menus().menu(MenuId::Manager)->isEnabled() &&
                !m.menus().menu(MenuId::Hidden)->isEnabled());
        QVERIFY(!m.menus().action(MenuCommand::VisitWebSite)->isVisible());
        QVERIFY(!m.menus().action(MenuCommand::VisitWebSiteMain)->isVisible());
        QCOMPARE(m.browser().panelText(1), Text(TextId::FileClosed));
        QCOMPARE(f.accountsOnDisk("a.qx", "secret1"), 0);

        m.files().OpenGivenFile(f.path("a.qx"));
        f.enterPassword("secret1");
        f.addUnsavedAccount("again");
        f.prompts.answerYes();
        f.trigger(MenuCommand::Close);
        QVERIFY(!m.isModified());
        QCOMPARE(f.accountsOnDisk("a.qx", "secret1"), 1);
    }

    void exitAsksOnlyAboutUnsavedChanges() {
        for (bool modified : {false, true}) {
            MainRun f;
            f.startWithOpenVault();
            if (modified)
                f.addUnsavedAccount("x");
            f.prompts.answerNo(); // "save?" No: the program ends all the same, nothing written
            f.trigger(MenuCommand::Exit);
            QCOMPARE(f.prompts.prompts(),
                     modified ? QStringList{Text(TextId::SaveChangesPrompt)} : QStringList());
            QCOMPARE(f.quits, 1);
            QVERIFY(!f.services.hasEngine()); // released at exit
            QCOMPARE(f.accountsOnDisk("a.qx", "secret1"), 0);
        }
    }

    void failedSaveIsNeverSuccess() {
        MainRun f;
        QDir(f.dir.path()).mkdir("home");
        Main& m = f.startWithOpenVault("home/v.qx");
        f.addUnsavedAccount("x");
        QVERIFY(QDir(f.dir.path()).rename("home", "gone"));

        f.trigger(MenuCommand::Save);
        QVERIFY(f.shown().contains(Text(TextId::SaveFailed)));
        QVERIFY(m.windowTitle().endsWith(" [modified]"));

        // Closing with Yes to "save?" and a failing save keeps the file open.
        f.prompts.answerYes();
        QVERIFY(!m.files().CloseFile());
        QVERIFY(f.engine().IsOpen());

        // Exit: Yes to save, the save fails, No to "exit anyway?": still running, still open.
        f.prompts.answerYes();
        f.prompts.answerNo();
        f.trigger(MenuCommand::Exit);
        QCOMPARE(f.prompts.last(), Text(TextId::SaveFailedTitle) + ": " + Text(TextId::ExitAnywayPrompt));
        QCOMPARE(f.quits, 0);
        QCOMPARE(f.engine().AccountCount(), 1);

        // The folder is back: the save goes through and the exit ends the program.
        QVERIFY(QDir(f.dir.path()).rename("gone", "home"));
        f.prompts.answerYes();
        f.trigger(MenuCommand::Exit);
        QCOMPARE(f.quits, 1);
        QCOMPARE(f.accountsOnDisk("home/v.qx", "secret1"), 1);
    }

    void closingTheWindowAsksFirst() {
        MainRun f;
        Main& m = f.start();
        m.show();
        f.prompts.answerNo();
        QVERIFY(!m.close());
        QVERIFY(f.shown().contains(Text(TextId::ConfirmClose)));
        QCOMPARE(f.prompts.last(), Text(TextId::ConfirmExitTitle) + ": " + Text(TextId::ConfirmExit));
        QCOMPARE(f.quits, 0);
        f.prompts.answerYes();
        QVERIFY(m.close());
        QCOMPARE(f.quits, 1);
    }

    void newFileAfterUnsavedChangesOrFailure() {
        MainRun f;
        f.startWithOpenVault();
        f.addUnsavedAccount("unsaved");
        f.prompts.answerYes(); // save the open file before the new one replaces it
        f.createThroughWindow("b.qx", "other1");
        QVERIFY(f.prompts.prompts().contains(Text(TextId::SaveChangesPrompt)));
        QCOMPARE(f.engine().CurrentFileName(), u"b.qx");
        QCOMPARE(f.accountsOnDisk("a.qx", "secret1"), 1);

        MainRun g;
        Main& m = g.start();
        g.createThroughWindow("no/such/folder/x.qx", "abcde");
        QCOMPARE(g.prompts.prompts().last(), Text(TextId::CreateFailed));
        QVERIFY(m.inputPassword()); // the dialog stays for another try
        QVERIFY(!g.engine().IsOpen());
        QVERIFY(g.prefs.LastOpen().isEmpty());
        QVERIFY(m.recentFiles().History().isEmpty());
    }

    void recentFiles() {
        MainRun f;
        {
            Main& m = f.start();
            QVERIFY(!m.menus().action(MenuCommand::RecentSeparator)->isVisible());
            for (const char* name : {"A.qx", "B.qx", "C.qx"})
                f.createThroughWindow(name, "abcde");
            const QStringList expected{f.path("C.qx"), f.path("B.qx"), f.path("A.qx")};
            QCOMPARE(m.recentFiles().History(), expected);
            const QList<QAction*> entries = m.recentFiles().entries();
            QCOMPARE(entries.size(), 3);
            QCOMPARE(entries[0]->text(), "&1 " + f.path("C.qx"));
            QCOMPARE(entries[2]->text(), "&3 " + f.path("A.qx"));
            QVERIFY(m.menus().action(MenuCommand::RecentSeparator)->isVisible());

            m.add_LastUsed(f.path("a.QX")); // the same file in other case: no change, order kept
            QCOMPARE(m.recentFiles().History(), expected);

            // A click on an entry closes the open file and offers the chosen one. (The list was
            // rebuilt: its entries are new ones.)
            m.recentFiles().entries()[2]->trigger();
            QVERIFY(!f.engine().IsOpen());
            QCOMPARE(m.inputPassword()->QXFile(), f.path("A.qx"));
            m.inputPassword()->Command_Cancel_Click();
        }
        QVERIFY(QFile::remove(f.path("B.qx")));
        f.main.reset();
        Main& again = f.start();
        QCOMPARE(again.recentFiles().History(), (QStringList{f.path("C.qx"), f.path("A.qx")}));
        QCOMPARE(f.store.settings().value("History/2").toString(), f.path("B.qx")); // until stored again
    }

    // A switch of language changes everything the window shows at once: its captions, the texts the
    // program writes (bar, headers, status bar, the list's category names) and Qt's own.
    void languageSwitchChangesTheWholeWindow() {
        MainRun f;
        Main& m = f.startWithOpenVault();
        f.put(Banks, "home", "joe");
        m.ListAccounts(Banks);
        m.browser().ListView_Accounts_ItemClick(); // the row clicked: panel 2 shows it
        const QList<QAction*> items = m.menus().languageItems();
        QCOMPARE(items[0]->text(), u"&English");
        QVERIFY(items[0]->isChecked());
        int german = -1;
        for (int i = 0; i < items.size(); ++i)
            german = items[i]->data().toString() == u"German" ? i : german;
        QVERIFY(german > 0);
        const QString englishFile = m.menus().menu(MenuId::File)->title();
        QAction* open = m.menus().action(MenuCommand::Open);
        Browser& b = m.browser();
        auto shown = [&] {
            return QStringList{b.explorerBar().groupTitle("Main"),
                               b.listModel().headerData(0, Qt::Horizontal).toString(),
                               b.listModel().cellText(0, 0), b.panelText(1), b.panelText(2)};
        };
        const QStringList english = shown();
        items[german]->trigger();
        QVERIFY(!items[0]->isChecked() && items[german]->isChecked());
        QCOMPARE(f.prefs.LanguageUsed(), u"German");
        QVERIFY(open->text() != u"Open passwords file" && !open->text().isEmpty());
        const TextCatalog& catalog = languageCatalog();
        QCOMPARE(shown(),
                 (QStringList{catalog.textIn("German", "32"), catalog.textIn("German", "14"),
                              *catalog.captionIn("German", "Main", "menu_new_bank"),
                              catalog.textIn("German", "717") + "1" + catalog.textIn("German", "718"),
                              "\"home\"" + catalog.textIn("German", "21") + "joe"}));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), u"&Ja"); // Qt's own texts too
        items[0]->trigger(); // back to English: the design-time caption returns
        QVERIFY(items[0]->isChecked() && !items[german]->isChecked());
        QCOMPARE(open->text(), u"Open passwords file");
        QCOMPARE(m.menus().menu(MenuId::File)->title(), englishFile);
        QCOMPARE(shown(), english);
    }

    void windowsCarryEveryControlTheLanguageFileNames() {
        MainRun f;
        Main& m = f.start();
        const TextCatalog& catalog = languageCatalog();
        for (const char* language : {"English", "Italian", "German"})
            QCOMPARE(missingControls(catalog, language, &m), QStringList());
        QCOMPARE(textsChangedBy(catalog, "English", &m), QStringList());
        f.makeVault("a.qx", "secret1");
        m.files().OpenGivenFile(f.path("a.qx"));
        QCOMPARE(missingControls(catalog, "English", m.inputPassword()), QStringList());
        QCOMPARE(textsChangedBy(catalog, "English", m.inputPassword()), QStringList());
    }

    // The master password box: rated with its bits as it changes, masked at every opening
    // whatever the edit forms chose, shown and hidden by the mask button only while it shows.
    void masterPasswordBoxTools() {
        MainRun f;
        f.prefs.setHiddenChar({}); // the edit forms show passwords in clear
        f.makeVault("a.qx", "secret1");
        Main& m = f.start();
        m.files().OpenGivenFile(f.path("a.qx"));
        InputPassword* dialog = m.inputPassword();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        auto* box = dialog->findChild<QLineEdit*>("Text_LogIn");
        auto* bar = dialog->findChild<StrengthBar*>("ARProgressBar_password");
        auto* mask = dialog->findChild<QToolButton*>("Command_Mask");
        auto* generator = dialog->findChild<GeneratorButton*>("Command_GeneneratePassword");
        QVERIFY(bar && mask && generator);
        QCOMPARE(box->echoMode(), QLineEdit::Password);
        auto tip = [](int bits) {
            return Text(TextId::StrengthLabel) + QString::number(bits) + Text(TextId::StrengthBitsOf) +
                   "128" + Text(TextId::StrengthBits);
        };

        QTest::keyClicks(box, "abc");
        QCOMPARE(bar->value(), 18);
        QCOMPARE(box->displayText(), "###"); // under the skin too
        QCOMPARE(box->toolTip(), tip(24));
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(bar->value(), 0);
        QCOMPARE(box->toolTip(), tip(0));

        for (QLineEdit::EchoMode expected : {QLineEdit::Normal, QLineEdit::Password}) {
            mask->setFocus(Qt::TabFocusReason);
            QTest::keyClick(mask, Qt::Key_Space);
            QCOMPARE(box->echoMode(), expected);
            QCOMPARE(QApplication::focusWidget(), box);
        }
        QCOMPARE(f.ini.read({}, "Preferences", "HiddenChar"), QString()); // never stored here

        generator->click();
        QCOMPARE(box->text().size(), 10);
        QCOMPARE(box->toolTip(), tip(80));
        mask->setFocus();
        box->setFocus(Qt::OtherFocusReason);
        QCOMPARE(box->selectedText(), box->text());
        QVERIFY(m.inputPassword()); // nothing was confirmed
    }

    void generateCommandsFillTheClipboard() {
        MainRun f;
        f.startWithOpenVault();
        f.trigger(MenuCommand::GeneratePassword);
        QCOMPARE(QGuiApplication::clipboard()->text().size(), 10);
        f.prompts.answerInput("3");
        f.prompts.answerInput("4");
        f.trigger(MenuCommand::GenerateTrain);
        QCOMPARE(QGuiApplication::clipboard()->text().size(), 3 * 6);
        QCOMPARE(f.shown(), QStringList({Text(TextId::BatchIntro), Text(TextId::BatchCopied)}));
    }

    // Esc at "save the changes?" takes nothing away: the file stays open with its changes, the
    // program runs on, and no other file is offered.
    void cancellingTheSaveQuestionKeepsEverything_data() {
        QTest::addColumn<int>("command");
        QTest::newRow("close") << int(MenuCommand::Close);
        QTest::newRow("exit") << int(MenuCommand::Exit);
        QTest::newRow("open") << int(MenuCommand::Open);
    }

    void cancellingTheSaveQuestionKeepsEverything() {
        QFETCH(int, command);
        MainRun f;
        f.makeVault("b.qx", "secret2");
        Main& m = f.startWithOpenVault();
        f.addUnsavedAccount("unsaved");
        f.files.choose(f.path("b.qx"));
        f.prompts.answerCancel();
        f.trigger(MenuCommand(command));
        QCOMPARE(f.prompts.asked.last().kind, ScriptedPrompts::Asked::SaveChanges);
        QCOMPARE(f.engine().CurrentFilePath(), f.path("a.qx"));
        QCOMPARE(f.engine().AccountCount(), 1);
        QVERIFY(m.isModified());
        QCOMPARE(f.quits, 0);
        QVERIFY(!m.inputPassword());
    }

    // New closes the open forms first, each with its own question; Esc there stops New.
    void newClosesTheFormsFirst() {
        MainRun f;
        Main& m = f.startWithOpenVault();
        f.trigger(MenuCommand::NewBank);
        QTest::keyClicks(m.commands().openForm(Banks)->Texts(Box::AccountName), "joe");
        f.files.choose(f.path("new.qx"));
        f.prompts.answerCancel();
        f.trigger(MenuCommand::New);
        QCOMPARE(f.prompts.last(), Text(TextId::FormUnsavedTitle) + ": " + Text(TextId::FormUnsavedPrompt));
        QVERIFY(m.commands().openForm(Banks));
        QVERIFY(!m.inputPassword());

        f.files.choose(f.path("new.qx"));
        f.prompts.answerNo(); // the typing goes, and so does the form
        f.trigger(MenuCommand::New);
        QVERIFY(!m.commands().openForm(Banks));
        QVERIFY(m.inputPassword() && m.inputPassword()->NewFile());
    }

    // The category bar fits its captions, counts included, in every language.
    void categoryBarFitsInEveryLanguage() {
        for (const char* language : {"English", "Italian", "German"}) {
            MainRun f;
            f.prefs.setLanguageUsed(language);
            f.makeVault("a.qx", "secret1");
            Main& m = f.start();
            m.show();
            QVERIFY(QTest::qWaitForWindowExposed(&m));
            m.files().OpenGivenFile(f.path("a.qx")); // the counts come while the window shows
            f.enterPassword("secret1");
            QApplication::processEvents();
            QTRY_COMPARE(clippedControls(m.browser().explorerBar().viewport()).join(", "), QString());
        }
    }

    void aboutBoxOpensOnce() {
        MainRun f;
        Main& m = f.start();
        f.trigger(MenuCommand::About);
        f.trigger(MenuCommand::About);
        const QList<Form_about*> boxes = m.findChildren<Form_about*>();
        QCOMPARE(boxes.size(), 1);
        QVERIFY(boxes[0]->isVisible());
        QCOMPARE(boxes[0]->findChild<QPushButton*>("Command_OK")->text(), u"OK"); // from the language file
    }

    void openFormsAreStoredBeforeTheFileIsSaved() {
        MainRun f;
        Main& m = f.startWithOpenVault();
        f.trigger(MenuCommand::NewBank);
        EditForm* form = m.commands().openForm(Banks);
        QVERIFY(form);
        QTest::keyClicks(form->Texts(Box::Description), "My bank");
        QTest::keyClicks(form->Texts(Box::AccountName), "joe");
        f.prompts.answerYes(); // store the form's account
        f.prompts.answerYes(); // then save the file
        f.trigger(MenuCommand::Exit);
        QCOMPARE(f.prompts.prompts(),
                 (QStringList{Text(TextId::FormUnsavedPrompt), Text(TextId::SaveChangesPrompt)}));
        QCOMPARE(f.quits, 1);
        QCOMPARE(f.accountsOnDisk("a.qx", "secret1"), 1);
    }
};

QTEST_MAIN(TestMain)
#include "tst_main.moc"
