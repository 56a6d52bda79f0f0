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
#include <fcntl.h>
#include <limits>
#include <unistd.h>

namespace {

const int kDescriptionField = stringFieldNumber(&AccountRecord::Description);
const int kPasswordField = stringFieldNumber(&AccountRecord::Password);

double currentAutomationDate() {
    return toAutomationDate(QDateTime::currentDateTime());
}

bool fsyncFolderOf(const QString& path) {
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
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
        v.push_back(pack(record));
        ++contents_.nextId;
    } else {
        auto it = std::lower_bound(v.begin(), v.end(), record.ID,
                                   [](const StoredAccount& a, int x) { return a.id < x; });
        if (it == v.end() || it->id != record.ID)
            return false;
        record.RecordDate = now_();
        *it = pack(record);
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
    // Secrets live in the packed strings; overwrite them before they go back to the heap.
    for (StoredAccount& a : contents_.accounts) {
        if (!a.packed.isEmpty() && a.packed.isDetached())
            sodium_memzero(a.packed.data(), size_t(a.packed.size()) * sizeof(QChar));
    }
    contents_ = {};
    order_.clear();
    rank_.clear();
    orderValid_ = false;
    path_.clear();
}

bool FileVaultEngine::OpenFile(const QString& path, const QString& masterPassword) {
    CloseFile();
    try {
        QFile file(path);
        if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
            return false;
        const qint64 size = file.size();
        if (size > VaultFormat::MaxFileBytes) // not read at all
            return false;
        const QByteArray bytes = file.readAll();
        if (bytes.size() != size)
            return false;
        VaultFormat::Opened opened = VaultFormat::open(bytes, masterPassword);
        if (opened.result != VaultFormat::OpenResult::Opened)
            return false;
        VaultContents contents;
        const bool decoded = decodePayload(opened.payload, contents);
        wipe(opened.payload);
        if (!decoded)
            return false;
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

bool FileVaultEngine::writeFile() {
    QByteArray plain = encodePayload(contents_);
    const QByteArray file = VaultFormat::seal(*key_, plain);
    wipe(plain);

    const bool fresh = !QFileInfo::exists(path_);
    QSaveFile out(path_);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    // A new vault is for its owner's eyes only; an existing one keeps the permissions it has.
    if (fresh)
        out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (out.write(file) != file.size() || !out.flush() || ::fsync(out.handle()) != 0) {
        out.cancelWriting();
        return false;
    }
    if (!out.commit())
        return false;
    fsyncFolderOf(path_); // the rename is done; a failed folder sync is not a failed save
    return true;
}

bool FileVaultEngine::SaveFile() {
    requireOpen();
    try {
        return writeFile();
    } catch (const std::bad_alloc&) {
        return false;
    }
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
        if (!writeFile()) {
            CloseFile();
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
