#include "PayloadCodec.h"

#include "Categories.h"
#include "SecureWipe.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <limits>

namespace {

const int kStringFieldCount = int(accountStringFields().size());

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
    // Whatever way this ends but success, malformed bytes or an allocation that fails, the texts
    // decoded so far are wiped.
    struct WipeUnlessKept {
        VaultContents& contents;
        ~WipeUnlessKept() {
            for (StoredAccount& a : contents.accounts)
                wipe(a);
        }
    } guard{decoded};
    decoded.nextId = quint32(next);
    // An account takes at least 23 bytes, so a bigger count is a lie: never reserve on it alone.
    decoded.accounts.reserve(size_t(std::min<quint64>(count, quint64(bytes.size()) / 23)));
    // ConvertInitialBom: a text that starts with U+FEFF keeps it (by default Qt drops it as a BOM).
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    std::array<QByteArrayView, 64> texts;
    std::array<int, 64> numbers;
    qint64 lastId = 0;
    for (quint64 k = 0; k < count; ++k) {
        quint64 items = 0;
        StoredAccount a;
        WipeOnExit wipeUnstored(a.packed); // moved into the vault, it leaves nothing here
        qint64 id = 0, type = 0;
        if (!r.array(items) || items < 6 || items % 2 != 0 || (items - 6) / 2 > quint64(kStringFieldCount))
            return false;
        if (!r.integer(id) || id <= lastId || id >= next || !r.integer(type) || type != qint32(type) ||
            !isCategoryCode(int(type)) || !r.real(a.expirationPwd) || !r.real(a.recordDate) ||
            !r.integer(a.reserved) || !r.boolean(a.myAccount))
            return false;
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
                return false;
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
        return false;
    contents.nextId = decoded.nextId;
    contents.accounts.swap(decoded.accounts); // leaves the guard nothing to wipe
    return true;
}
