// File, Utility, Import from CSV in the window program, driven through the file dialog and the
// questions as a person would answer them.

#include "MainRun.h"

namespace {

// A KeePassXC export: one account the test vault already holds, a web site and a Misc account.
const QByteArray kExport =
    "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\","
    "\"Last Modified\",\"Created\"\r\n"
    "\"Root\",\"one\",\"one-user\",\"\",\"\",\"\",\"\",\"0\",\"\",\"\"\r\n"
    "\"Root\",\"Mail\",\"me\",\"pw\",\"https://mail.example\",\"\",\"\",\"0\",\"\",\"\"\r\n"
    "\"Root\",\"Router\",\"admin\",\"1234\",\"\",\"\",\"\",\"0\",\"\",\"\"\r\n";

struct ImportRun : MainRun {
    QString csv = path("export.csv");
    // Opens a vault holding "one" (under the name given) and runs the entry, which needs it open;
    // the CSV is picked in the file dialog (no bytes: the dialog is cancelled).
    void importThroughMenu(const QByteArray& bytes, const QString& vault = "a.qx") {
        makeVault("a.qx", "secret1", {"one"});
        QFile::copy(path("a.qx"), path(vault));
        QAction* entry = start().menus().action(MenuCommand::ImportCsv);
        const bool offWithoutAFile = !entry->isEnabled();
        main->files().OpenGivenFile(path(vault));
        enterPassword("secret1");
        QVERIFY(writeFile("export.csv", bytes));
        bytes.isNull() ? files.cancel() : files.choose(csv);
        trigger(MenuCommand::ImportCsv);
        QVERIFY(main->menus().menu(MenuId::Utility)->actions().contains(entry) && offWithoutAFile);
    }
};

} // namespace

class TestImportCsv : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InitLanguage(VANTREL_LAN_FILE); } // the rows below name its texts

    // The summary names the format, what would be added per category, the duplicates left out and
    // that the CSV holds passwords in plain text. No adds nothing.
    void summaryAnsweredNo() {
        ImportRun f;
        f.importThroughMenu(kExport);
        QCOMPARE(f.files.requests.size(), 1);
        QCOMPARE(f.files.requests[0].title, Text(TextId::ImportDialogTitle));
        QCOMPARE(f.files.requests[0].filters, QStringList({Text(TextId::ImportFilter), "*.csv"}));
        QCOMPARE(f.prompts.asked.size(), 1);
        QCOMPARE(f.prompts.asked[0].title, Text(TextId::ImportTitle));
        for (const QString& part :
             {Text(TextId::ImportFormatFound).arg("KeePassXC"), Text(TextId::ImportToAdd).arg(2),
              Text(TextId::BarWebSites) + ": 1", Text(TextId::BarMisc) + ": 1",
              Text(TextId::ImportDuplicates).arg(1), Text(TextId::ImportPlaintext)})
            QVERIFY2(f.prompts.asked[0].prompt.contains(part), qPrintable(part));
        QCOMPARE(f.engine().AccountCount(), 1);
        QVERIFY(!f.main->isModified());
    }

    // Yes adds the accounts; the CSV then goes only once they are on disk. Each row: whether the
    // user wants the CSV gone, the vault's name (one whose replacement cannot be written beside it,
    // the temporary name being too long, fails to save) and the one notice.
    void yesAddsTheAccounts_data() {
        QTest::addColumn<bool>("shred");
        QTest::addColumn<QString>("vault");
        QTest::addColumn<QString>("notice");
        QTest::newRow("CSV kept") << false << "a.qx" << Text(TextId::ImportAdded).arg(2);
        QTest::newRow("CSV shredded") << true << "a.qx" << Text(TextId::ImportShredDone).arg(2);
        QTest::newRow("save failed, CSV kept") << true << QString(255, 'v') << Text(TextId::SaveFailed);
    }

    void yesAddsTheAccounts() {
        QFETCH(bool, shred);
        QFETCH(QString, vault);
        QFETCH(QString, notice);
        ImportRun f;
        f.prompts.answerYes();
        shred ? f.prompts.answerYes() : f.prompts.answerNo();
        f.importThroughMenu(kExport, vault);
        const bool saved = shred && vault == "a.qx";
        QCOMPARE(f.prompts.asked.size(), 2);
        QCOMPARE(f.prompts.asked[1].prompt, Text(TextId::ImportShredPrompt));
        QCOMPARE(f.engine().AccountCount(), 3);
        QCOMPARE(f.accountsOnDisk(vault, "secret1"), saved ? 3 : 1);
        QCOMPARE(f.main->isModified(), !saved);
        QCOMPARE(QFile::exists(f.csv), !saved);
        QCOMPARE(f.shown(), QStringList{notice});
        QCOMPARE(f.main->browser().rowCount(), 1); // the list of web sites, the last category shown
        QCOMPARE(f.main->browser().explorerBar().itemCaption("Types", "Misc"),
                 Text(TextId::BarMiscCount) + "1)");
    }

    // Each row: the file (none: the dialog is cancelled), and what the user is told instead of the
    // summary question.
    void nothingToAdd_data() {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QString>("alert");
        QTest::addColumn<QString>("notice");
        QTest::newRow("a row too short") << kExport + "\"x\",\"y\"\r\n"
                                         << Text(TextId::ImportFieldCount).arg(5) << QString();
        QTest::newRow("unknown header")
            << QByteArray("a,b\n1,2\n") << Text(TextId::ImportUnknownHeader) << QString();
        QTest::newRow("dialog cancelled") << QByteArray() << QString() << QString();
        QTest::newRow("only what the vault holds") << QByteArray("title,username,password\none,one-user,\n")
                                                   << QString() << Text(TextId::ImportNothingNew);
    }

    void nothingToAdd() {
        QFETCH(QByteArray, csv);
        QFETCH(QString, alert);
        QFETCH(QString, notice);
        ImportRun f;
        f.prompts.answerYes();
        f.importThroughMenu(csv);
        QCOMPARE(f.prompts.prompts(),
                 alert.isEmpty() ? QStringList() : QStringList{Text(TextId::ImportRefused) + "\n\n" + alert});
        if (!alert.isEmpty())
            QCOMPARE(f.prompts.asked[0].title, Text(TextId::ImportTitle));
        QCOMPARE(f.shown(), notice.isEmpty() ? QStringList() : QStringList{notice});
        QCOMPARE(f.engine().AccountCount(), 1);
        QVERIFY(!f.main->isModified());
    }
};

QTEST_MAIN(TestImportCsv)
#include "tst_importcsv.moc"
