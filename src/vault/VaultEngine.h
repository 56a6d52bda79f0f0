#pragma once

#include "AccountRecord.h"
#include "AccountRows.h"

#include <QString>
#include <QStringList>

#include <stdexcept>
#include <vector>

using AccountRecords = std::vector<AccountRecord>;

// The one error type every failing engine operation throws.
class VaultError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a save came to. Only Saved wrote anything; after any other the file on disk is as it was.
enum class SaveResult {
    Saved,
    Failed,        // not written: the folder, permissions, a full disk, another writer busy with it
    ChangedOnDisk, // another program changed the file since this engine opened or last saved it
    TooLarge,      // the file would be bigger than OpenFile opens, so it could never be read again
};

// The open password file and everything in it. The program reads and writes accounts only
// through these operations. Operations that need an open file throw VaultError without one.
class VaultEngine {
public:
    virtual ~VaultEngine() = default;

    virtual bool IsOpen() const = 0;
    virtual QString CurrentFileName() const = 0; // file name part of the path; "" when none
    virtual QString CurrentFilePath() const = 0;
    virtual QString CategoryName(int category) const = 0;
    virtual QStringList GeneratePasswords(int count, int length) = 0;
    // ID 0 adds the account and gives it an identifier; otherwise replaces that account.
    // False when the identifier does not exist or the category code is not 0 to 12.
    virtual bool PutRecord(AccountRecord& record) = 0;
    virtual int GetRecords(AccountRecords& out, int category) = 0; // 99 = every category
    virtual int FindRecords(const QString& text, AccountRecords& out) = 0;
    // What the account list shows of the accounts GetRecords and FindRecords give, in the same
    // order, without building their full records: for the list and the command line's listings.
    virtual int ListRows(AccountRows& out, int category) = 0; // 99 = every category
    virtual int FindRows(const QString& text, AccountRows& out) = 0;
    // True when another account than skipId has exactly this password; owner gets its Description.
    virtual bool PasswordInUse(const QString& password, QString& owner, int skipId) = 0;
    virtual int RecordCount(const AccountRecords& records) const = 0;
    virtual int CategoryCount(int category) const = 0;
    virtual QString GetWebAddress(int id, int category) const = 0;
    // Category 0 (or 99) finds the account by identifier alone; so do GetWebAddress and
    // DeleteRecord. An account that does not exist throws.
    virtual void GetRecord(int id, int category, AccountRecord& out) const = 0;
    virtual void Pause(int milliseconds) = 0;
    virtual int AccountCount() const = 0;
    virtual void DeleteRecord(int id, int category, bool single) = 0;
    virtual QString GeneratePassword(int length) = 0;
    virtual QString DigestText(const QString& text) const = 0;
    virtual void CloseFile() = 0;
    // Never throws: false for a wrong password or any unreadable file, and then nothing is open.
    virtual bool OpenFile(const QString& path, const QString& masterPassword) = 0;
    // Saves unless the file changed on disk since it was opened or saved here: true when saved.
    virtual bool SaveFile() = 0;
    // The same with the reason for not saving; overwriteChangedFile writes over another program's
    // changes, which are then lost.
    virtual SaveResult SaveFileChecked(bool overwriteChangedFile) = 0;
    // Before a save replaces the file, keep the version it replaces as NAME.bak (on by default).
    virtual void SetKeepBackup(bool keep) = 0;
    // A new key from newPassword, with a fresh salt and the limits of new files; the next save
    // seals the file with it. False, and nothing changes, when current is not the master password
    // of the open file.
    virtual bool ChangeMasterPassword(const QString& current, const QString& newPassword) = 0;
    // Writes a new empty file (replacing one at that path atomically) and leaves it open.
    virtual bool CreateFile(const QString& path, const QString& masterPassword) = 0;
    // Frees the path for a new file. The old file stays on disk until CreateFile replaces it,
    // so a new file abandoned half-way never costs the user an existing vault.
    virtual void DeleteFile(const QString& path) = 0;
};
