#include "ImportCsv.h"

#include "AppServices.h"
#include "CategoryBar.h"
#include "CsvImport.h"
#include "FileDialog.h"
#include "MainApi.h"
#include "Prompts.h"
#include "SecureWipe.h"
#include "Settings.h"
#include "SharedForm.h"
#include "TextCatalog.h"
#include "WaitCursor.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString problemText(const ImportProblem& p) {
    switch (p.kind) {
    case ImportProblem::None:
    case ImportProblem::Unreadable:
        break;
    case ImportProblem::NotUtf8:
        return Text(TextId::ImportNotUtf8).arg(p.line);
    case ImportProblem::UnclosedQuote:
        return Text(TextId::ImportUnclosedQuote).arg(p.line);
    case ImportProblem::StrayQuote:
        return Text(TextId::ImportStrayQuote).arg(p.line);
    case ImportProblem::FieldCount:
        return Text(TextId::ImportFieldCount).arg(p.line);
    case ImportProblem::UnknownHeader:
        return Text(TextId::ImportUnknownHeader);
    case ImportProblem::BadValue:
        return Text(TextId::ImportBadValue).arg(p.line).arg(p.column);
    }
    return Text(TextId::ImportUnreadable);
}

QString summary(const ImportBatch& batch) {
    QString text = Text(TextId::ImportFormatFound).arg(formatName(batch.format)) + u'\n' +
                   Text(TextId::ImportToAdd).arg(batch.accounts.size()) + u'\n';
    const auto counts = batch.perCategory();
    for (int code : categoryBarOrder()) {
        if (counts[size_t(code)] > 0)
            text += QStringLiteral("    %1: %2\n")
                        .arg(CategoryBar::categoryTitle(code))
                        .arg(counts[size_t(code)]);
    }
    if (batch.duplicates > 0)
        text += Text(TextId::ImportDuplicates).arg(batch.duplicates) + u'\n';
    return text + u'\n' + Text(TextId::ImportPlaintext);
}

// Reads and checks the whole file; false, after telling the user why, when it cannot be imported.
bool readBatch(AppServices& services, QWidget* window, const QString& path, ImportBatch& batch) {
    ImportProblem problem;
    {
        const WaitCursor busy;
        QByteArray bytes;
        problem = readImportFile(path, bytes);
        if (!problem)
            problem = readCsvImport(bytes, {}, batch);
        wipe(bytes);
        if (!problem)
            dropDuplicates(batch, services.engine());
    }
    if (problem)
        services.prompts.alert(window,
                               Text(TextId::ImportRefused) + QStringLiteral("\n\n") + problemText(problem),
                               Text(TextId::ImportTitle));
    return !problem;
}

} // namespace

void importCsv(MainApi& main) {
    AppServices& services = main.services();
    if (!services.engine().IsOpen())
        return;
    cmnDlg dialog(services.fileDialogs);
    dialog.Owner = main.mainWindow();
    dialog.DialogTitle = Text(TextId::ImportDialogTitle);
    dialog.Filter = Text(TextId::ImportFilter) + QStringLiteral("|*.csv");
    // Browsers and most managers save their exports in the downloads folder.
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    dialog.InitDir = QFileInfo(downloads).isDir() ? downloads : QDir::homePath();
    dialog.ShowOpen();
    if (dialog.APIReturn() == 0)
        return;
    const QString path = dialog.FileName;

    ImportBatch batch;
    if (!readBatch(services, main.mainWindow(), path, batch))
        return;
    if (batch.accounts.empty()) {
        services.notices.ShowPopUpMessage(Text(TextId::ImportNothingNew), 10, 0);
        return;
    }
    if (!services.prompts.askYesNo(main.mainWindow(), summary(batch), Text(TextId::ImportTitle)))
        return;
    if (!addAll(batch, services.engine())) {
        services.notices.ShowPopUpMessage(Text(TextId::ImportRefused), 10, 2);
        return;
    }
    main.set_Modified(true);
    main.ListAccounts(services.prefs.LastType());
    main.UpdateBar();

    // The CSV may only go once its accounts are on disk: shredding it first would leave them
    // in memory alone until a save that may never come.
    const int added = int(batch.accounts.size());
    if (!services.prompts.askYesNo(main.mainWindow(), Text(TextId::ImportShredPrompt),
                                   Text(TextId::ImportTitle))) {
        services.notices.ShowPopUpMessage(Text(TextId::ImportAdded).arg(added), 10, 0);
        return;
    }
    if (!main.SavePrompt(true))
        return; // the save has told the user why; the CSV stays
    if (shredFile(path))
        services.notices.ShowPopUpMessage(Text(TextId::ImportShredDone).arg(added), 10, 0);
    else
        services.notices.ShowPopUpMessage(Text(TextId::ImportShredFailed), 10, 2);
}
