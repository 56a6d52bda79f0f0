#include "FileDialog.h"

#include <QTest>

namespace {
QString nul(const char* text) {
    return QString(text).replace(u'~', QChar(0));
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

class TestFileDialog : public QObject {
    Q_OBJECT
private slots:
    void filterConversionAndBufferCutting() {
        const std::pair<const char*, const char*> filters[]{
            {"", "~~"}, {"Vantrel files|*.qx", "Vantrel files~*.qx~~"}, {"A|*.a|B|*.b|", "A~*.a~B~*.b~~"}};
        for (const auto& [filter, converted] : filters)
            QCOMPARE(cmnDlg::convertFilter(filter), nul(converted));
        const std::pair<const char*, const char*> buffers[]{
            {"/home/me/v.qx~    ", "/home/me/v.qx"},
            {"/a/b.qx~~xyz", "/a/b.qx"},
            {"/home/me~one.qx~two.qx~~  ", "/home/me one.qx two.qx"},
            {"/a/b.qx", "/a/b.qx"},
            {"~~", ""}};
        for (const auto& [buffer, cut] : buffers)
            QCOMPARE(cmnDlg::cutBuffer(nul(buffer)), cut);
    }

    // Only a plain cancel counts as "Cancel": a failing dialog, or none at all, reports its code
    // instead. A dialog that does not choose leaves the name as it was.
    void outcomes() {
        const std::tuple<FileDialogAnswer, bool, bool> cases[] = {
            // what the dialog answers, CancelError set, Cancel raised
            {{true, "/home/me/vaults/mine.qx", 2, 0}, true, false},
            {{}, false, false},
            {{}, true, true},
            {{false, {}, 0, 12290}, true, false},
            {{false, {}, 0, -1}, true, false}};
        for (const auto& [answer, cancelError, raised] : cases) {
            ScriptedBackend backend(answer);
            cmnDlg dlg(backend);
            dlg.FileName = "*.qx";
            dlg.CancelError = cancelError;
            int raisedError = 0;
            try {
                dlg.ShowOpen();
            } catch (const cmnDlgError& e) {
                raisedError = e.number;
            }
            QCOMPARE(std::tuple(raisedError, dlg.APIReturn(), dlg.ExtendedError()),
                     std::tuple(raised ? 32755 : 0, answer.chosen ? 1 : 0, qMax(answer.errorCode, 0)));
            const QString title = answer.chosen ? "mine.qx" : "";
            QCOMPARE(std::tuple(dlg.FileName, dlg.FileTitle, dlg.FilterIndex),
                     std::tuple(answer.chosen ? answer.path : "*.qx", title, answer.filterIndex));
        }
    }
};

QTEST_GUILESS_MAIN(TestFileDialog)
#include "tst_filedialog.moc"
