#include "MainFixture.h"

#include "../platform/CatalogChecks.h"
#include "AccountCommands.h"
#include "Browser.h"
#include "EditForm.h"
#include "FieldSets.h"
#include "RecentFiles.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QSettings>

namespace {
QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
const QString kBaseTitle = QStringLiteral("Vantrel 4.0.14 - www.vantrel.org");
} // namespace

class TestMain : public QObject {
    Q_OBJECT
private slots:
    void firstStartOnEmptySettings();
    void backupReminderAfterElevenDays();
    void startWithLastOpenAndPasswords();
    void titleFollowsFileAndModified();
    void newFileConfirmationRules();
    void newOverExistingFile();
    void openThenCancelLeavesNothingOpen();
    void savePromptAnsweredNoThenYes();
    void exitWithAndWithoutChanges();
    void failedSaveIsNeverSuccess();
    void closingTheWindowAsksFirst();
    void newWhileModifiedAsksToSaveFirst();
    void createFailureKeepsTheDialog();
    void recentFiles();
    void languageSwitchMovesTheCheckMark();
    void windowsCarryEveryControlTheLanguageFileNames();
    void openFormsAreStoredBeforeTheFileIsSaved();
};

void TestMain::firstStartOnEmptySettings() {
    MainFixture f;
    Main& m = f.start();
    QSettings ini(f.iniPath, QSettings::IniFormat);
    QCOMPARE(ini.value("Preferences/LanguageUsed").toString(), u"English");
    QVERIFY(ini.contains("Preferences/LastBackupWarning"));
    QVERIFY(!SharedForm::instance().history().contains(Text(864)));
    QVERIFY(!m.inputPassword());
    QCOMPARE(m.windowTitle(), kBaseTitle);
    QVERIFY(!m.action("menu_save")->isEnabled());
    QVERIFY(!m.menu("menu_manager")->menuAction()->isEnabled());
    QVERIFY(!m.menu("menu_hidden")->menuAction()->isVisible());
    QCOMPARE(f.store.executablePath(), f.dir.filePath("vantrel"));
    QVERIFY(!Text(810).isEmpty()); // the real language file is in use
    QCOMPARE(m.size(), QSize(681, 520));
    m.resize(900, 700);
    QCOMPARE(m.size(), QSize(681, 520));
}

void TestMain::backupReminderAfterElevenDays() {
    for (int days : {10, 11}) {
        MainFixture f;
        f.prefs.setLastBackupWarning(QDateTime(f.clock.now().date().addDays(-days), QTime(23, 59)));
        f.start();
        QCOMPARE(SharedForm::instance().history().contains(Text(864)), days == 11);
        if (days == 11)
            QCOMPARE(f.prefs.LastBackupWarning(), f.clock.now());
    }
}

void TestMain::startWithLastOpenAndPasswords() {
    MainFixture f;
    f.makeVault("a.qx", "secret1", {"one", "two"});
    f.prefs.setLastOpen(f.path("a.qx"));
    Main& m = f.start();
    InputPassword* dialog = m.inputPassword();
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), u"Master password:: a.qx");
    QVERIFY(!dialog->NewFile());

    f.enterPassword("wrong");
    QCOMPARE(f.prompts.asked.size(), 1);
    QCOMPARE(f.prompts.asked[0].kind, ScriptedPrompts::Asked::Alert);
    QCOMPARE(f.prompts.asked[0].prompt, Text(810));
    QCOMPARE(f.prompts.asked[0].title, Text(83));
    QVERIFY(m.inputPassword());
    QVERIFY(dialog->findChild<QLineEdit*>("Text_LogIn")->text().isEmpty());
    QVERIFY(!f.engine().IsOpen());

    f.enterPassword("  secret1 ");
    QVERIFY(f.engine().IsOpen());
    QTRY_VERIFY(!m.inputPassword());
    QCOMPARE(f.engine().AccountCount(), 2);
    QCOMPARE(m.windowTitle(), kBaseTitle + " - a.qx");
    QCOMPARE(f.prefs.LastOpen(), f.path("a.qx"));
    QCOMPARE(m.recentFiles().History(), QStringList{f.path("a.qx")});
    QVERIFY(m.action("menu_save")->isEnabled());
    QVERIFY(m.menu("menu_manager")->menuAction()->isEnabled());
}

void TestMain::titleFollowsFileAndModified() {
    MainFixture f;
    f.makeVault("MixedCase.QX", "secret1");
    Main& m = f.start();
    m.OpenGivenFile(f.path("MixedCase.QX"));
    f.enterPassword("secret1");
    QCOMPARE(m.windowTitle(), kBaseTitle + " - mixedcase.qx");
    m.set_Modified(true);
    QCOMPARE(m.windowTitle(), kBaseTitle + " - mixedcase.qx [modified]");
    m.set_Modified(false);
    QVERIFY(!m.windowTitle().endsWith("]"));
    // Asking for the file that is already open does nothing.
    m.OpenGivenFile(f.path("MixedCase.QX"));
    QVERIFY(!m.inputPassword());
}

void TestMain::newFileConfirmationRules() {
    MainFixture f;
    Main& m = f.start();
    f.files.choose(f.path("new.qx"));
    m.menu_new_Click();
    QCOMPARE(f.files.requests.size(), 1);
    QCOMPARE(f.files.requests[0].title, u"New Vantrel file");
    QCOMPARE(f.files.requests[0].kind, 2);
    InputPassword* dialog = m.inputPassword();
    QVERIFY(dialog && dialog->NewFile());
    const QStringList notices = SharedForm::instance().history();
    QVERIFY(notices.contains(Text(773) + "\r\n" + Text(774) + "\r\n"));
    QVERIFY(notices.contains(Text(815)));

    f.enterPassword("   ");
    QCOMPARE(f.askedPrompts().last(), Text(809));
    f.enterPassword("abcd");
    QCOMPARE(f.askedPrompts().last(), Text(80));
    QVERIFY(!dialog->hasFirstEntry());
    f.enterPassword("  abcde  ");
    QVERIFY(dialog->hasFirstEntry());
    QCOMPARE(SharedForm::instance().history().count(Text(81)), 1);
    f.enterPassword("abcd"); // too short as a second entry: the first one is kept
    QVERIFY(dialog->hasFirstEntry());
    f.enterPassword("abcdX");
    QCOMPARE(f.askedPrompts().last(), Text(82));
    QVERIFY(!dialog->hasFirstEntry()); // both entries must be typed again
    f.enterPassword("abcde");
    QCOMPARE(SharedForm::instance().history().count(Text(81)), 2);
    QVERIFY(!QFile::exists(f.path("new.qx")));
    f.enterPassword("abcde ");
    QVERIFY(f.engine().IsOpen());
    QVERIFY(QFile::exists(f.path("new.qx")));
    QCOMPARE(f.prefs.LastOpen(), f.path("new.qx"));

    QCOMPARE(f.accountsOnDisk("new.qx", "abcde"), 0);
}

void TestMain::newOverExistingFile() {
    MainFixture f;
    f.makeVault("old.qx", "secret1", {"keep me"});
    const QByteArray before = fileBytes(f.path("old.qx"));
    Main& m = f.start();

    f.files.choose(f.path("old.qx"));
    f.prompts.answerNo();
    m.menu_new_Click();
    QCOMPARE(f.prompts.asked.last().prompt, Text(883));
    QCOMPARE(f.prompts.asked.last().title, Text(884));
    QVERIFY(SharedForm::instance().history().contains("New Vantrel file aborted by user"));
    QVERIFY(!m.inputPassword());
    QCOMPARE(f.prefs.LastFolder(), f.dir.path() + "/");

    // Yes, then Cancel in the master password dialog: the old vault is still there, whole.
    f.files.choose(f.path("old.qx"));
    f.prompts.answerYes();
    m.menu_new_Click();
    QVERIFY(m.inputPassword());
    m.inputPassword()->Command_Cancel_Click();
    QTRY_VERIFY(!m.inputPassword());
    QCOMPARE(fileBytes(f.path("old.qx")), before);
    QVERIFY(!f.engine().IsOpen());
}

void TestMain::openThenCancelLeavesNothingOpen() {
    MainFixture f;
    f.makeVault("a.qx", "secret1");
    f.makeVault("b.qx", "secret2");
    Main& m = f.start();
    f.files.choose(f.path("a.qx"));
    m.menu_open_Click();
    QCOMPARE(f.files.requests.last().title, u"Open Vantrel file");
    f.enterPassword("secret1");
    QVERIFY(f.engine().IsOpen());

    f.files.choose(f.path("missing.qx")); // a name that does not exist does nothing
    m.menu_open_Click();
    QVERIFY(f.engine().IsOpen());
    f.files.cancel();
    m.menu_open_Click();
    QVERIFY(f.engine().IsOpen());

    f.files.choose(f.path("b.qx"));
    m.menu_open_Click();
    QVERIFY(!f.engine().IsOpen()); // a.qx closed before b.qx is offered
    QVERIFY(m.inputPassword());
    m.inputPassword()->Command_Cancel_Click();
    QVERIFY(!f.engine().IsOpen());
    QCOMPARE(m.windowTitle(), kBaseTitle);
}

void TestMain::savePromptAnsweredNoThenYes() {
    MainFixture f;
    Main& m = f.startWithOpenVault();
    f.addUnsavedAccount("added");

    f.prompts.answerNo();
    QVERIFY(m.CloseFile());
    QCOMPARE(f.prompts.asked.last().prompt, Text(885));
    QCOMPARE(f.prompts.asked.last().title, Text(886));
    QVERIFY(!f.engine().IsOpen());
    QVERIFY(m.windowTitle().endsWith(" [modified]"));
    QCOMPARE(m.browser().panelText(1), Text(887));
    QCOMPARE(f.accountsOnDisk("a.qx"), 0);

    m.OpenGivenFile(f.path("a.qx"));
    f.enterPassword("secret1");
    f.addUnsavedAccount("again");
    f.prompts.answerYes();
    QVERIFY(m.CloseFile());
    QVERIFY(!m.isModified());
    QCOMPARE(f.accountsOnDisk(), 1);
}

void TestMain::exitWithAndWithoutChanges() {
    MainFixture f;
    Main& m = f.startWithOpenVault();
    m.menu_exit_Click();
    QCOMPARE(f.quits, 1);
    QVERIFY(f.prompts.asked.isEmpty());
    QVERIFY(!f.services->hasEngine()); // released at exit

    MainFixture g;
    Main& n = g.startWithOpenVault();
    g.addUnsavedAccount("x");
    g.prompts.answerNo(); // "save?" No: the program ends all the same, nothing written
    n.menu_exit_Click();
    QCOMPARE(g.askedPrompts(), QStringList{Text(885)});
    QCOMPARE(g.quits, 1);
    QCOMPARE(g.accountsOnDisk(), 0);
}

void TestMain::failedSaveIsNeverSuccess() {
    MainFixture f;
    QDir(f.dir.path()).mkdir("home");
    f.makeVault("home/v.qx", "secret1");
    Main& m = f.start();
    m.OpenGivenFile(f.path("home/v.qx"));
    f.enterPassword("secret1");
    f.addUnsavedAccount("x");
    QVERIFY(QDir(f.dir.path()).rename("home", "gone"));

    m.menu_save_Click();
    QVERIFY(SharedForm::instance().history().contains(Text(930)));
    QVERIFY(m.isModified());
    QVERIFY(m.windowTitle().endsWith(" [modified]"));

    // Closing with Yes to "save?" and a failing save keeps the file open.
    f.prompts.answerYes();
    QVERIFY(!m.CloseFile());
    QVERIFY(f.engine().IsOpen());

    // Exit: Yes to save, the save fails, No to "exit anyway?": still running, still open.
    f.prompts.answerYes();
    f.prompts.answerNo();
    m.menu_exit_Click();
    QCOMPARE(f.askedPrompts().last(), Text(931));
    QCOMPARE(f.prompts.asked.last().title, Text(932));
    QCOMPARE(f.quits, 0);
    QVERIFY(f.engine().IsOpen());
    QCOMPARE(f.engine().AccountCount(), 1);

    // The folder is back: the save goes through and the exit ends the program.
    QVERIFY(QDir(f.dir.path()).rename("gone", "home"));
    f.prompts.answerYes();
    m.menu_exit_Click();
    QCOMPARE(f.quits, 1);
    QCOMPARE(f.accountsOnDisk("home/v.qx"), 1);
}

void TestMain::closingTheWindowAsksFirst() {
    MainFixture f;
    Main& m = f.start();
    m.show();
    f.prompts.answerNo();
    QVERIFY(!m.close());
    QVERIFY(SharedForm::instance().history().contains(Text(583)));
    QCOMPARE(f.askedPrompts(), QStringList{Text(820)});
    QCOMPARE(f.prompts.asked[0].title, Text(821));
    QCOMPARE(f.quits, 0);
    f.prompts.answerYes();
    QVERIFY(m.close());
    QCOMPARE(f.quits, 1);
}

void TestMain::newWhileModifiedAsksToSaveFirst() {
    MainFixture f;
    f.startWithOpenVault();
    f.addUnsavedAccount("unsaved");

    f.prompts.answerYes(); // save the open file before the new one replaces it
    f.createThroughWindow("b.qx", "other1");
    QVERIFY(f.askedPrompts().contains(Text(885)));
    QCOMPARE(f.engine().CurrentFileName(), u"b.qx");
    QCOMPARE(f.accountsOnDisk("a.qx"), 1);
}

void TestMain::createFailureKeepsTheDialog() {
    MainFixture f;
    Main& m = f.start();
    f.createThroughWindow("no/such/folder/x.qx", "abcde");
    QCOMPARE(f.askedPrompts().last(), Text(933));
    QVERIFY(m.inputPassword());
    QVERIFY(!f.engine().IsOpen());
    QVERIFY(f.prefs.LastOpen().isEmpty());
    QVERIFY(m.recentFiles().History().isEmpty());
}

void TestMain::recentFiles() {
    MainFixture f;
    {
        Main& m = f.start();
        QVERIFY(!m.action("last_split")->isVisible());
        for (const char* name : {"A.qx", "B.qx", "C.qx"})
            f.createThroughWindow(name, "abcde");
        const QStringList expected{f.path("C.qx"), f.path("B.qx"), f.path("A.qx")};
        QCOMPARE(m.recentFiles().History(), expected);
        const QList<QAction*> entries = m.recentFiles().entries();
        QCOMPARE(entries.size(), 3);
        QCOMPARE(entries[0]->text(), "&1 " + f.path("C.qx"));
        QCOMPARE(entries[2]->text(), "&3 " + f.path("A.qx"));
        QVERIFY(m.action("last_split")->isVisible());

        // The same file by another spelling of its case: no change, order kept.
        m.add_LastUsed(f.path("a.QX"));
        QCOMPARE(m.recentFiles().History(), expected);

        // A click on an entry closes the open file and offers the chosen one.
        entries[2]->trigger();
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

void TestMain::languageSwitchMovesTheCheckMark() {
    MainFixture f;
    Main& m = f.start();
    const QList<QAction*> items = m.languageItems();
    QVERIFY(items.size() >= 3);
    QCOMPARE(items[0]->text(), u"&English");
    QVERIFY(items[0]->isChecked());
    int german = -1;
    for (int i = 0; i < items.size(); ++i) {
        if (items[i]->data().toString() == u"German")
            german = i;
    }
    QVERIFY(german > 0);
    const QString englishFile = m.menu("menu_file")->title();
    const QString englishText = Text(810);
    m.menu_kw_languages_Click(german);
    QVERIFY(!items[0]->isChecked());
    QVERIFY(items[german]->isChecked());
    QCOMPARE(f.prefs.LanguageUsed(), u"German");
    // The window changed at once; single lookups keep the language selected at start-up.
    QVERIFY(m.action("menu_open")->text() != u"Open passwords file");
    QVERIFY(!m.action("menu_open")->text().isEmpty());
    QCOMPARE(Text(810), englishText);
    // Back to English: the design-time caption returns.
    m.menu_kw_languages_Click(0);
    QVERIFY(items[0]->isChecked() && !items[german]->isChecked());
    QCOMPARE(m.action("menu_open")->text(), u"Open passwords file");
    QCOMPARE(m.menu("menu_file")->title(), englishFile);
}

void TestMain::windowsCarryEveryControlTheLanguageFileNames() {
    MainFixture f;
    Main& m = f.start();
    const TextCatalog& catalog = languageCatalog();
    for (const QString& language :
         {QStringLiteral("English"), QStringLiteral("Italian"), QStringLiteral("German")}) {
        QCOMPARE(missingControls(catalog, language, &m), QStringList());
    }
    f.makeVault("a.qx", "secret1");
    m.OpenGivenFile(f.path("a.qx"));
    QVERIFY(m.inputPassword());
    // The mask, generator and strength controls arrive with the password tools.
    const QStringList later{"ARProgressBar_password", "Command_GeneneratePassword", "Command_Mask"};
    QStringList missing = missingControls(catalog, "English", m.inputPassword());
    missing.sort();
    QCOMPARE(missing, later);
    QCOMPARE(textsChangedBy(catalog, "English", m.inputPassword()), QStringList());
}

void TestMain::openFormsAreStoredBeforeTheFileIsSaved() {
    MainFixture f;
    Main& m = f.startWithOpenVault();
    m.commands().newAccountOf(Banks);
    EditForm* form = m.commands().openForm(Banks);
    QVERIFY(form);
    QTest::keyClicks(form->Texts(Box::Description), "My bank");
    QTest::keyClicks(form->Texts(Box::AccountName), "joe");
    QVERIFY(form->FormChanged());

    f.prompts.answerYes(); // store the form's account
    f.prompts.answerYes(); // then save the file
    m.menu_exit_Click();
    QCOMPARE(f.askedPrompts(), (QStringList{Text(924), Text(885)}));
    QCOMPARE(f.quits, 1);
    QCOMPARE(f.accountsOnDisk("a.qx"), 1);
}

QTEST_MAIN(TestMain)
#include "tst_main.moc"
