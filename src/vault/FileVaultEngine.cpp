#include "FileVaultEngine.h"

#include "AutomationDate.h"
#include "Categories.h"

#include <QCborStreamReader>
#include <QCborStreamWriter>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <sodium.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr char kMagic[8] = {'V', 'N', 'T', 'R', 'L', 'Q', 'X', '\0'};
constexpr quint16 kFormatVersion = 1;
constexpr quint8 kKdfArgon2id = 2;
constexpr int kSaltBytes = crypto_pwhash_SALTBYTES;
constexpr int kNonceBytes = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr int kKeyBytes = crypto_aead_xchacha20poly1305_ietf_KEYBYTES;
constexpr int kTagBytes = crypto_aead_xchacha20poly1305_ietf_ABYTES;
// magic, version, header size, kdf id, 3 zero bytes, opslimit, memlimit, salt, nonce
constexpr int kHeaderBytes = 8 + 2 + 2 + 1 + 3 + 8 + 8 + kSaltBytes + kNonceBytes;
// A vault bigger than this is not one of ours; refusing it early avoids exhausting memory.
constexpr qint64 kMaxFileBytes = qint64(1) << 30;

constexpr int kMaxPasswordLength = 4096;
constexpr int kMaxPasswordCount = 1000000;
constexpr qint64 kMaxGeneratedChars = qint64(64) << 20;

const int kStringFieldCount = int(accountStringFields().size());

// Field numbers of the string fields that searches never look into.
const std::array<bool, 64> kSecretField = [] {
    std::array<bool, 64> secret{};
    int n = 0;
    for (const AccountField& f : accountFields()) {
        if (f.kind == FieldKind::String)
            secret[size_t(n++)] = f.secret;
    }
    return secret;
}();

int stringFieldNumber(QString AccountRecord::*member) {
    const auto fields = accountStringFields();
    return int(std::find(fields.begin(), fields.end(), member) - fields.begin());
}
const int kDescriptionField = stringFieldNumber(&AccountRecord::Description);
const int kPasswordField = stringFieldNumber(&AccountRecord::Password);

void putLe(unsigned char* p, quint64 v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}
quint64 getLe(const unsigned char* p, int bytes) {
    quint64 v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

void wipe(QByteArray& bytes) {
    if (!bytes.isEmpty() && !bytes.isDetached())
        bytes.detach();
    if (!bytes.isEmpty())
        sodium_memzero(bytes.data(), size_t(bytes.size()));
    bytes.clear();
}

// Views on the packed strings of a stored account.
struct PackedField {
    int number;
    QStringView text;
};

template <typename F> void forEachField(const StoredAccount& a, F&& f) {
    const QChar* p = a.packed.constData();
    qsizetype offset = 3 * qsizetype(a.fieldCount);
    for (int i = 0; i < a.fieldCount; ++i) {
        const int number = p[3 * i].unicode();
        const qsizetype len = (qsizetype(p[3 * i + 1].unicode()) << 16) | p[3 * i + 2].unicode();
        if (!f(PackedField{number, QStringView(p + offset, len)}))
            return;
        offset += len;
    }
}

QStringView fieldOf(const StoredAccount& a, int number) {
    QStringView found;
    forEachField(a, [&](const PackedField& f) {
        if (f.number == number)
            found = f.text;
        return f.number < number;
    });
    return found;
}

StoredAccount pack(const AccountRecord& r) {
    StoredAccount a;
    a.id = r.ID;
    a.type = r.Type;
    a.expirationPwd = r.ExpirationPwd;
    a.recordDate = r.RecordDate;
    a.reserved = r.Reserved;
    a.myAccount = r.MyAccount;
    const auto fields = accountStringFields();
    qsizetype total = 0;
    int count = 0;
    for (auto member : fields) {
        if (!(r.*member).isEmpty()) {
            total += (r.*member).size();
            ++count;
        }
    }
    a.fieldCount = quint8(count);
    a.packed.resize(3 * count + total);
    QChar* out = a.packed.data();
    qsizetype text = 3 * count;
    int slot = 0;
    for (int n = 0; n < int(fields.size()); ++n) {
        const QString& s = r.*fields[size_t(n)];
        if (s.isEmpty())
            continue;
        out[3 * slot] = QChar(char16_t(n));
        out[3 * slot + 1] = QChar(char16_t(quint64(s.size()) >> 16));
        out[3 * slot + 2] = QChar(char16_t(s.size() & 0xFFFF));
        std::memcpy(out + text, s.constData(), size_t(s.size()) * sizeof(QChar));
        text += s.size();
        ++slot;
    }
    return a;
}

void unpack(const StoredAccount& a, AccountRecord& r) {
    r.Type = a.type;
    r.ID = a.id;
    r.ExpirationPwd = a.expirationPwd;
    r.RecordDate = a.recordDate;
    r.Reserved = a.reserved;
    r.MyAccount = a.myAccount;
    const auto fields = accountStringFields();
    forEachField(a, [&](const PackedField& f) {
        r.*fields[size_t(f.number)] = f.text.toString();
        return true;
    });
}

// Case-insensitive substring search (Horspool over case-folded UTF-16 units).
class Matcher {
public:
    explicit Matcher(const QString& needle) {
        needle_.reserve(size_t(needle.size()));
        for (QChar c : needle)
            needle_.push_back(fold(c.unicode()));
        const size_t m = needle_.size();
        skip_.fill(m);
        for (size_t i = 0; i + 1 < m; ++i)
            skip_[needle_[i] & 0xFF] = std::min(skip_[needle_[i] & 0xFF], m - 1 - i);
    }
    bool matches(QStringView hay) const {
        const size_t m = needle_.size(), n = size_t(hay.size());
        if (m == 0)
            return true;
        if (n < m)
            return false;
        const char16_t* h = hay.utf16();
        const char16_t last = needle_[m - 1];
        size_t pos = 0;
        while (pos + m <= n) {
            const char16_t c = fold(h[pos + m - 1]);
            if (c == last) {
                size_t i = 0;
                while (i + 1 < m && fold(h[pos + i]) == needle_[i])
                    ++i;
                if (i + 1 >= m)
                    return true;
            }
            pos += skip_[c & 0xFF];
        }
        return false;
    }

private:
    static char16_t fold(char16_t c) {
        if (c < 128)
            return (c >= 'A' && c <= 'Z') ? char16_t(c + 32) : c;
        return QChar::toCaseFolded(c);
    }
    std::u16string needle_;
    std::array<size_t, 256> skip_{};
};

double currentAutomationDate() { return toAutomationDate(QDateTime::currentDateTime()); }

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

// ---- payload ----------------------------------------------------------------------------------
//
// CBOR: [nextId, [account, ...]] where each account is
// [id, type, expirationPwd, recordDate, reserved, myAccount, fieldNumber, text, fieldNumber, text, ...]
// Field numbers are positions among the record's string fields and must never be renumbered.

QByteArray encodePayload(const VaultContents& contents) {
    QByteArray out;
    out.reserve(qsizetype(contents.accounts.size()) * 512 + 64);
    QCborStreamWriter w(&out);
    w.startArray(2);
    w.append(quint64(contents.nextId));
    w.startArray(quint64(contents.accounts.size()));
    for (const StoredAccount& a : contents.accounts) {
        w.startArray(6 + 2 * quint64(a.fieldCount));
        w.append(qint64(a.id));
        w.append(qint64(a.type));
        w.append(a.expirationPwd);
        w.append(a.recordDate);
        w.append(a.reserved);
        w.append(a.myAccount);
        forEachField(a, [&](const PackedField& f) {
            w.append(quint64(f.number));
            w.append(f.text);
            return true;
        });
        w.endArray();
    }
    w.endArray();
    w.endArray();
    return out;
}

namespace {

bool readInt(QCborStreamReader& r, qint64& v) {
    if (!r.isInteger())
        return false;
    v = r.toInteger();
    return r.next();
}
bool readDouble(QCborStreamReader& r, double& v) {
    if (!r.isDouble())
        return false;
    v = r.toDouble();
    return r.next();
}

// Appends a UTF-8 text string's characters to out, with no intermediate allocations.
bool readText(QCborStreamReader& r, QByteArray& scratch, std::u16string& out, qsizetype& length) {
    if (!r.isString())
        return false;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const size_t start = out.size();
    while (true) {
        const qsizetype chunk = r.currentStringChunkSize();
        if (chunk < 0)
            break;
        if (scratch.size() < chunk)
            scratch.resize(chunk);
        const auto res = r.readStringChunk(scratch.data(), chunk);
        if (res.status == QCborStreamReader::Error)
            return false;
        if (res.status == QCborStreamReader::EndOfString)
            break;
        const size_t at = out.size();
        out.resize(at + size_t(res.data));
        QChar* begin = reinterpret_cast<QChar*>(out.data());
        QChar* end = decoder.appendToBuffer(begin + at, QByteArrayView(scratch.constData(), res.data));
        out.resize(size_t(end - begin));
    }
    length = qsizetype(out.size() - start);
    return r.lastError() == QCborError::NoError;
}

} // namespace

bool decodePayload(QByteArrayView bytes, VaultContents& contents) {
    contents = {};
    QCborStreamReader r(bytes.data(), bytes.size());
    qint64 next = 0;
    if (!r.isArray() || !r.isLengthKnown() || r.length() != 2 || !r.enterContainer())
        return false;
    if (!readInt(r, next) || next < 1 || next > qint64(std::numeric_limits<qint32>::max()) + 1)
        return false;
    contents.nextId = quint32(next);
    if (!r.isArray() || !r.enterContainer())
        return false;
    QByteArray scratch;
    std::u16string texts;
    std::vector<std::array<char16_t, 3>> heads;
    bool ok = true;
    qint64 lastId = 0;
    while (ok && r.hasNext()) {
        ok = false;
        if (!r.isArray() || !r.enterContainer())
            break;
        StoredAccount a;
        qint64 id = 0, type = 0, reserved = 0;
        if (!readInt(r, id) || id <= lastId || id >= next || !readInt(r, type) || !isCategoryCode(int(type)))
            break;
        if (!readDouble(r, a.expirationPwd) || !readDouble(r, a.recordDate) || !readInt(r, reserved))
            break;
        if (!r.isBool())
            break;
        a.myAccount = r.toBool();
        if (!r.next())
            break;
        a.id = qint32(id);
        a.type = qint32(type);
        a.reserved = reserved;
        lastId = id;
        texts.clear();
        heads.clear();
        qint64 lastField = -1;
        bool fieldsOk = true;
        while (r.hasNext()) {
            qint64 number = 0;
            qsizetype len = 0;
            if (!readInt(r, number) || number <= lastField || number >= kStringFieldCount ||
                !readText(r, scratch, texts, len) || len > 0xFFFFFFFFll) {
                fieldsOk = false;
                break;
            }
            lastField = number;
            if (len > 0)
                heads.push_back({char16_t(number), char16_t(quint64(len) >> 16), char16_t(len & 0xFFFF)});
        }
        if (!fieldsOk || !r.leaveContainer())
            break;
        a.fieldCount = quint8(heads.size());
        a.packed.resize(qsizetype(3 * heads.size() + texts.size()));
        char16_t* out = reinterpret_cast<char16_t*>(a.packed.data());
        for (const auto& h : heads) {
            std::copy(h.begin(), h.end(), out);
            out += 3;
        }
        std::copy(texts.begin(), texts.end(), out);
        contents.accounts.push_back(std::move(a));
        ok = true;
    }
    if (!texts.empty())
        sodium_memzero(texts.data(), texts.size() * sizeof(char16_t));
    wipe(scratch);
    if (!ok || !r.leaveContainer() || !r.leaveContainer() || r.lastError() != QCborError::NoError ||
        r.currentOffset() != bytes.size()) {
        contents = {};
        return false;
    }
    return true;
}

// ---- key ----------------------------------------------------------------------------------------

struct FileVaultEngine::Key {
    unsigned char* bytes = nullptr;
    quint64 opsLimit = 0;
    quint64 memLimit = 0;
    unsigned char salt[kSaltBytes];

    Key() {
        bytes = static_cast<unsigned char*>(sodium_malloc(kKeyBytes));
        if (!bytes)
            throw VaultError("Out of secure memory");
    }
    ~Key() { sodium_free(bytes); } // sodium_free wipes the memory first
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    bool derive(const QString& password) {
        QByteArray utf8 = password.toUtf8();
        const int rc = crypto_pwhash(bytes, kKeyBytes, utf8.constData(), quint64(utf8.size()), salt, opsLimit,
                                     size_t(memLimit), crypto_pwhash_ALG_ARGON2ID13);
        wipe(utf8);
        return rc == 0;
    }
};

KdfLimits KdfLimits::moderate() { return {crypto_pwhash_OPSLIMIT_MODERATE, crypto_pwhash_MEMLIMIT_MODERATE}; }
KdfLimits KdfLimits::cheapest() { return {crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN}; }

// ---- engine -------------------------------------------------------------------------------------

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

void FileVaultEngine::setClock(std::function<double()> now) { now_ = std::move(now); }

void FileVaultEngine::requireOpen() const {
    if (!IsOpen())
        throw VaultError("No password file is open");
}

bool FileVaultEngine::IsOpen() const { return key_ != nullptr; }

QString FileVaultEngine::CurrentFileName() const { return IsOpen() ? QFileInfo(path_).fileName() : QString(); }

QString FileVaultEngine::CurrentFilePath() const { return IsOpen() ? path_ : QString(); }

QString FileVaultEngine::CategoryName(int category) const {
    const CategoryInfo* info = categoryInfo(category);
    return info ? QString::fromLatin1(info->newEntry) : QString();
}

const StoredAccount* FileVaultEngine::find(int id) const {
    const auto& v = contents_.accounts;
    auto it = std::lower_bound(v.begin(), v.end(), id, [](const StoredAccount& a, int x) { return a.id < x; });
    return (it != v.end() && it->id == id) ? &*it : nullptr;
}

const std::vector<quint32>& FileVaultEngine::displayOrder() {
    if (orderValid_)
        return order_;
    const auto& v = contents_.accounts;
    std::vector<QStringView> titles(v.size());
    for (size_t i = 0; i < v.size(); ++i)
        titles[i] = fieldOf(v[i], kDescriptionField);
    order_.resize(v.size());
    for (size_t i = 0; i < v.size(); ++i)
        order_[i] = quint32(i);
    // Accounts are kept by ascending id, so a stable sort leaves equal titles in id order.
    std::stable_sort(order_.begin(), order_.end(), [&](quint32 a, quint32 b) {
        return titles[a].compare(titles[b], Qt::CaseInsensitive) < 0;
    });
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
    const Matcher matcher(text);
    const auto& v = contents_.accounts;
    for (quint32 i : displayOrder()) {
        bool hit = text.isEmpty(); // an empty text matches every account, even one with only secrets
        if (!hit) {
            forEachField(v[i], [&](const PackedField& f) {
                hit = !kSecretField[size_t(f.number)] && matcher.matches(f.text);
                return !hit;
            });
        }
        if (hit)
            unpack(v[i], out.emplace_back());
    }
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

int FileVaultEngine::RecordCount(const AccountRecords& records) const { return int(records.size()); }

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
    QString AccountRecord::*member = nullptr;
    switch (a->type) {
    case WebSites: member = &AccountRecord::WebsiteUrl; break;
    case MailBoxes: member = &AccountRecord::WebEmail; break;
    case Banks: member = &AccountRecord::BankWebSite; break;
    case CreditCards: member = &AccountRecord::CardBankWebSite; break;
    case Forums: member = &AccountRecord::ForumUrl; break;
    default: return {};
    }
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
    auto it = std::lower_bound(v.begin(), v.end(), id, [](const StoredAccount& a, int x) { return a.id < x; });
    if (it == v.end() || it->id != id ||
        (category != it->type && category != WebSites && category != AllCategories))
        throw VaultError("The account does not exist");
    v.erase(it);
    orderValid_ = false;
}

QString FileVaultEngine::GeneratePassword(int length) {
    if (length < 0 || length > kMaxPasswordLength)
        throw VaultError("A password must be from 0 to 4096 characters long");
    static constexpr char16_t kUpper[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    static constexpr char16_t kLower[] = u"abcdefghijklmnopqrstuvwxyz";
    static constexpr char16_t kDigits[] = u"0123456789";
    static constexpr char16_t kSymbols[] = u"!#$%&()*+-./:;<=>?@[]^_{}~";
    static const std::u16string kAll = std::u16string(kUpper) + kLower + kDigits + kSymbols;
    auto classOf = [](char16_t c) {
        if (c >= 'A' && c <= 'Z')
            return 0;
        if (c >= 'a' && c <= 'z')
            return 1;
        if (c >= '0' && c <= '9')
            return 2;
        return 3;
    };
    QString password(length, Qt::Uninitialized);
    // Draw uniformly until every class is present: unbiased over the acceptable passwords.
    while (true) {
        int seen = 0;
        for (int i = 0; i < length; ++i) {
            const char16_t c = kAll[randombytes_uniform(quint32(kAll.size()))];
            password[i] = QChar(c);
            seen |= 1 << classOf(c);
        }
        if (length < 4 || seen == 0xF)
            return password;
    }
}

QStringList FileVaultEngine::GeneratePasswords(int count, int length) {
    if (count < 0 || count > kMaxPasswordCount)
        throw VaultError("From 0 to 1,000,000 passwords can be made at once");
    if (qint64(count) * std::max(length, 0) > kMaxGeneratedChars)
        throw VaultError("Too many characters asked for at once");
    QStringList out;
    out.reserve(count);
    for (int i = 0; i < count; ++i)
        out.append(GeneratePassword(length));
    return out;
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
        if (size < kHeaderBytes + kTagBytes || size > kMaxFileBytes)
            return false;
        QByteArray bytes = file.readAll();
        if (bytes.size() != size)
            return false;
        const auto* h = reinterpret_cast<const unsigned char*>(bytes.constData());
        if (std::memcmp(h, kMagic, sizeof kMagic) != 0)
            return false;
        const quint64 version = getLe(h + 8, 2);
        if (version != kFormatVersion || getLe(h + 10, 2) != kHeaderBytes || h[12] != kKdfArgon2id ||
            h[13] != 0 || h[14] != 0 || h[15] != 0)
            return false;
        auto key = std::make_unique<Key>();
        key->opsLimit = getLe(h + 16, 8);
        key->memLimit = getLe(h + 24, 8);
        if (key->opsLimit < crypto_pwhash_OPSLIMIT_MIN || key->opsLimit > MaxKdfOpsLimit ||
            key->memLimit < crypto_pwhash_MEMLIMIT_MIN || key->memLimit > MaxKdfMemLimit)
            return false;
        std::memcpy(key->salt, h + 32, kSaltBytes);
        const unsigned char* nonce = h + 32 + kSaltBytes;
        if (!key->derive(masterPassword))
            return false;
        const qsizetype cipherBytes = bytes.size() - kHeaderBytes;
        QByteArray plain(cipherBytes - kTagBytes, Qt::Uninitialized);
        unsigned long long plainBytes = 0;
        if (crypto_aead_xchacha20poly1305_ietf_decrypt(reinterpret_cast<unsigned char*>(plain.data()), &plainBytes,
                                                       nullptr, h + kHeaderBytes, quint64(cipherBytes), h,
                                                       kHeaderBytes, nonce, key->bytes) != 0)
            return false;
        VaultContents contents;
        const bool decoded = decodePayload(QByteArrayView(plain.constData(), qsizetype(plainBytes)), contents);
        wipe(plain);
        if (!decoded)
            return false;
        contents_ = std::move(contents);
        path_ = path;
        key_ = std::move(key);
        return true;
    } catch (...) {
        // Out of memory on a hostile file, or the secure allocator failing: refuse the file.
        CloseFile();
        return false;
    }
}

bool FileVaultEngine::writeFile() {
    QByteArray plain = encodePayload(contents_);
    QByteArray file(kHeaderBytes + plain.size() + kTagBytes, Qt::Uninitialized);
    auto* h = reinterpret_cast<unsigned char*>(file.data());
    std::memset(h, 0, kHeaderBytes);
    std::memcpy(h, kMagic, sizeof kMagic);
    putLe(h + 8, kFormatVersion, 2);
    putLe(h + 10, kHeaderBytes, 2);
    h[12] = kKdfArgon2id;
    putLe(h + 16, key_->opsLimit, 8);
    putLe(h + 24, key_->memLimit, 8);
    std::memcpy(h + 32, key_->salt, kSaltBytes);
    unsigned char* nonce = h + 32 + kSaltBytes;
    randombytes_buf(nonce, kNonceBytes); // never reuse a nonce under the same key
    unsigned long long cipherBytes = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(h + kHeaderBytes, &cipherBytes,
                                               reinterpret_cast<const unsigned char*>(plain.constData()),
                                               quint64(plain.size()), h, kHeaderBytes, nullptr, nonce, key_->bytes);
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
        auto key = std::make_unique<Key>();
        key->opsLimit = newFileLimits_.opsLimit;
        key->memLimit = newFileLimits_.memLimit;
        randombytes_buf(key->salt, kSaltBytes);
        if (!key->derive(masterPassword))
            return false;
        key_ = std::move(key);
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
