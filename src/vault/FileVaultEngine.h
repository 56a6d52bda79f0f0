#pragma once

#include "PayloadCodec.h"
#include "VaultEngine.h"
#include "VaultFile.h"
#include "VaultFormat.h"

#include <functional>
#include <memory>
#include <vector>

// The vault engine on an encrypted file: Argon2id derives the key from the master password,
// XChaCha20-Poly1305 seals the whole CBOR payload with the header as associated data.
class FileVaultEngine final : public VaultEngine {
public:
    explicit FileVaultEngine(KdfLimits newFileLimits = KdfLimits::moderate());
    ~FileVaultEngine() override;
    FileVaultEngine(const FileVaultEngine&) = delete;
    FileVaultEngine& operator=(const FileVaultEngine&) = delete;

    // Source of "now" for RecordDate, as an automation date; tests pin it.
    void setClock(std::function<double()> now);
    // Every write takes the vault's lock file for its check and replacement, waiting up to this
    // long for another writer (2 seconds unless set).
    void setLockWait(int milliseconds);
    // For a caller that holds the lock itself from reading the file to saving it.
    void setCallerHoldsLock(bool holds);
    // The largest file this engine opens, and so writes (VaultFormat::MaxFileBytes unless set).
    void setMaxFileBytes(qint64 bytes);
    // Why the last save or create did not write, in English for the command line; "" after a success.
    QString saveFailure() const;

    bool IsOpen() const override;
    QString CurrentFileName() const override;
    QString CurrentFilePath() const override;
    QString CategoryName(int category) const override;
    QStringList GeneratePasswords(int count, int length) override;
    bool PutRecord(AccountRecord& record) override;
    int GetRecords(AccountRecords& out, int category) override;
    int FindRecords(const QString& text, AccountRecords& out) override;
    int ListRows(AccountRows& out, int category) override;
    int FindRows(const QString& text, AccountRows& out) override;
    bool PasswordInUse(const QString& password, QString& owner, int skipId) override;
    int RecordCount(const AccountRecords& records) const override;
    int CategoryCount(int category) const override;
    QString GetWebAddress(int id, int category) const override;
    void GetRecord(int id, int category, AccountRecord& out) const override;
    void Pause(int milliseconds) override;
    int AccountCount() const override;
    void DeleteRecord(int id, int category, bool single) override;
    QString GeneratePassword(int length) override;
    QString DigestText(const QString& text) const override;
    void CloseFile() override;
    bool OpenFile(const QString& path, const QString& masterPassword) override;
    bool SaveFile() override;
    SaveResult SaveFileChecked(bool overwriteChangedFile) override;
    void SetKeepBackup(bool keep) override;
    bool ChangeMasterPassword(const QString& current, const QString& newPassword) override;
    bool CreateFile(const QString& path, const QString& masterPassword) override;
    void DeleteFile(const QString& path) override;

private:
    void requireOpen() const;
    const StoredAccount* find(int id) const;
    const std::vector<quint32>& displayOrder();
    std::vector<quint32> hitsOf(const QString& text) const; // ascending
    std::vector<quint32> inDisplayOrder(const std::vector<quint32>& ascending);
    void fillRows(AccountRows& out, const std::vector<quint32>& ascending);
    enum class WriteMode { Create, Save, Overwrite };
    SaveResult writeFile(WriteMode mode);
    SaveResult refuse(SaveResult result, const char* why);

    KdfLimits newFileLimits_;
    std::function<double()> now_;
    QString path_;
    VaultContents contents_;
    std::vector<quint32> order_; // positions in contents_.accounts, by description then id
    std::vector<quint32> rank_;  // position in order_ of each account
    bool orderValid_ = false;
    std::unique_ptr<VaultFormat::Key> key_;
    bool rekeyed_ = false;         // since the last write
    VaultFile::Identity identity_; // of the file as last read or written
    bool keepBackup_ = true;
    bool callerHoldsLock_ = false;
    int lockWaitMs_ = 2000;
    qint64 maxFileBytes_ = VaultFormat::MaxFileBytes;
    QString saveFailure_;
    unsigned char digestKey_[32];
};
