#include "FileVaultEngine.h"

#include "AutomationDate.h"
#include "Categories.h"
#include "PasswordGenerator.h"
#include "PayloadCodec.h"
#include "SecureWipe.h"
#include "TextMatcher.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sodium.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const int kDescriptionField = stringFieldNumber(&AccountRecord::Description);
const int kPasswordField = stringFieldNumber(&AccountRecord::Password);

double currentAutomationDate() {
    return toAutomationDate(QDateTime::currentDateTime());
}

} // namespace

FileVaultEngine::FileVaultEngine(KdfLimits newFileLimits)
    : newFileLimits_(newFileLimits), now_(currentAutomationDate) {
    if (sodium_init() < 0)
        throw VaultError("The cryptography library could not start");
    randombytes_buf(digestKey_, sizeof digestKey_);
}

FileVaultEngine::~FileVaultEngine() {
    CloseFile();
    sodium_memzero(digestKey_, sizeof digestKey_);
}

void FileVaultEngine::setClock(std::function<double()> now) {
    now_ = std::move(now);
}

void FileVaultEngine::setLockWait(int milliseconds) {
    lockWaitMs_ = milliseconds;
}

void FileVaultEngine::setCallerHoldsLock(bool holds) {
    callerHoldsLock_ = holds;
}

void FileVaultEngine::setMaxFileBytes(qint64 bytes) {
    maxFileBytes_ = std::min(bytes, VaultFormat::MaxFileBytes);
}

QString FileVaultEngine::saveFailure() const {
    return saveFailure_;
}

void FileVaultEngine::SetKeepBackup(bool keep) {
    keepBackup_ = keep;
}

void FileVaultEngine::requireOpen() const {
    if (!IsOpen())
        throw VaultError("No password file is open");
}

bool FileVaultEngine::IsOpen() const {
    return key_ != nullptr;
}

QString FileVaultEngine::CurrentFileName() const {
    return IsOpen() ? QFileInfo(path_).fileName() : QString();
}

QString FileVaultEngine::CurrentFilePath() const {
    return IsOpen() ? path_ : QString();
}

QString FileVaultEngine::CategoryName(int category) const {
    const CategoryInfo* info = categoryInfo(category);
    return info ? QString::fromLatin1(info->newEntry) : QString();
}

const StoredAccount* FileVaultEngine::find(int id) const {
    const auto& v = contents_.accounts;
    auto it =
        std::lower_bound(v.begin(), v.end(), id, [](const StoredAccount& a, int x) { return a.id < x; });
    return (it != v.end() && it->id == id) ? &*it : nullptr;
}

const std::vector<quint32>& FileVaultEngine::displayOrder() {
    if (orderValid_)
        return order_;
    const auto& v = contents_.accounts;
    // Fold each title once into one compact buffer: the n log n comparisons then read keys
    // that fit in cache instead of folding titles scattered over the whole heap again and again.
    std::u16string folded;
    std::vector<std::pair<quint32, quint32>> keys(v.size()); // offset and length in folded
    for (size_t i = 0; i < v.size(); ++i) {
        const QStringView title = fieldOf(v[i], kDescriptionField);
        keys[i] = {quint32(folded.size()), quint32(title.size())};
        appendFolded(folded, title);
    }
    auto key = [&](quint32 i) { return std::u16string_view(folded.data() + keys[i].first, keys[i].second); };
    order_.resize(v.size());
    for (size_t i = 0; i < v.size(); ++i)
        order_[i] = quint32(i);
    // Accounts are kept by ascending id, so a stable sort leaves equal titles in id order.
    std::stable_sort(order_.begin(), order_.end(), [&](quint32 a, quint32 b) { return key(a) < key(b); });
    rank_.resize(v.size());
    for (size_t p = 0; p < order_.size(); ++p)
        rank_[order_[p]] = quint32(p);
    sodium_memzero(folded.data(), folded.size() * sizeof(char16_t));
    orderValid_ = true;
    return order_;
}

bool FileVaultEngine::PutRecord(AccountRecord& record) {
    requireOpen();
    if (!isCategoryCode(record.Type))
        return false;
    auto& v = contents_.accounts;
    if (record.ID == 0) {
        if (contents_.nextId > quint32(std::numeric_limits<qint32>::max()))
            throw VaultError("This password file has no account identifiers left");
        record.ID = qint32(contents_.nextId);
        record.RecordDate = now_();
        StoredAccount added = pack(record);
        try {
            v.push_back(std::move(added));
        } catch (...) {
            wipe(added);
            throw;
        }
        ++contents_.nextId;
    } else {
        auto it = std::lower_bound(v.begin(), v.end(), record.ID,
                                   [](const StoredAccount& a, int x) { return a.id < x; });
        if (it == v.end() || it->id != record.ID)
            return false;
        record.RecordDate = now_();
        StoredAccount replacement = pack(record);
        wipe(*it);
        *it = std::move(replacement);
    }
    orderValid_ = false;
    return true;
}

int FileVaultEngine::GetRecords(AccountRecords& out, int category) {
    requireOpen();
    out.clear();
    const auto& order = displayOrder();
    const auto& v = contents_.accounts;
    out.reserve(size_t(category == AllCategories ? int(v.size()) : CategoryCount(category)));
    for (quint32 i : order) {
        if (category == AllCategories || v[i].type == category)
            unpack(v[i], out.emplace_back());
    }
    return int(out.size());
}

int FileVaultEngine::FindRecords(const QString& text, AccountRecords& out) {
    requireOpen();
    out.clear();
    const TextMatcher matcher(text);
    const auto& v = contents_.accounts;
    displayOrder();
    // Scan in storage order, the order the texts lie in memory, then list the hits in display
    // order: walking the heap in title order costs a cache miss per account.
    std::vector<quint32> hits;
    for (size_t i = 0; i < v.size(); ++i) {
        bool hit = text.isEmpty(); // an empty text matches every account, even one with only secrets
        if (!hit) {
            forEachField(v[i], [&](const PackedField& f) {
                hit = !secretStringFields[size_t(f.number)] && matcher.matches(f.text);
                return !hit;
            });
        }
        if (hit)
            hits.push_back(quint32(i));
    }
    std::sort(hits.begin(), hits.end(), [&](quint32 a, quint32 b) { return rank_[a] < rank_[b]; });
    out.reserve(hits.size());
    for (quint32 i : hits)
        unpack(v[i], out.emplace_back());
    return int(out.size());
}

bool FileVaultEngine::PasswordInUse(const QString& password, QString& owner, int skipId) {
    requireOpen();
    if (password.isEmpty())
        return false;
    for (const StoredAccount& a : contents_.accounts) {
        if (a.id != skipId && fieldOf(a, kPasswordField) == password) {
            owner = fieldOf(a, kDescriptionField).toString();
            return true;
        }
    }
    return false;
}

int FileVaultEngine::RecordCount(const AccountRecords& records) const {
    return int(records.size());
}

int FileVaultEngine::CategoryCount(int category) const {
    requireOpen();
    if (category == AllCategories)
        return AccountCount();
    return int(std::count_if(contents_.accounts.begin(), contents_.accounts.end(),
                             [category](const StoredAccount& a) { return a.type == category; }));
}

QString FileVaultEngine::GetWebAddress(int id, int category) const {
    requireOpen();
    const StoredAccount* a = find(id);
    if (!a || (category != a->type && category != WebSites && category != AllCategories))
        return {};
    QString AccountRecord::*member = categoryInfo(a->type)->webAddress;
    if (!member)
        return {};
    return fieldOf(*a, stringFieldNumber(member)).trimmed().toString();
}

void FileVaultEngine::GetRecord(int id, int category, AccountRecord& out) const {
    requireOpen();
    const StoredAccount* a = find(id);
    if (!a || (category != a->type && category != WebSites && category != AllCategories))
        throw VaultError("The account does not exist");
    out.Clear();
    unpack(*a, out);
}

void FileVaultEngine::Pause(int) {}

int FileVaultEngine::AccountCount() const {
    requireOpen();
    return int(contents_.accounts.size());
}

void FileVaultEngine::DeleteRecord(int id, int category, bool) {
    requireOpen();
    auto& v = contents_.accounts;
    auto it =
        std::lower_bound(v.begin(), v.end(), id, [](const StoredAccount& a, int x) { return a.id < x; });
    if (it == v.end() || it->id != id ||
        (category != it->type && category != WebSites && category != AllCategories))
        throw VaultError("The account does not exist");
    wipe(*it);
    v.erase(it);
    orderValid_ = false;
}

QString FileVaultEngine::GeneratePassword(int length) {
    return generatePassword(length);
}

QStringList FileVaultEngine::GeneratePasswords(int count, int length) {
    return generatePasswords(count, length);
}

QString FileVaultEngine::DigestText(const QString& text) const {
    QByteArray utf8 = text.toUtf8();
    unsigned char digest[32];
    crypto_generichash(digest, sizeof digest, reinterpret_cast<const unsigned char*>(utf8.constData()),
                       quint64(utf8.size()), digestKey_, sizeof digestKey_);
    wipe(utf8);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest), sizeof digest).toHex());
}

void FileVaultEngine::CloseFile() {
    key_.reset();
    rekeyed_ = false;
    identity_ = {};
    for (StoredAccount& a : contents_.accounts)
        wipe(a);
    contents_ = {};
    order_.clear();
    rank_.clear();
    orderValid_ = false;
    path_.clear();
}

bool FileVaultEngine::OpenFile(const QString& path, const QString& masterPassword) {
    CloseFile();
    try {
        VaultFile::RegularFile file(path);
        QByteArray bytes;
        if (file.status() != VaultFile::RegularFile::Status::Open || !file.readAll(bytes, maxFileBytes_))
            return false;
        VaultFormat::Opened opened = VaultFormat::open(bytes, masterPassword);
        WipeOnExit wipePayload(opened.payload);
        if (opened.result != VaultFormat::OpenResult::Opened)
            return false;
        VaultContents contents;
        if (!decodePayload(opened.payload, contents))
            return false;
        identity_ = VaultFile::identityOf(file.info(), bytes, digestKey_);
        contents_ = std::move(contents);
        path_ = path;
        key_ = std::move(opened.key);
        return true;
    } catch (...) {
        // Out of memory on a hostile file, or the secure allocator failing: refuse the file.
        CloseFile();
        return false;
    }
}

SaveResult FileVaultEngine::refuse(SaveResult result, const char* why) {
    saveFailure_ = QString::fromLatin1(why);
    return result;
}

SaveResult FileVaultEngine::writeFile(WriteMode mode) {
    using VaultFile::RegularFile;
    saveFailure_.clear();
    QByteArray sealed;
    {
        QByteArray plain = encodePayload(contents_);
        WipeOnExit wipePlain(plain);
        sealed = VaultFormat::seal(*key_, plain);
    }
    if (sealed.size() > maxFileBytes_)
        return refuse(SaveResult::TooLarge, "the file would be too large to open again");

    VaultFile::Lock lock;
    if (!callerHoldsLock_) {
        const VaultFile::Lock::Result locked = lock.acquire(path_, lockWaitMs_);
        if (locked == VaultFile::Lock::Result::Busy)
            return refuse(SaveResult::Failed, "another program is saving it");
        if (locked == VaultFile::Lock::Result::Failed)
            return refuse(SaveResult::Failed, "its lock file cannot be made in its folder");
    }

    const QString target = VaultFile::resolvedTarget(path_);
    RegularFile current(target);
    if (current.status() == RegularFile::Status::NotRegular)
        return refuse(SaveResult::Failed, "it is not a regular file");
    if (current.status() == RegularFile::Status::Failed)
        return refuse(SaveResult::Failed, "it cannot be read");
    const bool replacing = current.status() == RegularFile::Status::Open;
    if (replacing && mode == WriteMode::Save) {
        VaultFile::Identity now;
        if (!current.identity(digestKey_, now))
            return refuse(SaveResult::Failed, "it cannot be read");
        if (now != identity_)
            return refuse(SaveResult::ChangedOnDisk, "another program changed it since it was read");
    }

    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return refuse(SaveResult::Failed, "a new file cannot be written in its folder");
    const int fd = out.handle();
    // Created vaults are for their owner's eyes only; a saved one keeps the permissions it has.
    struct stat replaced = current.info();
    if (!replacing) {
        replaced.st_uid = ::geteuid();
        replaced.st_gid = ::getegid();
    }
    const mode_t permissions = replacing && mode != WriteMode::Create ? replaced.st_mode & 0777 : 0600;
    if (!VaultFile::keepOwnerThenChmod(fd, replaced, permissions)) {
        out.cancelWriting();
        return refuse(SaveResult::Failed, "it belongs to another user, and its owner could not be kept");
    }
    if (out.write(sealed) != sealed.size() || !out.flush() || ::fsync(fd) != 0) {
        out.cancelWriting();
        return refuse(SaveResult::Failed, "the new file could not be written in full");
    }
    struct stat written {};
    ::fstat(fd, &written); // the same file once renamed into place
    if (replacing && keepBackup_ && mode != WriteMode::Create && !rekeyed_ &&
        !VaultFile::keepBackup(target, current)) {
        out.cancelWriting();
        return refuse(SaveResult::Failed, "the backup of the previous version could not be written");
    }
    if (!out.commit())
        return refuse(SaveResult::Failed, "the new file could not take the old one's place");
    VaultFile::fsyncFolderOf(target); // the rename is done; a failed folder sync is not a failed save
    identity_ = VaultFile::identityOf(written, sealed, digestKey_);
    if (rekeyed_) {
        // A backup under the old master password would still open with it: back up the new file.
        RegularFile now(target);
        const QString backup = target + QStringLiteral(".bak");
        if ((keepBackup_ || QFileInfo::exists(backup)) && !VaultFile::keepBackup(target, now))
            QFile::remove(backup);
        rekeyed_ = false;
    }
    return SaveResult::Saved;
}

SaveResult FileVaultEngine::SaveFileChecked(bool overwriteChangedFile) {
    requireOpen();
    try {
        return writeFile(overwriteChangedFile ? WriteMode::Overwrite : WriteMode::Save);
    } catch (const std::bad_alloc&) {
        return refuse(SaveResult::Failed, "out of memory");
    }
}

bool FileVaultEngine::SaveFile() {
    return SaveFileChecked(false) == SaveResult::Saved;
}

bool FileVaultEngine::ChangeMasterPassword(const QString& current, const QString& newPassword) {
    requireOpen();
    unsigned char salt[VaultFormat::SaltBytes];
    std::memcpy(salt, key_->salt(), sizeof salt);
    const auto check = VaultFormat::Key::derive(key_->limits(), salt, current);
    if (!check || sodium_memcmp(check->bytes(), key_->bytes(), VaultFormat::KeyBytes) != 0)
        return false;
    auto fresh = VaultFormat::Key::forNewFile(newFileLimits_, newPassword);
    if (!fresh)
        return false;
    key_ = std::move(fresh);
    rekeyed_ = true;
    return true;
}

bool FileVaultEngine::CreateFile(const QString& path, const QString& masterPassword) {
    CloseFile();
    if (path.isEmpty() || QFileInfo(path).isDir())
        return false;
    try {
        key_ = VaultFormat::Key::forNewFile(newFileLimits_, masterPassword);
        if (!key_)
            return false;
        path_ = path;
        if (writeFile(WriteMode::Create) != SaveResult::Saved) {
            const QString why = saveFailure_;
            CloseFile();
            saveFailure_ = why;
            return false;
        }
        return true;
    } catch (...) {
        CloseFile();
        return false;
    }
}

void FileVaultEngine::DeleteFile(const QString&) {
    // Deliberately nothing: CreateFile replaces the file atomically once the new one is written.
}
