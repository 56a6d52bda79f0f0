#include "FileVaultEngine.h"

#include "AutomationDate.h"
#include "Categories.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

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

// ---- payload ----------------------------------------------------------------------------------
//
// CBOR: [nextId, [account, ...]] where each account is
// [id, type, expirationPwd, recordDate, reserved, myAccount, fieldNumber, text, fieldNumber, text, ...]
// Field numbers are positions among the record's string fields and must never be renumbered.
// Only what we write is read back: definite lengths, 64-bit doubles, minimal integer heads
// not required. A general CBOR library costs several times the decryption on a big vault.

namespace {

// Writes into a buffer sized for the worst case beforehand, so nothing reallocates (and leaves
// a stray copy of the plaintext on the heap) and no write checks capacity.
class PayloadWriter {
public:
    explicit PayloadWriter(char* at) : p_(at) {}
    char* position() const { return p_; }
    void head(int major, quint64 v) { // shortest form
        const char m = char(major << 5);
        if (v < 24) {
            *p_++ = char(m | char(v));
            return;
        }
        const int code = v <= 0xFF ? 0 : v <= 0xFFFF ? 1 : v <= 0xFFFFFFFFu ? 2 : 3;
        *p_++ = char(m | char(24 + code));
        for (int i = (1 << code) - 1; i >= 0; --i)
            *p_++ = char(v >> (8 * i));
    }
    void integer(qint64 v) { v >= 0 ? head(0, quint64(v)) : head(1, quint64(-1 - v)); }
    void real(double d) {
        quint64 bits;
        std::memcpy(&bits, &d, sizeof d);
        *p_++ = char(0xFB);
        for (int i = 7; i >= 0; --i)
            *p_++ = char(bits >> (8 * i));
    }
    void boolean(bool b) { *p_++ = b ? char(0xF5) : char(0xF4); }
    void bytes(const char* data, qsizetype n) {
        std::memcpy(p_, data, size_t(n));
        p_ += n;
    }

private:
    char* p_;
};

// Reads the decrypted buffer in place; every length is checked against what is left.
class PayloadReader {
public:
    explicit PayloadReader(QByteArrayView b)
        : p_(reinterpret_cast<const quint8*>(b.data())), end_(p_ + b.size()) {}
    bool atEnd() const { return p_ == end_; }
    bool array(quint64& length) { return head(4, length); }
    bool integer(qint64& v) {
        if (p_ == end_ || (*p_ >> 5) > 1)
            return false;
        const int major = *p_ >> 5;
        quint64 arg = 0;
        if (!head(major, arg) || arg > quint64(std::numeric_limits<qint64>::max()))
            return false;
        v = major == 0 ? qint64(arg) : -1 - qint64(arg);
        return true;
    }
    bool real(double& v) {
        if (end_ - p_ < 9 || *p_ != 0xFB)
            return false;
        quint64 bits = 0;
        for (int i = 1; i <= 8; ++i)
            bits = (bits << 8) | p_[i];
        p_ += 9;
        std::memcpy(&v, &bits, sizeof v);
        return true;
    }
    bool boolean(bool& v) {
        if (p_ == end_ || (*p_ != 0xF4 && *p_ != 0xF5))
            return false;
        v = *p_++ == 0xF5;
        return true;
    }
    bool text(QByteArrayView& utf8) {
        quint64 length = 0;
        if (!head(3, length) || length > quint64(end_ - p_))
            return false;
        utf8 = QByteArrayView(p_, qsizetype(length));
        p_ += length;
        return true;
    }

private:
    // A data item's head of the given major type; indefinite lengths and reserved forms fail.
    bool head(int major, quint64& arg) {
        if (p_ == end_ || (*p_ >> 5) != major)
            return false;
        const int info = *p_ & 31;
        if (info < 24) {
            arg = quint64(info);
            ++p_;
            return true;
        }
        if (info > 27 || end_ - p_ < 1 + (1 << (info - 24)))
            return false;
        const int n = 1 << (info - 24);
        arg = 0;
        for (int i = 1; i <= n; ++i)
            arg = (arg << 8) | p_[i];
        p_ += 1 + n;
        return true;
    }

    const quint8* p_;
    const quint8* end_;
};

} // namespace

QByteArray encodePayload(const VaultContents& contents) {
    // Worst case: 9-byte heads and 3 UTF-8 bytes per UTF-16 unit.
    qsizetype bound = 32, longest = 0;
    for (const StoredAccount& a : contents.accounts) {
        bound += 9 * 7 + 18 * a.fieldCount + 3 * a.packed.size();
        longest = std::max(longest, a.packed.size());
    }
    QByteArray out(bound, Qt::Uninitialized);
    QByteArray utf8(3 * longest, Qt::Uninitialized);
    QStringEncoder encoder(QStringEncoder::Utf8, QStringConverter::Flag::Stateless);
    PayloadWriter w(out.data());
    w.head(4, 2);
    w.head(0, contents.nextId);
    w.head(4, contents.accounts.size());
    for (const StoredAccount& a : contents.accounts) {
        w.head(4, 6 + 2 * quint64(a.fieldCount));
        w.integer(a.id);
        w.integer(a.type);
        w.real(a.expirationPwd);
        w.real(a.recordDate);
        w.integer(a.reserved);
        w.boolean(a.myAccount);
        forEachField(a, [&](const PackedField& f) {
            w.head(0, quint64(f.number));
            const char* end = encoder.appendToBuffer(utf8.data(), f.text);
            w.head(3, quint64(end - utf8.constData()));
            w.bytes(utf8.constData(), end - utf8.constData());
            return true;
        });
    }
    wipe(utf8);
    out.truncate(w.position() - out.constData());
    return out;
}

bool decodePayload(QByteArrayView bytes, VaultContents& contents) {
    contents = {};
    PayloadReader r(bytes);
    quint64 length = 0, count = 0;
    qint64 next = 0;
    if (!r.array(length) || length != 2 || !r.integer(next) || next < 1 ||
        next > qint64(std::numeric_limits<qint32>::max()) + 1 || !r.array(count))
        return false;
    VaultContents decoded;
    decoded.nextId = quint32(next);
    // An account takes at least 23 bytes, so a bigger count is a lie: never reserve on it alone.
    decoded.accounts.reserve(size_t(std::min<quint64>(count, quint64(bytes.size()) / 23)));
    auto refuse = [&] {
        for (StoredAccount& a : decoded.accounts)
            sodium_memzero(a.packed.data(), size_t(a.packed.size()) * sizeof(QChar));
        return false;
    };
    // ConvertInitialBom: a text that starts with U+FEFF keeps it (by default Qt drops it as a BOM).
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    std::array<QByteArrayView, 64> texts;
    std::array<int, 64> numbers;
    qint64 lastId = 0;
    for (quint64 k = 0; k < count; ++k) {
        quint64 items = 0;
        StoredAccount a;
        qint64 id = 0, type = 0;
        if (!r.array(items) || items < 6 || items % 2 != 0 || (items - 6) / 2 > quint64(kStringFieldCount))
            return refuse();
        if (!r.integer(id) || id <= lastId || id >= next || !r.integer(type) || type != qint32(type) ||
            !isCategoryCode(int(type)) || !r.real(a.expirationPwd) || !r.real(a.recordDate) ||
            !r.integer(a.reserved) || !r.boolean(a.myAccount))
            return refuse();
        a.id = qint32(id);
        a.type = qint32(type);
        lastId = id;
        int kept = 0;
        qsizetype units = 0;
        qint64 lastField = -1;
        for (int i = 0; i < int((items - 6) / 2); ++i) {
            qint64 number = 0;
            QByteArrayView utf8;
            if (!r.integer(number) || number <= lastField || number >= kStringFieldCount || !r.text(utf8))
                return refuse();
            lastField = number;
            if (!utf8.isEmpty()) {
                numbers[size_t(kept)] = int(number);
                texts[size_t(kept++)] = utf8;
                units += utf8.size(); // UTF-16 never needs more units than UTF-8 has bytes
            }
        }
        // Decode straight into the packed string: no intermediate copy of the texts to wipe.
        a.fieldCount = quint8(kept);
        a.packed.resize(3 * kept + units);
        QChar* head = a.packed.data();
        QChar* out = head + 3 * kept;
        for (int i = 0; i < kept; ++i) {
            QChar* end = decoder.appendToBuffer(out, texts[size_t(i)]);
            const qsizetype len = end - out;
            head[3 * i] = QChar(char16_t(numbers[size_t(i)]));
            head[3 * i + 1] = QChar(char16_t(quint64(len) >> 16));
            head[3 * i + 2] = QChar(char16_t(len & 0xFFFF));
            out = end;
        }
        a.packed.truncate(out - head);
        decoded.accounts.push_back(std::move(a));
    }
    if (!r.atEnd())
        return refuse();
    contents = std::move(decoded);
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

KdfLimits KdfLimits::moderate() {
    return {crypto_pwhash_OPSLIMIT_MODERATE, crypto_pwhash_MEMLIMIT_MODERATE};
}
KdfLimits KdfLimits::cheapest() {
    return {crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN};
}

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

// Case folding as QStringView::compare(Qt::CaseInsensitive) applies it, unit by unit.
void appendFolded(std::u16string& out, QStringView text) {
    const char16_t* p = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = p[i];
        if (c < 128)
            out.push_back((c >= 'A' && c <= 'Z') ? char16_t(c + 32) : c);
        else if (QChar::isLowSurrogate(c) && i > 0 && QChar::isHighSurrogate(p[i - 1]))
            out.push_back(QChar::lowSurrogate(QChar::toCaseFolded(QChar::surrogateToUcs4(p[i - 1], c))));
        else
            out.push_back(QChar::toCaseFolded(c));
    }
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
    const Matcher matcher(text);
    const auto& v = contents_.accounts;
    displayOrder();
    // Scan in storage order, the order the texts lie in memory, then list the hits in display
    // order: walking the heap in title order costs a cache miss per account.
    std::vector<quint32> hits;
    for (size_t i = 0; i < v.size(); ++i) {
        bool hit = text.isEmpty(); // an empty text matches every account, even one with only secrets
        if (!hit) {
            forEachField(v[i], [&](const PackedField& f) {
                hit = !kSecretField[size_t(f.number)] && matcher.matches(f.text);
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
            key->memLimit < crypto_pwhash_MEMLIMIT_MIN || key->memLimit > MaxKdfMemLimit ||
            key->memLimit * key->opsLimit > MaxKdfWork)
            return false;
        std::memcpy(key->salt, h + 32, kSaltBytes);
        const unsigned char* nonce = h + 32 + kSaltBytes;
        if (!key->derive(masterPassword))
            return false;
        const qsizetype cipherBytes = bytes.size() - kHeaderBytes;
        QByteArray plain(cipherBytes - kTagBytes, Qt::Uninitialized);
        unsigned long long plainBytes = 0;
        if (crypto_aead_xchacha20poly1305_ietf_decrypt(
                reinterpret_cast<unsigned char*>(plain.data()), &plainBytes, nullptr, h + kHeaderBytes,
                quint64(cipherBytes), h, kHeaderBytes, nonce, key->bytes) != 0)
            return false;
        VaultContents contents;
        const bool decoded =
            decodePayload(QByteArrayView(plain.constData(), qsizetype(plainBytes)), contents);
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
    crypto_aead_xchacha20poly1305_ietf_encrypt(
        h + kHeaderBytes, &cipherBytes, reinterpret_cast<const unsigned char*>(plain.constData()),
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
