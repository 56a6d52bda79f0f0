// What the program does with its command line: a file named there is offered instead of the one
// opened last; --help and --version answer without any window.

#include "MainRun.h"
#include "Product.h"

#include <QDir>
#include <QPointer>
#include <QProcess>

#include <sys/stat.h>

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void fileOnTheCommandLineIsOfferedInsteadOfTheLastOne() {
        MainRun f;
        QVERIFY(f.makeVault("last.qx", "secret1"));
        QVERIFY(f.makeVault("given.qx", "secret2"));
        f.prefs.setLastOpen(f.path("last.qx"));
        f.fileToOpen = f.path("given.qx");
        Main& m = f.start();
        QCOMPARE(m.inputPassword()->QXFile(), f.path("given.qx"));
        f.enterPassword("secret2");
        QCOMPARE(f.engine().CurrentFilePath(), f.path("given.qx"));
        QCOMPARE(f.prefs.LastOpen(), f.path("given.qx"));
    }

    // A named file is offered whatever it is; unlocking it says what is wrong with it: a missing
    // file, something that is not a vault (a pipe included, which must not keep us waiting), and
    // only for a real vault, the master password.
    void unlockingSaysWhatIsWrongWithTheFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("message");
        QTest::newRow("missing") << "nowhere.qx" << int(TextId::FileMissing);
        QTest::newRow("a folder") << "folder.qx" << int(TextId::NotAVaultFile);
        QTest::newRow("a pipe") << "pipe.qx" << int(TextId::NotAVaultFile);
        QTest::newRow("a text file") << "notes.qx" << int(TextId::NotAVaultFile);
        QTest::newRow("a vault, wrong password") << "real.qx" << int(TextId::OpenFailed);
    }

    void unlockingSaysWhatIsWrongWithTheFile() {
        QFETCH(QString, name);
        QFETCH(int, message);
        MainRun f;
        QVERIFY(QDir(f.dir.path()).mkdir("folder.qx"));
        QCOMPARE(::mkfifo(QFile::encodeName(f.path("pipe.qx")).constData(), 0600), 0);
        QFile notes(f.path("notes.qx"));
        QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("shopping list\n") > 0);
        notes.close();
        QVERIFY(f.makeVault("real.qx", "other password"));
        f.fileToOpen = f.path(name);
        f.start();
        f.enterPassword("secret1");
        QCOMPARE(f.prompts.prompts(), QStringList{Text(TextId(message))});
        QVERIFY(!f.engine().IsOpen());
    }

    // The key is derived on a thread of its own: meanwhile the main window takes no commands and a
    // second Enter is not a second attempt.
    void unlockingRunsOffTheScreensThread() {
        MainRun f;
        QVERIFY(f.makeVault("a.qx", "secret1"));
        f.fileToOpen = f.path("a.qx");
        Main& m = f.start();
        QPointer<InputPassword> dialog = m.inputPassword();
        auto* box = dialog->findChild<QLineEdit*>("Text_LogIn");
        QTest::keyClicks(box, "wrong");
        QTest::keyClick(box, Qt::Key_Return);
        QVERIFY(dialog->isWorking());
        QVERIFY(!m.isEnabled());
        QVERIFY(!dialog->close()); // not while the engine works for it
        QTest::keyClick(box, Qt::Key_Return);
        QTRY_VERIFY(!dialog->isWorking());
        QCOMPARE(f.prompts.prompts(), QStringList{Text(TextId::OpenFailed)}); // one attempt, one answer
        QVERIFY(m.isEnabled());
        f.enterPassword("secret1");
        QVERIFY(f.engine().IsOpen());
    }

    void helpAndVersionNeedNoDisplay() {
        for (const char* option : {"--version", "--help"}) {
            QProcess program;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove("DISPLAY");
            env.remove("WAYLAND_DISPLAY");
            env.remove("QT_QPA_PLATFORM");
            program.setProcessEnvironment(env);
            program.start(QStringLiteral(VANTREL_PROGRAM), {QString::fromLatin1(option)});
            QVERIFY(program.waitForFinished(30000));
            QCOMPARE(program.exitCode(), 0);
            const QString out = QString::fromUtf8(program.readAllStandardOutput());
            QVERIFY2(out.contains(option[2] == 'v' ? "vantrel " + Product::version() : QString("[FILE]")),
                     qPrintable(out));
        }
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
