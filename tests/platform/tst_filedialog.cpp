#include "Clock.h"
#include "FileDialog.h"
#include "Settings.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {
QString nul(const char* text) {
    return QString::fromLatin1(text).replace(QLatin1Char('~'), QChar(0));
}

// Plays the user's part: records what was asked and answers as told.
class ScriptedBackend final : public FileDialogBackend {
public:
    FileDialogAnswer run(const FileDialogRequest& request) override {
        requests.append(request);
        if (throws)
            throw std::runtime_error("no dialog");
        return answer;
    }
    QList<FileDialogRequest> requests;
    FileDialogAnswer answer;
    bool throws = false;
};

// Waits for the real file dialog to open, lets the test look at it, then answers it.
void whenDialogOpens(std::function<void(QFileDialog*)> act) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            if (dialog && dialog->isVisible()) {
                poll->stop();
                poll->deleteLater();
                act(dialog);
                return;
            }
        }
    });
    poll->start();
}

// Types the path into the name box, as a user would (selectFile leaves a focused box alone).
void typeAndAccept(QFileDialog* dialog, const QString& path) {
    if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        name->setText(path);
    else
        dialog->selectFile(path);
    static_cast<QDialog*>(dialog)->accept(); // runs QFileDialog's own accept
    if (dialog->isVisible())
        dialog->reject(); // refused: let the test fail instead of hanging
}
} // namespace

class TestFileDialog : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { setFileDialogBackend(nullptr); }
    void convertFilter_data();
    void convertFilter();
    void cutBuffer_data();
    void cutBuffer();
    void chosenFileIsReadBack();
    void cancelAndFailure();
    void platformDialogFollowsTheProperties();

private:
    QTemporaryDir dir_;
};

void TestFileDialog::convertFilter_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("converted");
    QTest::newRow("empty") << "" << nul("~~");
    QTest::newRow("description and pattern") << "Vantrel files|*.qx" << nul("Vantrel files~*.qx~~");
    QTest::newRow("description only") << "Vantrel files (*.qx)" << nul("Vantrel files (*.qx)~~");
    QTest::newRow("two types") << "A|*.a|B|*.b" << nul("A~*.a~B~*.b~~");
    QTest::newRow("trailing bar") << "A|*.a|" << nul("A~*.a~~");
}

void TestFileDialog::convertFilter() {
    QFETCH(QString, filter);
    QFETCH(QString, converted);
    QCOMPARE(cmnDlg::convertFilter(filter), converted);
}

void TestFileDialog::cutBuffer_data() {
    QTest::addColumn<QString>("buffer");
    QTest::addColumn<QString>("cut");
    QTest::newRow("path, NUL, blanks") << nul("/home/me/v.qx~       ") << "/home/me/v.qx";
    QTest::newRow("path, two NULs, junk") << nul("/a/b.qx~~xyz") << "/a/b.qx";
    QTest::newRow("multiple selection") << nul("/home/me~one.qx~two.qx~~   ") << "/home/me one.qx two.qx";
    QTest::newRow("no terminator") << "/a/b.qx"
                                   << "/a/b.qx";
    QTest::newRow("empty") << nul("~~") << "";
}

void TestFileDialog::cutBuffer() {
    QFETCH(QString, buffer);
    QFETCH(QString, cut);
    QCOMPARE(cmnDlg::cutBuffer(buffer), cut);
}

void TestFileDialog::chosenFileIsReadBack() {
    ScriptedBackend backend;
    backend.answer = {true, QStringLiteral("/home/me/vaults/mine.qx"), 1, 0};
    setFileDialogBackend(&backend);

    // The dialog opens in the folder of the last chosen file.
    KW_ini ini(dir_.filePath(QStringLiteral("QX.ini")));
    ManualClock clock;
    Preferences prefs(ini, clock, QStringLiteral("/opt/vantrel"));
    prefs.setLastFolder(QStringLiteral("/home/me/vaults/old.qx"));

    cmnDlg dlg;
    dlg.DialogTitle = QStringLiteral("Open Vantrel file");
    dlg.FileName = QStringLiteral("*.qx");
    dlg.InitDir = cmnDlg::initialFolder(prefs.LastFolder());
    dlg.Filter = QStringLiteral("Vantrel files (*.qx)");
    dlg.DefaultExt = QStringLiteral("qx");
    dlg.ShowOpen();

    QCOMPARE(backend.requests.size(), 1);
    const FileDialogRequest& asked = backend.requests.constFirst();
    QCOMPARE(asked.kind, 1);
    QCOMPARE(asked.title, QStringLiteral("Open Vantrel file"));
    QCOMPARE(asked.initialDir, QStringLiteral("/home/me/vaults/"));
    QCOMPARE(asked.initialName, QStringLiteral("*.qx"));
    QCOMPARE(asked.filters, QStringList{QStringLiteral("Vantrel files (*.qx)")});
    QCOMPARE(asked.defaultExt, QStringLiteral("qx"));

    QCOMPARE(dlg.APIReturn(), 1);
    QCOMPARE(dlg.ExtendedError(), 0);
    QCOMPARE(dlg.FileName, QStringLiteral("/home/me/vaults/mine.qx"));
    QCOMPARE(dlg.FileTitle, QStringLiteral("mine.qx"));
    QCOMPARE(dlg.FilterIndex, 1);

    // Long paths are not limited by any name buffer, whatever MaxFileSize says.
    const QString longPath =
        QStringLiteral("/home/") + QString(300, QLatin1Char('d')) + QStringLiteral("/new.qx");
    backend.answer = {true, longPath, 2, 0};
    dlg.Filter = QStringLiteral("A|*.a|B|*.b");
    dlg.CancelError = true;
    dlg.ShowSave();
    QCOMPARE(backend.requests.last().kind, 2);
    QCOMPARE(backend.requests.last().initialName, QStringLiteral("/home/me/vaults/mine.qx"));
    QCOMPARE(backend.requests.last().filters, (QStringList{"A", "*.a", "B", "*.b"}));
    QCOMPARE(dlg.APIReturn(), 1);
    QCOMPARE(dlg.FileName, longPath);
    QCOMPARE(dlg.FileTitle, QStringLiteral("new.qx"));
    QCOMPARE(dlg.FilterIndex, 2);
}

void TestFileDialog::cancelAndFailure() {
    ScriptedBackend backend;
    setFileDialogBackend(&backend);

    cmnDlg dlg;
    dlg.FileName = QStringLiteral("*.qx");
    backend.answer = {true, QStringLiteral("/a/first.qx"), 1, 0};
    dlg.ShowOpen();
    QCOMPARE(dlg.APIReturn(), 1);

    // A plain cancel without CancelError: nothing raised, the name stays as it was.
    backend.answer = {};
    dlg.ShowOpen();
    QCOMPARE(dlg.APIReturn(), 0);
    QCOMPARE(dlg.ExtendedError(), 0);
    QCOMPARE(dlg.FileName, QStringLiteral("/a/first.qx"));

    dlg.CancelError = true;
    try {
        dlg.ShowSave();
        QFAIL("a cancel with CancelError must raise");
    } catch (const cmnDlgError& e) {
        QCOMPARE(e.number, 32755);
        QCOMPARE(QString::fromLatin1(e.what()), QStringLiteral("Cancel was selected."));
    }
    QCOMPARE(dlg.APIReturn(), 0);
    QCOMPARE(dlg.FileName, QStringLiteral("/a/first.qx"));

    // A failing dialog reports its code and is not mistaken for a cancel.
    backend.answer = {false, {}, 0, 12290};
    dlg.ShowOpen();
    QCOMPARE(dlg.APIReturn(), 0);
    QCOMPARE(dlg.ExtendedError(), 12290);

    // A dialog that cannot run at all ends the command quietly.
    backend.throws = true;
    dlg.ShowOpen();
    QCOMPARE(dlg.APIReturn(), 0);
    QCOMPARE(dlg.ExtendedError(), 0);
    QCOMPARE(dlg.FileName, QStringLiteral("/a/first.qx"));
}

void TestFileDialog::platformDialogFollowsTheProperties() {
    const QString target = dir_.filePath(QStringLiteral("existing.qx"));
    {
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QString title;
    QStringList filters;
    QString selectedFilter;
    QString directory;
    QString suffix;
    bool save = false;
    bool confirmsOverwrite = true;
    whenDialogOpens([&](QFileDialog* d) {
        title = d->windowTitle();
        filters = d->nameFilters();
        selectedFilter = d->selectedNameFilter();
        directory = d->directory().absolutePath();
        suffix = d->defaultSuffix();
        save = d->acceptMode() == QFileDialog::AcceptSave;
        confirmsOverwrite = !d->testOption(QFileDialog::DontConfirmOverwrite);
        if (confirmsOverwrite)
            d->reject(); // accepting would ask about the existing file and wait forever
        else
            typeAndAccept(d, target);
    });

    cmnDlg dlg;
    dlg.DialogTitle = QStringLiteral("New Vantrel file");
    dlg.FileName = QStringLiteral("*.qx");
    dlg.InitDir = dir_.path();
    dlg.Filter = QStringLiteral("Vantrel files|*.qx;*.bak|Everything|");
    dlg.FilterIndex = 2;
    dlg.DefaultExt = QStringLiteral(".qx");
    dlg.ShowSave();

    QCOMPARE(title, QStringLiteral("New Vantrel file"));
    QCOMPARE(filters, (QStringList{QStringLiteral("Vantrel files (*.qx *.bak)"),
                                   QStringLiteral("Everything (*.qx)")}));
    QCOMPARE(selectedFilter, QStringLiteral("Everything (*.qx)"));
    QCOMPARE(directory, QDir(dir_.path()).absolutePath());
    QCOMPARE(suffix, QStringLiteral("qx"));
    QVERIFY(save);
    QVERIFY(!confirmsOverwrite); // the program asks its own question
    QCOMPARE(dlg.APIReturn(), 1);
    QCOMPARE(dlg.FileName, target);
    QCOMPARE(dlg.FilterIndex, 2);

    bool open = false;
    whenDialogOpens([&](QFileDialog* d) {
        filters = d->nameFilters();
        open = d->acceptMode() == QFileDialog::AcceptOpen && d->fileMode() == QFileDialog::ExistingFile;
        typeAndAccept(d, target);
    });
    dlg.FileName = QStringLiteral("*.qx");
    dlg.Filter = QStringLiteral("Vantrel files (*.qx)");
    dlg.FilterIndex = 0;
    dlg.ShowOpen();
    QVERIFY(open);
    QCOMPARE(filters, QStringList{QStringLiteral("Vantrel files (*.qx)")});
    QCOMPARE(dlg.FileName, target);
    QCOMPARE(dlg.FileTitle, QStringLiteral("existing.qx"));

    // Cancelling the real dialog leaves the name alone.
    whenDialogOpens([](QFileDialog* d) { d->reject(); });
    dlg.FileName = QStringLiteral("*.qx");
    dlg.CancelError = false;
    dlg.ShowOpen();
    QCOMPARE(dlg.APIReturn(), 0);
    QCOMPARE(dlg.FileName, QStringLiteral("*.qx"));
}

QTEST_MAIN(TestFileDialog)
#include "tst_filedialog.moc"
