#include "FileDialog.h"

#include <QFileDialog>
#include <QRegularExpression>

namespace {

bool hasWildcard(const QString& name) {
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

// One Qt name filter, "description (patterns)", from one description/pattern pair. Patterns
// may be given ";"-separated as well as blank-separated.
QString nameFilter(const QString& description, const QString& pattern, const QString& initialName) {
    static const QRegularExpression trailingPatterns(QStringLiteral("\\([^()]*\\)\\s*$"));
    QString patterns = QString(pattern).replace(QLatin1Char(';'), QLatin1Char(' ')).simplified();
    if (patterns.isEmpty()) {
        // Qt reads the patterns from the description's own "(...)"; without one, the initial
        // name "*.qx" is what keeps the program's files listed.
        if (description.contains(trailingPatterns))
            return description.trimmed();
        patterns = hasWildcard(initialName) ? initialName.trimmed() : QStringLiteral("*");
    }
    const QString text = description.trimmed().isEmpty() ? patterns : description.trimmed();
    if (text.endsWith(QLatin1Char('(') + patterns + QLatin1Char(')')))
        return text;
    return text + QStringLiteral(" (") + patterns + QLatin1Char(')');
}

} // namespace

FileDialogAnswer PlatformFileDialogs::run(const FileDialogRequest& request) {
    QFileDialog dialog(request.owner, request.title, request.initialDir);
    QStringList filters;
    for (qsizetype i = 0; i < request.filters.size(); i += 2) {
        const QString pattern = i + 1 < request.filters.size() ? request.filters.at(i + 1) : QString();
        filters.append(nameFilter(request.filters.at(i), pattern, request.initialName));
    }
    if (filters.isEmpty() && hasWildcard(request.initialName))
        filters.append(nameFilter({}, request.initialName, {}));
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
        dialog.selectNameFilter(filters.at(request.filterIndex - 1));

    if (request.kind == 2) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // The program asks its own question before replacing a file.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    QString suffix = request.defaultExt.trimmed();
    while (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    if (!suffix.isEmpty())
        dialog.setDefaultSuffix(suffix);
    if (!request.initialName.isEmpty() && !hasWildcard(request.initialName))
        dialog.selectFile(request.initialName);

    FileDialogAnswer answer;
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        answer.chosen = true;
        answer.path = dialog.selectedFiles().constFirst();
        answer.filterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
    }
    return answer;
}

void cmnDlg::ShowOpen() {
    show(1);
}

void cmnDlg::ShowSave() {
    show(2);
}

void cmnDlg::show(int kind) {
    if (kind != 1 && kind != 2)
        return;
    apiReturn_ = 0;
    extendedError_ = 0;

    FileDialogRequest request;
    request.kind = kind;
    request.owner = Owner;
    request.title = DialogTitle;
    request.initialDir = InitDir;
    request.initialName = FileName;
    request.filters = Filter.isEmpty() ? QStringList() : Filter.split(QLatin1Char('|'));
    request.filterIndex = FilterIndex;
    request.defaultExt = DefaultExt;
    request.flags = Flags;

    FileDialogAnswer answer;
    try {
        answer = backend_.run(request);
    } catch (const std::exception&) {
        return; // a dialog that could not run ends the command quietly
    }

    if (answer.chosen && !answer.path.isEmpty()) {
        apiReturn_ = 1;
        FileName = answer.path;
        FileTitle = answer.path.mid(answer.path.lastIndexOf(QLatin1Char('/')) + 1);
        FilterIndex = answer.filterIndex;
        return;
    }
    extendedError_ = answer.errorCode;
    // Only a plain cancel counts as "Cancel"; a failing dialog reports its code instead.
    if (answer.errorCode == 0 && CancelError)
        throw cmnDlgError(32755, "Cancel was selected.");
}

QString cmnDlg::convertFilter(const QString& filter) {
    QString converted = filter;
    converted.replace(QLatin1Char('|'), QChar(0));
    while (!converted.endsWith(QStringView(u"\0\0", 2)))
        converted.append(QChar(0));
    return converted;
}

QString cmnDlg::cutBuffer(const QString& buffer) {
    const qsizetype doubleNul = buffer.indexOf(QStringView(u"\0\0", 2));
    if (doubleNul < 0) {
        const qsizetype nul = buffer.indexOf(QChar(0));
        return nul < 0 ? buffer : buffer.left(nul);
    }
    return buffer.left(doubleNul).replace(QChar(0), QLatin1Char(' '));
}

QString cmnDlg::initialFolder(const QString& lastFolderAnswer) {
    // The LastFolder reader already cut the stored path to its folder (or gave the
    // executable's folder); that answer is where the dialogs open.
    return lastFolderAnswer;
}
