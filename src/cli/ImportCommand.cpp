#include "ImportCommand.h"

#include "CliError.h"
#include "CsvImport.h"
#include "Output.h"
#include "RecordEditing.h"
#include "SecureWipe.h"

#include <cstdio>

namespace {

ImportOptions parseOptions(const ParsedArgs& a, const QString& command) {
    ImportOptions options;
    if (a.has(QStringLiteral("format"))) {
        options.format = formatByKey(a.value(QStringLiteral("format")));
        if (options.format == ImportFormat::Auto)
            usage(command, QStringLiteral("unknown format '%1'; use one of %2")
                               .arg(a.value(QStringLiteral("format")).left(40), formatKeys().join(u", ")));
    }
    if (a.has(QStringLiteral("category")))
        options.category = parseCategory(a.value(QStringLiteral("category")), command);
    return options;
}

QString summary(const ImportBatch& batch, const VaultEngine& engine, bool dryRun) {
    QString out = QStringLiteral("Format: %1\n%2: %3\n")
                      .arg(formatName(batch.format),
                           dryRun ? QStringLiteral("Accounts to add") : QStringLiteral("Accounts added"))
                      .arg(batch.accounts.size());
    const auto counts = batch.perCategory();
    for (int code : categoryBarOrder()) {
        if (counts[size_t(code)] > 0)
            out += QStringLiteral("  %1: %2\n").arg(engine.CategoryName(code)).arg(counts[size_t(code)]);
    }
    out += QStringLiteral("Duplicates skipped: %1\n").arg(batch.duplicates);
    if (batch.emptyRows > 0)
        out += QStringLiteral("Empty rows skipped: %1\n").arg(batch.emptyRows);
    if (dryRun)
        out += QStringLiteral("Nothing was written (--dry-run).\n");
    return out;
}

} // namespace

void runImportCommand(const ParsedArgs& a, const QString& command, const VaultSteps& vault) {
    const QString csv = a.positional[1];
    const ImportOptions options = parseOptions(a, command);
    const bool dryRun = a.has(QStringLiteral("dry-run"));
    const bool shred = a.has(QStringLiteral("shred"));
    const bool fromInput = csv == u"-";
    if (csv.isEmpty())
        usage(command, QStringLiteral("the CSV file name is empty"));
    if (dryRun && shred)
        usage(command, QStringLiteral("give --dry-run or --shred, not both"));
    if (fromInput && shred)
        usage(command, QStringLiteral("--shred needs a CSV file, not standard input"));

    const QString source = fromInput ? QStringLiteral("standard input") : QStringLiteral("'%1'").arg(csv);
    QByteArray bytes;
    ImportBatch batch;
    auto read = [&] {
        const ImportProblem p = readCsvImport(bytes, options, batch);
        wipe(bytes);
        if (p)
            fail(ExitUnreadable,
                 QStringLiteral("%1: %2, %3; nothing was imported").arg(command, source, describe(p)));
        if (batch.format == ImportFormat::Vantrel && options.category >= 0)
            usage(command,
                  QStringLiteral("--category does not go with a Vantrel export: its rows have theirs"));
    };
    // A file is checked before the master password is asked for; standard input comes after it.
    if (!fromInput) {
        if (const ImportProblem p = readImportFile(csv, bytes))
            fail(ExitUnreadable, QStringLiteral("%1: %2: %3").arg(command, source, p.detail));
        read();
    }
    VaultEngine& engine = vault.open();
    if (fromInput) {
        bool tooLarge = false;
        bytes = vault.restOfInput(kMaxImportBytes, tooLarge);
        if (tooLarge)
            fail(ExitUnreadable, QStringLiteral("%1: standard input holds more than %2 MB")
                                     .arg(command)
                                     .arg(kMaxImportBytes >> 20));
        read();
    }
    dropDuplicates(batch, engine);
    if (!dryRun && !batch.accounts.empty()) {
        if (!addAll(batch, engine))
            fail(ExitWriteFailed,
                 QStringLiteral("%1: the accounts could not be stored; nothing was imported").arg(command));
        vault.save();
    }
    writeOut(summary(batch, engine, dryRun));
    if (shred && !shredFile(csv))
        fail(ExitWriteFailed,
             QStringLiteral("%1: the import is saved, but %2 could not be overwritten and removed")
                 .arg(command, source));
    if (!fromInput && !shred && !dryRun)
        std::fprintf(stderr, "vantrel-cli: note: %s still holds the passwords in plain text (see --shred)\n",
                     oneLine(source).toUtf8().constData());
}
