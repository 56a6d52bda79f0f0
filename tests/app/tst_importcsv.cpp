// File, Utility, Import from CSV in the window program, driven through the file dialog and the
// questions as a person would answer them.

#include "Browser.h"
#include "ExplorerBar.h"
#include "MainRun.h"

#include <QMenu>

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
    void writeCsv(const QByteArray& bytes) {
        QFile file(csv);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    // Opens a vault holding "one", picks the CSV in the dialog and runs the entry.
    void importThroughMenu(const QByteArray& bytes) {
        startWithOpenVault();
        put(Banks, "one", "one-user");
        writeCsv(bytes);
        files.choose(csv);
        trigger(MenuCommand::ImportCsv);
    }
};

} // namespace

class TestImportCsv : public QObject {
    Q_OBJECT
private slots:
    void entryNeedsAnOpenFile() {
        ImportRun f;
        Main& m = f.start();
        QAction* entry = m.menus().action(MenuCommand::ImportCsv);
        QVERIFY(m.menus().menu(MenuId::Utility)->actions().contains(entry));
        QVERIFY(!entry->isEnabled());
        f.makeVault("a.qx", "secret1");
        m.files().OpenGivenFile(f.path("a.qx"));
        f.enterPassword("secret1");
        QVERIFY(entry->isEnabled());
        f.trigger(MenuCommand::ImportCsv); // the dialog is cancelled: nothing is asked
        QCOMPARE(f.files.requests.size(), 1);
        QCOMPARE(f.files.requests[0].title, Text(TextId::ImportDialogTitle));
        QCOMPARE(f.files.requests[0].filters, QStringList({Text(TextId::ImportFilter), "*.csv"}));
        QVERIFY(f.prompts.asked.isEmpty());
    }

    void yesAddsTheAccountsAndNoKeepsTheCsv() {
        ImportRun f;
        f.importThroughMenu(kExport);
        QCOMPARE(f.prompts.asked.size(), 1);
        const QString summary = f.prompts.asked[0].prompt;
        for (const QString& part :
             {Text(TextId::ImportFormatFound).arg("KeePassXC"), Text(TextId::ImportToAdd).arg(2),
              Text(TextId::BarWebSites) + ": 1", Text(TextId::BarMisc) + ": 1",
              Text(TextId::ImportDuplicates).arg(1), Text(TextId::ImportPlaintext)})
            QVERIFY2(summary.contains(part), qPrintable(part));
        QCOMPARE(f.prompts.asked[0].title, Text(TextId::ImportTitle));
        // No answer scripted: No.
        QCOMPARE(f.engine().AccountCount(), 1);
        QVERIFY(!f.main->isModified());

        ImportRun g;
        g.prompts.answerYes();
        g.prompts.answerNo();
        g.importThroughMenu(kExport);
        QCOMPARE(g.prompts.asked.size(), 2);
        QCOMPARE(g.prompts.asked[1].prompt, Text(TextId::ImportShredPrompt));
        QCOMPARE(g.engine().AccountCount(), 3);
        QVERIFY(g.main->isModified());
        QCOMPARE(g.main->browser().rowCount(), 1); // the list of web sites, the last category shown
        QCOMPARE(g.main->browser().explorerBar().itemCaption("Types", "Misc"),
                 Text(TextId::BarMiscCount) + "1)");
        QCOMPARE(g.shown(), QStringList{Text(TextId::ImportAdded).arg(2)});
        QVERIFY(QFile::exists(g.csv));
    }

    // The CSV goes only once its accounts are on disk.
    void shreddingSavesFirst() {
        ImportRun f;
        f.prompts.answerYes();
        f.prompts.answerYes();
        f.importThroughMenu(kExport);
        QVERIFY(!QFile::exists(f.csv));
        QCOMPARE(f.accountsOnDisk("a.qx", "secret1"), 3);
        QVERIFY(!f.main->isModified());
        QCOMPARE(f.shown(), QStringList{Text(TextId::ImportShredDone).arg(2)});

        // A vault whose replacement cannot be written beside it (the temporary name is too long).
        ImportRun g;
        const QString longName = g.path(QString(255, 'v'));
        QVERIFY(g.makeVault("a.qx", "secret1") && QFile::copy(g.path("a.qx"), longName));
        g.start();
        g.main->files().OpenGivenFile(longName);
        g.enterPassword("secret1");
        g.writeCsv(kExport);
        g.files.choose(g.csv);
        g.prompts.answerYes();
        g.prompts.answerYes();
        g.trigger(MenuCommand::ImportCsv);
        QCOMPARE(g.engine().AccountCount(), 3);
        QVERIFY(g.main->isModified());
        QVERIFY(QFile::exists(g.csv));
        QCOMPARE(g.shown(), QStringList{Text(TextId::SaveFailed)});
    }

    // Each row: the file, and what the user is told instead of the summary question.
    void nothingToAdd_data() {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QString>("alert");
        QTest::addColumn<QString>("notice");
        QTest::newRow("a row too short") << kExport + "\"x\",\"y\"\r\n"
                                         << Text(TextId::ImportFieldCount).arg(5) << QString();
        QTest::newRow("unknown header")
            << QByteArray("a,b\n1,2\n") << Text(TextId::ImportUnknownHeader) << QString();
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
        QCOMPARE(f.prompts.asked.size(), alert.isEmpty() ? 0 : 1);
        if (!alert.isEmpty())
            QCOMPARE(f.prompts.last(),
                     Text(TextId::ImportTitle) + ": " + Text(TextId::ImportRefused) + "\n\n" + alert);
        QCOMPARE(f.shown(), notice.isEmpty() ? QStringList() : QStringList{notice});
        QCOMPARE(f.engine().AccountCount(), 1);
        QVERIFY(!f.main->isModified());
    }
};

QTEST_MAIN(TestImportCsv)
#include "tst_importcsv.moc"
