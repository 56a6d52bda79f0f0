#include "FileDialog.h"

#include <QTest>

namespace {
QString nul(const char* text) {
    return QString::fromLatin1(text).replace(u'~', QChar(0));
}

// Plays the user's part and answers as told; errorCode -1 stands for a dialog that cannot run.
class ScriptedBackend final : public FileDialogBackend {
public:
    explicit ScriptedBackend(FileDialogAnswer answer) : answer_(std::move(answer)) {}
    FileDialogAnswer run(const FileDialogRequest&) override {
        if (answer_.errorCode < 0)
            throw std::runtime_error("no dialog");
        return answer_;
    }

private:
    FileDialogAnswer answer_;
};
} // namespace

Q_DECLARE_METATYPE(FileDialogAnswer)

class TestFileDialog : public QObject {
    Q_OBJECT
private slots:
    void filterConversionAndBufferCutting() {
        const QList<std::pair<const char*, const char*>> filters{
            {"", "~~"}, {"Vantrel files|*.qx", "Vantrel files~*.qx~~"}, {"A|*.a|B|*.b|", "A~*.a~B~*.b~~"}};
        for (const auto& [filter, converted] : filters)
            QCOMPARE(cmnDlg::convertFilter(filter), nul(converted));
        const QList<std::pair<const char*, const char*>> buffers{
            {"/home/me/v.qx~    ", "/home/me/v.qx"},
            {"/a/b.qx~~xyz", "/a/b.qx"},
            {"/home/me~one.qx~two.qx~~  ", "/home/me one.qx two.qx"},
            {"/a/b.qx", "/a/b.qx"},
            {"~~", ""}};
        for (const auto& [buffer, cut] : buffers)
            QCOMPARE(cmnDlg::cutBuffer(nul(buffer)), QString::fromLatin1(cut));
    }

    void outcomes_data() {
        QTest::addColumn<FileDialogAnswer>("answer");
        QTest::addColumn<bool>("cancelError");
        QTest::addColumn<bool>("raised");
        QTest::newRow("chosen") << FileDialogAnswer{true, "/home/me/vaults/mine.qx", 2, 0} << true << false;
        QTest::newRow("cancel") << FileDialogAnswer{} << false << false;
        QTest::newRow("cancel, CancelError") << FileDialogAnswer{} << true << true;
        // Only a plain cancel counts as "Cancel": a failing dialog reports its code instead.
        QTest::newRow("failure code, CancelError") << FileDialogAnswer{false, {}, 0, 12290} << true << false;
        QTest::newRow("no dialog at all, CancelError") << FileDialogAnswer{false, {}, 0, -1} << true << false;
    }

    void outcomes() {
        QFETCH(FileDialogAnswer, answer);
        QFETCH(bool, cancelError);
        QFETCH(bool, raised);
        ScriptedBackend backend(answer);
        cmnDlg dlg(backend);
        dlg.FileName = "*.qx";
        dlg.CancelError = cancelError;
        bool thrown = false;
        try {
            dlg.ShowOpen();
        } catch (const cmnDlgError& e) {
            thrown = true;
            QCOMPARE(e.number, 32755);
        }
        QCOMPARE(thrown, raised);
        QCOMPARE(dlg.APIReturn(), answer.chosen ? 1 : 0);
        QCOMPARE(dlg.ExtendedError(), qMax(answer.errorCode, 0));
        // A dialog that does not choose leaves the name as it was.
        QCOMPARE(dlg.FileName, answer.chosen ? answer.path : "*.qx");
        QCOMPARE(dlg.FileTitle, answer.chosen ? "mine.qx" : "");
        QCOMPARE(dlg.FilterIndex, answer.filterIndex);
    }
};

QTEST_GUILESS_MAIN(TestFileDialog)
#include "tst_filedialog.moc"
