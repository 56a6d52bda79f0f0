#pragma once

#include "VaultEngine.h"

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <memory>

// Cost of the master password's key derivation (Argon2id).
struct KdfLimits {
    quint64 opsLimit;
    quint64 memLimit; // bytes

    static KdfLimits moderate(); // what new vaults get
    static KdfLimits cheapest(); // for tests and benchmarks only
};

// Limits a file's header may ask for before we refuse it without deriving anything.
inline constexpr quint64 MaxKdfOpsLimit = 100;
inline constexpr quint64 MaxKdfMemLimit = quint64(4) << 30;
// And together: memory times passes, so that no header, however hostile, makes opening stall
// for minutes (16 GiB-passes is four times what the most careful settings ask for).
inline constexpr quint64 MaxKdfWork = quint64(16) << 30;

// One account as kept in memory: a few numbers and one packed string, so 100,000 accounts
// cost a fraction of what as many full records would.
struct StoredAccount {
    qint32 id = 0;
    qint32 type = 0;
    double expirationPwd = 0.0;
    double recordDate = 0.0;
    qint64 reserved = 0;
    bool myAccount = false;
    quint8 fieldCount = 0;
    // fieldCount triples (string field number, length high 16 bits, length low 16 bits), then
    // the texts in the same order; only non-empty strings are kept.
    QString packed;
};

struct VaultContents {
    quint32 nextId = 1;
    std::vector<StoredAccount> accounts; // ascending by id
};

// Payload encoding, exposed for tests and the fuzz target.
QByteArray encodePayload(const VaultContents& contents);
bool decodePayload(QByteArrayView bytes, VaultContents& contents);

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

    bool IsOpen() const override;
    QString CurrentFileName() const override;
    QString CurrentFilePath() const override;
    QString CategoryName(int category) const override;
    QStringList GeneratePasswords(int count, int length) override;
    bool PutRecord(AccountRecord& record) override;
    int GetRecords(AccountRecords& out, int category) override;
    int FindRecords(const QString& text, AccountRecords& out) override;
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
    bool CreateFile(const QString& path, const QString& masterPassword) override;
    void DeleteFile(const QString& path) override;

private:
    struct Key;
    void requireOpen() const;
    const StoredAccount* find(int id) const;
    const std::vector<quint32>& displayOrder();
    bool writeFile();

    KdfLimits newFileLimits_;
    std::function<double()> now_;
    QString path_;
    VaultContents contents_;
    std::vector<quint32> order_; // indexes into contents_.accounts, by description then id
    std::vector<quint32> rank_;  // position in order_ of each account
    bool orderValid_ = false;
    std::unique_ptr<Key> key_;
    unsigned char digestKey_[32];
};
