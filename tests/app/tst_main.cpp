// The main window on the real language file: start-up and its command line, the file lifecycle,
// recent files, languages, the inactivity lock and exit.

#include "Form_about.h"
#include "GeneratorButton.h"
#include "MainRun.h"
#include "RecentFiles.h"
#include "StrengthBar.h"

#include <QProcess>

#include <sys/stat.h>

namespace {
using C = MenuCommand;

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

class TestMain : public QObject {
    Q_OBJECT
private slots:
    // A first start: its settings stored, no file and nothing that needs one, every control the
    // language file names, one about box, and a question before the window closes.
    void firstStartWithoutAFile() {
        MainRun f;
        Main& m = f.start();
        QCOMPARE(f.ini.read({}, "Preferences", "LanguageUsed"), u"English");
        QVERIFY(!f.ini.read({}, "Preferences", "LastBackupWarning").isEmpty());
        QVERIFY(f.shown().isEmpty()); // no backup reminder on a first start
        QCOMPARE(m.windowTitle(), baseTitle());
        QVERIFY(!m.inputPassword() && !f.enabled(C::Save));
        QVERIFY(!m.menus().menu(MenuId::Manager)->menuAction()->isEnabled());
        QVERIFY(!m.menus().menu(MenuId::Hidden)->menuAction()->isVisible());
        QCOMPARE(f.store.executablePath(), f.dir.filePath("vantrel"));
        m.resize(900, 700);
        QCOMPARE(m.size(), QSize(681, 520));
        for (const char* language : {"English", "Italian", "German"})
            QCOMPARE(missingControls(languageCatalog(), language, &m), QStringList());
        QCOMPARE(textsChangedBy(languageCatalog(), "English", &m), QStringList());

        f.trigger(C::About);
        f.trigger(C::About);
        const QList<Form_about*> boxes = m.findChildren<Form_about*>();
        QVERIFY(boxes.size() == 1 && boxes[0]->isVisible());
        QCOMPARE(boxes[0]->findChild<QPushButton*>("Command_OK")->text(), u"OK"); // from the language file

        m.show();
        for (bool yes : {false, true}) {
            yes ? f.prompts.answerYes() : f.prompts.answerNo();
            QCOMPARE(m.close(), yes);
            QCOMPARE(f.quits, int(yes));
        }
        QVERIFY(f.shown().contains(Text(TextId::ConfirmClose)));
        QCOMPARE(f.prompts.last(), Text(TextId::ConfirmExitTitle) + ": " + Text(TextId::ConfirmExit));
    }

    // The file opened last is offered at start, after the backup reminder when one is due (more
    // than ten days: counted again from now). Its master password box is rated with its bits as
    // it changes, masked whatever the edit forms chose, shown and hidden by the mask button. The
    // key is derived on a thread of its own: meanwhile the main window takes no commands and a
    // second Enter is not a second attempt. Once open, the title follows the file's name and
    // changes.
    void masterPasswordDialogAtStart() {
        MainRun f;
        f.prefs.setHiddenChar({}); // the edit forms show passwords in clear
        f.prefs.setLastBackupWarning(f.clock.now().addDays(-11));
        f.makeVault("MixedCase.QX", "secret1", {"one", "two"});
        f.prefs.setLastOpen(f.path("MixedCase.QX"));
        Main& m = f.start();
        QCOMPARE(f.shown(), QStringList{Text(TextId::BackupReminder)});
        QCOMPARE(f.prefs.LastBackupWarning(), f.clock.now());
        InputPassword* dialog = m.inputPassword();
        QVERIFY(dialog && !dialog->NewFile());
        QCOMPARE(dialog->windowTitle(), u"Master password:: MixedCase.QX");
        QCOMPARE(missingControls(languageCatalog(), "English", dialog), QStringList());
        QCOMPARE(textsChangedBy(languageCatalog(), "English", dialog), QStringList());
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        auto* box = dialog->findChild<QLineEdit*>("Text_LogIn");
        auto* bar = dialog->findChild<StrengthBar*>("ARProgressBar_password");
        auto* mask = dialog->findChild<QToolButton*>("Command_Mask");
        QCOMPARE(box->echoMode(), QLineEdit::Password);
        auto tip = [](int bits) {
            return Text(TextId::StrengthLabel) + QString::number(bits) + Text(TextId::StrengthBitsOf) +
                   "128" + Text(TextId::StrengthBits);
        };
        QTest::keyClicks(box, "abc");
        QCOMPARE(bar->value(), 18);
        QCOMPARE(box->displayText(), "###"); // under the skin too
        QCOMPARE(box->toolTip(), tip(24));
        box->clear();
        QCOMPARE(bar->value(), 0);
        for (QLineEdit::EchoMode expected : {QLineEdit::Normal, QLineEdit::Password}) {
            mask->setFocus(Qt::TabFocusReason);
            QTest::keyClick(mask, Qt::Key_Space);
            QCOMPARE(box->echoMode(), expected);
            QCOMPARE(QApplication::focusWidget(), box);
        }
        QCOMPARE(f.ini.read({}, "Preferences", "HiddenChar"), QString()); // never stored here
        dialog->findChild<GeneratorButton*>("Command_GeneneratePassword")->click();
        QCOMPARE(box->toolTip(), tip(80));
        mask->setFocus();
        box->setFocus(Qt::OtherFocusReason);
        QCOMPARE(box->selectedText(), box->text());

        box->clear();
        QTest::keyClicks(box, "wrong");
        QTest::keyClick(box, Qt::Key_Return);
        QVERIFY(dialog->isWorking() && !m.isEnabled());
        QVERIFY(!dialog->close()); // not while the engine works for it
        QTest::keyClick(box, Qt::Key_Return);
        QTRY_VERIFY(!dialog->isWorking());
        QCOMPARE(f.prompts.asked.size(), 1); // one attempt, one answer
        QCOMPARE(f.prompts.asked[0].kind, ScriptedPrompts::Asked::Alert);
        QCOMPARE(f.prompts.last(), Text(TextId::MasterPasswordTitle) + ": " + Text(TextId::OpenFailed));
        QVERIFY(box->text().isEmpty() && !f.engine().IsOpen() && m.isEnabled());
        f.enterPassword("  secret1 "); // blanks around the master password do not count
        QTRY_VERIFY(!m.inputPassword());
        QCOMPARE(f.engine().AccountCount(), 2);
        QCOMPARE(f.prefs.LastOpen(), f.path("MixedCase.QX"));
        QCOMPARE(m.recentFiles().History(), QStringList{f.path("MixedCase.QX")});
        QVERIFY(f.enabled(C::Save) && m.menus().menu(MenuId::Manager)->menuAction()->isEnabled());
        QCOMPARE(m.windowTitle(), baseTitle() + " - mixedcase.qx");
        m.set_Modified(true);
        QCOMPARE(m.windowTitle(), baseTitle() + " - mixedcase.qx [modified]");
        m.set_Modified(false);
        QCOMPARE(m.windowTitle(), baseTitle() + " - mixedcase.qx");
        m.files().OpenGivenFile(f.path("MixedCase.QX")); // the file already open: nothing happens
        QVERIFY(!m.inputPassword());
        QCOMPARE(f.prompts.asked.size(), 1); // by now any second attempt would have answered too
    }

    // Each row: what the user types in turn, the alert after the last entry and whether the file
    // then exists.
    void newFileMasterPasswordRules_data() {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("alert");
        QTest::addColumn<bool>("created");
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QStringList{"   "} << int(TextId::MasterEmpty) << false << "new.qx";
        QTest::newRow("too short") << QStringList{"abcd"} << int(TextId::MasterTooShort) << false << "new.qx";
        QTest::newRow("short second entry keeps the first")
            << QStringList{"abcde", "abcd", "abcde"} << int(TextId::MasterTooShort) << true << "new.qx";
        QTest::newRow("mismatch") << QStringList{"abcde", "abcdX"} << int(TextId::MasterMismatch) << false
                                  << "new.qx";
        QTest::newRow("mismatch, then both again") << QStringList{"abcde", "abcdX", "abcde", "abcde "}
                                                   << int(TextId::MasterMismatch) << true << "new.qx";
        QTest::newRow("no such folder: the dialog stays for another try")
            << QStringList{"abcde", "abcde"} << int(TextId::CreateFailed) << false << "no/such/folder/x.qx";
    }

    void newFileMasterPasswordRules() {
        QFETCH(QStringList, entries);
        QFETCH(int, alert);
        QFETCH(bool, created);
        QFETCH(QString, name);
        MainRun f;
        Main& m = f.start();
        f.files.choose(f.path(name));
        f.trigger(C::New);
        QVERIFY(f.files.requests.size() == 1 && m.inputPassword()->NewFile());
        QCOMPARE(f.files.requests[0].title, u"New Vantrel file");
        QCOMPARE(f.files.requests[0].kind, 2);
        QCOMPARE(f.shown(), QStringList({Text(TextId::NewFileIntro) + "\r\n" +
                                             Text(TextId::NewFileChooseMaster) + "\r\n",
                                         Text(TextId::RememberMaster)}));
        for (const QString& entry : entries)
            f.enterPassword(entry);
        QCOMPARE(f.prompts.last(), Text(TextId::MasterPasswordTitle) + ": " + Text(TextId(alert)));
        QCOMPARE(QList<bool>({f.engine().IsOpen(), QFile::exists(f.path(name)), !m.inputPassword()}),
                 QList<bool>(3, created));
        const QStringList recent = created ? QStringList{f.path(name)} : QStringList();
        QCOMPARE(m.recentFiles().History(), recent);
        QCOMPARE(f.prefs.LastOpen(), recent.value(0));
        if (created) {
            QVERIFY(f.notices.visibleMessages().isEmpty()); // "type it again" went with the dialog
            QCOMPARE(f.accountsOnDisk(name, "abcde"), 0);
        }
    }

    // Cancelled dialogs and No to "replace?" leave nothing open and the file there whole.
    void cancelledOpenOrNewLeavesNothingOpen() {
        MainRun f;
        f.makeVault("b.qx", "secret2", {"keep me"});
        const QByteArray before = fileBytes(f.path("b.qx"));
        Main& m = f.startWithOpenVault();
        f.files.choose(f.path("missing.qx")); // a name that does not exist does nothing
        f.trigger(C::Open);
        f.files.cancel();
        f.trigger(C::Open);
        QCOMPARE(f.files.requests.last().title, u"Open Vantrel file");
        QCOMPARE(f.files.requests.last().owner, &m); // it stays above the window
        QVERIFY(f.engine().IsOpen());
        f.files.choose(f.path("b.qx"));
        f.trigger(C::Open);
        QVERIFY(!f.engine().IsOpen()); // a.qx closed before b.qx is offered
        m.inputPassword()->Command_Cancel_Click();
        QVERIFY(!f.engine().IsOpen());
        QCOMPARE(m.windowTitle(), baseTitle());

        f.files.choose(f.path("b.qx"));
        f.prompts.answerNo();
        f.trigger(C::New);
        QCOMPARE(f.prompts.last(), Text(TextId::ReplaceFileTitle) + ": " + Text(TextId::ReplaceFilePrompt));
        QVERIFY(f.shown().contains("New Vantrel file aborted by user"));
        QVERIFY(!m.inputPassword());
        QCOMPARE(f.prefs.LastFolder(), f.dir.path() + "/");
        f.files.choose(f.path("b.qx")); // Yes, then Cancel in the master password dialog
        f.prompts.answerYes();
        f.trigger(C::New);
        m.inputPassword()->Command_Cancel_Click();
        QTRY_VERIFY(!m.inputPassword());
        QCOMPARE(fileBytes(f.path("b.qx")), before);
        QVERIFY(!f.engine().IsOpen());
    }

    // Each row: a command while a.qx is open and the answer to "save the changes?" ("" when there
    // is nothing to save and so no question). Yes saves, No does not; Esc takes nothing away: the
    // file stays open with its changes, the program runs on and no other file is offered.
    void saveQuestion_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("answer");
        QTest::newRow("close, No") << int(C::Close) << "No";
        QTest::newRow("close, Yes") << int(C::Close) << "Yes";
        QTest::newRow("close, Esc") << int(C::Close) << "Esc";
        QTest::newRow("exit, nothing to save") << int(C::Exit) << "";
        QTest::newRow("exit, No") << int(C::Exit) << "No";
        QTest::newRow("exit, Esc") << int(C::Exit) << "Esc";
        QTest::newRow("open, Esc") << int(C::Open) << "Esc";
    }

    // After Close nothing of the file is left live: no mark in the title, no Save, no Manager or
    // context menu (their shortcuts included), no web address.
    void saveQuestion() {
        QFETCH(int, command);
        QFETCH(QString, answer);
        const bool kept = answer == "Esc", quits = command == int(C::Exit) && !kept;
        MainRun f;
        f.makeVault("b.qx", "secret2");
        Main& m = f.startWithOpenVault();
        AccountRecord site = f.put(WebSites, "site", "ann");
        site.WebsiteUrl = "www.example.org";
        f.engine().PutRecord(site);
        m.ListAccounts(WebSites);
        if (!answer.isEmpty())
            f.addUnsavedAccount("unsaved");
        f.files.choose(f.path("b.qx"));
        answer == "Yes" ? f.prompts.answerYes() : kept ? f.prompts.answerCancel() : f.prompts.answerNo();
        f.trigger(C(command));
        QCOMPARE(f.prompts.asked.size(), answer.isEmpty() ? 0 : 1);
        if (!answer.isEmpty()) {
            QCOMPARE(f.prompts.asked[0].kind, ScriptedPrompts::Asked::SaveChanges);
            QCOMPARE(f.prompts.last(),
                     Text(TextId::SaveChangesTitle) + ": " + Text(TextId::SaveChangesPrompt));
        }
        QCOMPARE(f.accountsOnDisk("a.qx", "secret1"), answer == "Yes" ? 2 : 0);
        QCOMPARE(f.quits, quits ? 1 : 0);
        QVERIFY(!m.inputPassword());
        if (quits) {
            QVERIFY(!f.services.hasEngine()); // released at exit
            return;
        }
        QCOMPARE(f.engine().CurrentFilePath(), kept ? f.path("a.qx") : QString());
        const Menus& menus = m.menus();
        QCOMPARE(
            QList<bool>({m.isModified(), m.windowTitle() != baseTitle(), f.enabled(C::Save),
                         menus.menu(MenuId::Manager)->isEnabled(), menus.menu(MenuId::Hidden)->isEnabled(),
                         menus.action(C::VisitWebSite)->isVisible(),
                         menus.action(C::VisitWebSiteMain)->isVisible(),
                         m.browser().panelText(1) != Text(TextId::FileClosed)}),
            QList<bool>(8, kept));
    }

    // A failed save is never taken for success, whoever asks for it (Save, Close, Exit or the
    // inactivity lock): the file stays open with its changes until a save goes through.
    void failedSaveIsNeverSuccess() {
        MainRun f;
        QDir(f.dir.path()).mkdir("home");
        Main& m = f.startWithOpenVault("home/v.qx");
        f.addUnsavedAccount("x");
        QVERIFY(QDir(f.dir.path()).rename("home", "gone"));
        f.trigger(C::Save);
        QCOMPARE(f.shown(), QStringList{Text(TextId::SaveFailed)});
        QVERIFY(m.windowTitle().endsWith(" [modified]"));
        f.prompts.answerYes(); // to "save?" on Close
        QVERIFY(!m.files().CloseFile());
        QVERIFY(f.engine().IsOpen());
        f.prompts.answerYes(); // to "save?" on Exit, then No to "exit anyway?"
        f.prompts.answerNo();
        f.trigger(C::Exit);
        QCOMPARE(f.prompts.last(), Text(TextId::SaveFailedTitle) + ": " + Text(TextId::ExitAnywayPrompt));
        QCOMPARE(f.quits, 0);
        f.noticesShown.clear();
        f.idle(3); // warned, then the save on the lock's closing fails too
        QCOMPARE(f.shown(), QStringList({Text(TextId::IdleWarning), Text(TextId::SaveFailed)}));
        QVERIFY(m.isModified());
        QCOMPARE(f.engine().AccountCount(), 1);

        QVERIFY(QDir(f.dir.path()).rename("gone", "home")); // the next period saves and closes
        f.idle(1);
        QVERIFY(!f.engine().IsOpen());
        QCOMPARE(f.accountsOnDisk("home/v.qx", "secret1"), 1);
    }

    // Open forms come before the file, each with its own question: Esc there stops New; No lets
    // the typing go, and New then saves the open file before the new one replaces it; Yes at exit
    // stores the form's account before the file is saved.
    void openFormsComeFirst() {
        MainRun f;
        Main& m = f.startWithOpenVault();
        f.addUnsavedAccount("unsaved");
        auto typeIntoNewBank = [&] {
            f.trigger(C::NewBank);
            EditForm* form = m.commands().openForm(Banks);
            QTest::keyClicks(form->Texts(Box::Description), "My bank");
            QTest::keyClicks(form->Texts(Box::AccountName), "joe");
            return form;
        };
        EditForm* form = typeIntoNewBank();
        f.files.choose(f.path("b.qx"));
        f.prompts.answerCancel();
        f.trigger(C::New);
        QCOMPARE(f.prompts.last(), Text(TextId::FormUnsavedTitle) + ": " + Text(TextId::FormUnsavedPrompt));
        QCOMPARE(m.commands().openForm(Banks), form);
        QVERIFY(!m.inputPassword());
        f.prompts.answerNo();
        f.prompts.answerYes();
        f.createThroughWindow("b.qx", "other1");
        QVERIFY(!m.commands().openForm(Banks));
        QCOMPARE(f.engine().CurrentFileName(), u"b.qx");
        QCOMPARE(f.accountsOnDisk("a.qx", "secret1"), 1);

        typeIntoNewBank();
        f.prompts.answerYes();
        f.prompts.answerYes();
        f.trigger(C::Exit);
        const QString ask = Text(TextId::FormUnsavedPrompt), save = Text(TextId::SaveChangesPrompt);
        QCOMPARE(f.prompts.prompts(), (QStringList{ask, ask, save, ask, save}));
        QCOMPARE(f.quits, 1);
        QCOMPARE(f.accountsOnDisk("b.qx", "other1"), 1);
    }

    void recentFiles() {
        MainRun f;
        Main& m = f.start();
        QVERIFY(!m.menus().action(C::RecentSeparator)->isVisible());
        for (const char* name : {"A.qx", "B.qx", "C.qx"})
            f.createThroughWindow(name, "abcde");
        const QStringList expected{f.path("C.qx"), f.path("B.qx"), f.path("A.qx")};
        QCOMPARE(m.recentFiles().History(), expected);
        const QList<QAction*> entries = m.recentFiles().entries();
        QCOMPARE(entries.size(), 3);
        QCOMPARE(entries[0]->text(), "&1 " + f.path("C.qx"));
        QCOMPARE(entries[2]->text(), "&3 " + f.path("A.qx"));
        QVERIFY(m.menus().action(C::RecentSeparator)->isVisible());
        m.add_LastUsed(f.path("a.QX")); // the same file in other case: no change, order kept
        QCOMPARE(m.recentFiles().History(), expected);

        // A click on an entry closes the open file and offers the chosen one. (The list was
        // rebuilt: its entries are new ones.)
        m.recentFiles().entries()[2]->trigger();
        QVERIFY(!f.engine().IsOpen());
        QCOMPARE(m.inputPassword()->QXFile(), f.path("A.qx"));
        m.inputPassword()->Command_Cancel_Click();

        QVERIFY(QFile::remove(f.path("B.qx")));
        QCOMPARE(f.start().recentFiles().History(), (QStringList{f.path("C.qx"), f.path("A.qx")}));
        QCOMPARE(f.store.settings().value("History/2").toString(), f.path("B.qx")); // until stored again
    }

    // A switch of language changes everything the window shows at once: its captions, the texts the
    // program writes (bar, headers, status bar, the list's category names) and Qt's own; the switch
    // back brings every English one back.
    void languageSwitchChangesTheWholeWindow() {
        MainRun f;
        Main& m = f.startWithOpenVault();
        f.put(Banks, "home", "joe");
        m.ListAccounts(Banks);
        m.browser().ListView_Accounts_ItemClick(); // the row clicked: panel 2 shows it
        const QList<QAction*> items = m.menus().languageItems();
        QCOMPARE(items[0]->text(), u"&English");
        QVERIFY(items[0]->isChecked());
        QAction* german =
            *std::find_if(items.begin(), items.end(), [](auto* a) { return a->data() == "German"; });
        Browser& b = m.browser();
        auto shown = [&] {
            return QStringList{m.menus().menu(MenuId::File)->title(),
                               m.menus().action(C::Open)->text(),
                               b.explorerBar().groupTitle("Main"),
                               b.listModel().headerData(0, Qt::Horizontal).toString(),
                               b.listModel().cellText(0, 0),
                               b.panelText(1),
                               b.panelText(2),
                               QCoreApplication::translate("QPlatformTheme", "&Yes")};
        };
        const QStringList english = shown();
        german->trigger();
        QVERIFY(!items[0]->isChecked() && german->isChecked());
        QCOMPARE(f.prefs.LanguageUsed(), u"German");
        const TextCatalog& c = languageCatalog();
        auto text = [&](const char* id) { return c.textIn("German", id); };
        auto caption = [&](const char* control) { return *c.captionIn("German", "Main", control); };
        QCOMPARE(shown(), (QStringList{caption("menu_file"), caption("menu_open"), text("32"), text("14"),
                                       caption("menu_new_bank"), text("717") + "1" + text("718"),
                                       "\"home\"" + text("21") + "joe", "&Ja"}));
        items[0]->trigger();
        QVERIFY(items[0]->isChecked() && !german->isChecked());
        QCOMPARE(shown(), english);
    }

    // The category bar fits its captions, counts included, in every language.
    void categoryBarFitsInEveryLanguage() {
        for (const char* language : {"English", "Italian", "German"}) {
            MainRun f;
            f.prefs.setLanguageUsed(language);
            f.makeVault("a.qx", "secret1");
            Main& m = f.start();
            QVERIFY(f.showActive());
            m.files().OpenGivenFile(f.path("a.qx")); // the counts come while the window shows
            f.enterPassword("secret1");
            QApplication::processEvents();
            QTRY_COMPARE(clippedControls(m.browser().explorerBar().viewport()).join(", "), QString());
        }
    }

    // A named file is offered whatever it is, instead of the one opened last; unlocking it says
    // what is wrong with it: a missing file, something that is not a vault (a pipe included, which
    // must not keep us waiting), and only for a real vault, the master password.
    void fileOnTheCommandLineIsOfferedInsteadOfTheLastOne_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("message"); // 0: none, the file opens
        QTest::newRow("a vault") << "given.qx" << 0;
        QTest::newRow("missing") << "nowhere.qx" << int(TextId::FileMissing);
        QTest::newRow("a folder") << "folder.qx" << int(TextId::NotAVaultFile);
        QTest::newRow("a pipe") << "pipe.qx" << int(TextId::NotAVaultFile);
        QTest::newRow("a text file") << "notes.qx" << int(TextId::NotAVaultFile);
        QTest::newRow("a vault, wrong password") << "real.qx" << int(TextId::OpenFailed);
    }

    void fileOnTheCommandLineIsOfferedInsteadOfTheLastOne() {
        QFETCH(QString, name);
        QFETCH(int, message);
        MainRun f;
        QVERIFY(f.makeVault("last.qx", "secret1") && f.makeVault("given.qx", "secret1") &&
                f.makeVault("real.qx", "other password") && QDir(f.dir.path()).mkdir("folder.qx") &&
                f.writeFile("notes.qx", "shopping list\n"));
        QCOMPARE(::mkfifo(QFile::encodeName(f.path("pipe.qx")).constData(), 0600), 0);
        f.prefs.setLastOpen(f.path("last.qx"));
        f.start(f.path(name));
        QCOMPARE(f.main->inputPassword()->QXFile(), f.path(name));
        f.enterPassword("secret1");
        QCOMPARE(f.prompts.prompts(), message ? QStringList{Text(TextId(message))} : QStringList());
        QCOMPARE(f.engine().CurrentFilePath(), message ? QString() : f.path(name));
        QCOMPARE(f.prefs.LastOpen(), f.path(message ? "last.qx" : name));
    }

    void helpAndVersionNeedNoDisplay() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        for (const char* option : {"--version", "--help"}) {
            QProcess program;
            program.setProcessEnvironment(env);
            program.start(QStringLiteral(VANTREL_PROGRAM), {QString::fromLatin1(option)});
            QVERIFY(program.waitForFinished(30000));
            QCOMPARE(program.exitCode(), 0);
            const QString out = QString::fromUtf8(program.readAllStandardOutput());
            QVERIFY2(out.contains(option[2] == 'v' ? "vantrel " + Product::version() : QString("[FILE]")),
                     qPrintable(out));
        }
    }

    // Warned after two idle minutes, saved and closed after the third without a question; activity
    // over the window starts the count over; a form's typing is stored like the file's changes, and
    // typing that cannot be stored puts the close off (an untouched form goes with the file); with
    // no file the count stays at zero and nothing is said.
    void inactivityWarnsThenSavesAndCloses() {
        MainRun f;
        Main& m = f.startWithOpenVault();
        QVERIFY(f.showActive());
        QVERIFY(m.inactivity().component().isStarted());
        f.addUnsavedAccount("unsaved");
        f.idle(1);
        QCOMPARE(m.inactivity().IdleCount(), 1);
        QVERIFY(f.shown().isEmpty());
        f.idle(1);
        QCOMPARE(f.shown(), QStringList{Text(TextId::IdleWarning)});
        QTest::mouseMove(&m, QPoint(100, 100)); // a move over our window is activity
        QCOMPARE(m.inactivity().IdleCount(), 0);
        f.idle(2);
        QTest::keyClick(&m, Qt::Key_Shift);
        f.idle(2);
        QCOMPARE(f.shown(), QStringList(3, Text(TextId::IdleWarning))); // never a third period in a row

        m.commands().newAccountOf(Banks);
        m.set_UndoNew();
        m.commands().newAccountOf(Pins);
        EditForm* typed = m.commands().openForm(Banks);
        QVERIFY(typed && m.commands().openForm(Pins));
        QTest::keyClicks(typed->Texts(Box::Notes), "half done"); // activity too; no account name yet
        f.idle(3);
        // Typing that cannot be stored keeps the file open, the form as it was, and asks nothing.
        QVERIFY(f.engine().IsOpen());
        QCOMPARE(m.commands().openForm(Banks), typed);
        QCOMPARE(typed->boxText(Box::Notes), "half done");
        QCOMPARE(f.shown().mid(3),
                 QStringList({Text(TextId::IdleWarning), Text(TextId(categoryInfo(Banks)->msgNameMissing)),
                              Text(TextId::IdleWarning)}));
        QCOMPARE(m.inactivity().IdleCount(), 2);
        // Typing that can be stored is, like the file's changes; then the file and forms close.
        QTest::keyClicks(typed->Texts(Box::AccountName), "joe");
        f.idle(3);
        QCOMPARE(f.shown().last(), Text(TextId::IdleClosing));
        QVERIFY(f.prompts.asked.isEmpty());
        QVERIFY(!f.engine().IsOpen() && !m.commands().openForm(Banks) && !m.commands().openForm(Pins));
        QCOMPARE(f.accountsOnDisk("a.qx", "secret1"), 2);
        QCOMPARE(m.windowTitle(), baseTitle());
        const qsizetype said = f.shown().size();
        f.idle(4);
        QCOMPARE(m.inactivity().IdleCount(), 0);
        QCOMPARE(f.shown().size(), said);
    }

    void copiedPasswordIsWipedAfterAMinute_data() {
        QTest::addColumn<int>("after");      // seconds from the copy to the tick
        QTest::addColumn<bool>("otherText"); // another program copied something meanwhile
        QTest::addColumn<bool>("newYear");   // the copy was made just before midnight of 31 December
        QTest::addColumn<bool>("wiped");
        QTest::newRow("30 s") << 30 << false << false << false;
        QTest::newRow("61 s") << 61 << false << false << true;
        QTest::newRow("another program's text") << 61 << true << false << false;
        QTest::newRow("across the new year") << 61 << false << true << true;
    }

    void copiedPasswordIsWipedAfterAMinute() {
        QFETCH(int, after);
        QFETCH(bool, otherText);
        QFETCH(bool, newYear);
        QFETCH(bool, wiped);
        MainRun f;
        f.start();
        if (newYear)
            f.clock.set(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 30)));
        Clipboard().put(" s3cret ", Clipboard::Kind::Secret); // as the copy command puts it
        f.main->browser().recordCopiedPassword(f.engine().DigestText(" s3cret "), f.clock.monotonicMs());
        if (otherText)
            QGuiApplication::clipboard()->setText("shopping list");
        f.idle(1, after);
        QCOMPARE(Clipboard().text(), wiped       ? Text(TextId::ClipboardWiped)
                                     : otherText ? "shopping list"
                                                 : " s3cret ");
        const QStringList told = wiped ? QStringList{Text(TextId::CopiedPasswordWiped)} : QStringList();
        QCOMPARE(f.shown(), told);
        f.idle(1, 30); // told once only
        QCOMPARE(f.shown(), told);
    }
};

QTEST_MAIN(TestMain)
#include "tst_main.moc"
