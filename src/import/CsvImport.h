#pragma once

#include "AccountRecord.h"
#include "Categories.h"
#include "CsvReader.h"
#include "StoredAccount.h"
#include "VaultEngine.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <vector>

// Accounts from the CSV exports of other password managers and browsers, and from our own
// export. Nothing is added until the whole file has been read and every row mapped, so a file
// with a fault anywhere adds nothing at all.

enum class ImportFormat { Auto, KeePassXC, Bitwarden, Chromium, Firefox, Vantrel, Generic };

QString formatName(ImportFormat format);      // as shown to people: "KeePassXC"
ImportFormat formatByKey(const QString& key); // "keepassxc", "chrome", ... (any case); Auto if unknown
QStringList formatKeys();                     // the keys formatByKey knows, one per format

struct ImportOptions {
    ImportFormat format = ImportFormat::Auto; // Auto: recognised by the header line
    // The category of every row whose category the file does not give itself; -1 for the usual
    // choice: web sites for rows with an address, Misc for the others.
    int category = -1;
};

struct ImportBatch {
    ImportFormat format = ImportFormat::Auto;
    std::vector<StoredAccount> accounts; // kept packed: a large file costs little memory
    int duplicates = 0;                  // rows dropped as already in the vault
    int emptyRows = 0;                   // rows with no value at all

    AccountRecord account(size_t index) const; // a full record, ID 0, ready to store
    std::array<int, CategoryCountTotal> perCategory() const;
};

// The largest file read: far beyond any real export, small enough to hold in memory.
inline constexpr qint64 kMaxImportBytes = 256 * 1024 * 1024;

// Reads the file, refusing what is not a regular readable file or is too large.
ImportProblem readImportFile(const QString& path, QByteArray& bytes);

// Reads every record and maps each to an account; on a problem the batch is empty.
ImportProblem readCsvImport(const QByteArray& bytes, const ImportOptions& options, ImportBatch& batch);

// Drops the accounts whose description, account name and password are those of an account
// already in the open vault, and counts them.
void dropDuplicates(ImportBatch& batch, VaultEngine& engine);

// Stores every account of the batch, or none: on a failure the ones already stored are removed.
bool addAll(const ImportBatch& batch, VaultEngine& engine);

// Overwrites the file's bytes with zeros, flushes them to the disk and removes the file. On
// copy-on-write file systems and flash disks old copies of the blocks may survive all the same.
bool shredFile(const QString& path);
