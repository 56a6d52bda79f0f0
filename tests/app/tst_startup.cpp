// What the program does with its command line: a file named there is offered instead of the one
// opened last; --help and --version answer without any window.

#include "MainRun.h"

#include <QDir>
#include <QPointer>
#include <QProcess>

#include <sys/stat.h>

class TestStartup : public QObject {
    Q_OBJECT
private slots:
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
        QVERIFY(f.makeVault("last.qx", "secret1") && f.makeVault("given.qx", "secret1"));
        QVERIFY(f.makeVault("real.qx", "other password"));
        QVERIFY(QDir(f.dir.path()).mkdir("folder.qx"));
        QCOMPARE(::mkfifo(QFile::encodeName(f.path("pipe.qx")).constData(), 0600), 0);
        QFile notes(f.path("notes.qx"));
        QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("shopping list\n") > 0);
        notes.close();
        f.prefs.setLastOpen(f.path("last.qx"));
        f.fileToOpen = f.path(name);
        f.start();
        QCOMPARE(f.main->inputPassword()->QXFile(), f.path(name));
        f.enterPassword("secret1");
        QCOMPARE(f.prompts.prompts(), message ? QStringList{Text(TextId(message))} : QStringList());
        QCOMPARE(f.engine().CurrentFilePath(), message ? QString() : f.path(name));
        QCOMPARE(f.prefs.LastOpen(), f.path(message ? "last.qx" : name));
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
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
