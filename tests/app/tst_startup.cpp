// What the program does with its command line: a file named there is offered instead of the one
// opened last; --help and --version answer without any window.

#include "MainRun.h"
#include "Product.h"

#include <QProcess>

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

    // A named file that is not there is offered all the same; unlocking it says why it failed.
    void missingFileGetsTheOpenFailureMessage() {
        MainRun f;
        f.fileToOpen = f.path("nowhere.qx");
        f.start();
        f.enterPassword("secret1");
        QCOMPARE(f.prompts.prompts(), QStringList{Text(TextId::OpenFailed)});
        QVERIFY(!f.engine().IsOpen());
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
