#include "PayloadCodec.h"

#include "Categories.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

const int kStringFieldCount = int(accountStringFields().size());

// Reads the decrypted buffer in place; every length is checked against what is left.
class PayloadReader {
public:
    PayloadReader(const quint8* p, size_t n) : p_(p), end_(p + n) {}
    const quint8* position() const { return p_; }
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
    bool real() {
        if (end_ - p_ < 9 || *p_ != 0xFB)
            return false;
        p_ += 9;
        return true;
    }
    bool boolean() {
        if (p_ == end_ || (*p_ != 0xF4 && *p_ != 0xF5))
            return false;
        ++p_;
        return true;
    }
    // A field number; the one-byte form, by far the most common, without further ado.
    bool fieldNumber(qint64& v) {
        if (p_ != end_ && *p_ < 24) {
            v = *p_++;
            return true;
        }
        return integer(v);
    }
    // A text string whose bytes are well-formed UTF-8.
    bool text() {
        quint64 length = 0;
        if (end_ - p_ >= 2 && (*p_ & 0xE0) == 0x60 && (*p_ & 31) <= 24) { // up to 255 bytes
            length = (*p_ & 31) < 24 ? quint64(*p_ & 31) : quint64(p_[1]);
            p_ += (*p_ & 31) < 24 ? 1 : 2;
        } else if (!head(3, length)) {
            return false;
        }
        if (length > quint64(end_ - p_) ||
            !(Utf8::ascii(p_, size_t(length)) || Utf8::valid(p_, size_t(length))))
            return false;
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

using StoredItem::putHead;

// Array heads and nextId at their longest.
constexpr size_t kHeadsBound = 1 + 9 + 9;

quint8* putHeads(const VaultContents& contents, quint8* p) {
    p = putHead(p, 4, 2);
    p = putHead(p, 0, contents.nextId);
    return putHead(p, 4, contents.accounts.size());
}

} // namespace

bool indexPayload(quint8* payload, size_t size, VaultContents& contents) {
    contents.accounts.clear();
    PayloadReader r(payload, size);
    quint64 length = 0, count = 0;
    qint64 next = 0;
    if (!r.array(length) || length != 2 || !r.integer(next) || next < 1 ||
        next > qint64(std::numeric_limits<qint32>::max()) + 1 || !r.array(count))
        return false;
    std::vector<StoredAccount> accounts;
    // An account takes at least 23 bytes, so a bigger count is a lie: never reserve on it alone.
    accounts.reserve(size_t(std::min<quint64>(count, quint64(size) / 23)));
    qint64 lastId = 0;
    for (quint64 k = 0; k < count; ++k) {
        const quint8* item = r.position();
        quint64 items = 0;
        qint64 id = 0, type = 0, reserved = 0;
        if (!r.array(items) || items < 6 || items % 2 != 0 || (items - 6) / 2 > quint64(kStringFieldCount))
            return false;
        if (!r.integer(id) || id <= lastId || id >= next || !r.integer(type) || type != qint32(type) ||
            !isCategoryCode(int(type)) || !r.real() || !r.real() || !r.integer(reserved) || !r.boolean())
            return false;
        lastId = id;
        const quint8* common = nullptr;
        qint64 lastField = -1;
        for (quint64 i = 0; i < (items - 6) / 2; ++i) {
            const quint8* pair = r.position();
            qint64 number = 0;
            if (!r.fieldNumber(number) || number <= lastField || number >= kStringFieldCount || !r.text())
                return false;
            lastField = number;
            if (!common && number >= kFirstCommonField)
                common = pair;
        }
        const size_t itemSize = size_t(r.position() - item);
        if (itemSize > std::numeric_limits<quint32>::max())
            return false;
        quint8* at = payload + (item - payload);
        accounts.emplace_back(at, quint32(itemSize), qint32(id), int(type),
                              quint32((common ? common : r.position()) - item), false);
    }
    if (!r.atEnd())
        return false;
    contents.nextId = quint32(next);
    contents.accounts = std::move(accounts);
    return true;
}

bool decodePayload(QByteArrayView bytes, VaultContents& contents) {
    contents = {};
    PlainBuffer copy(size_t(bytes.size()) + 16); // readable bytes after the payload, as in a file
    if (!bytes.isEmpty())
        std::memcpy(copy.data(), bytes.data(), size_t(bytes.size()));
    if (!indexPayload(copy.data(), size_t(bytes.size()), contents))
        return false;
    contents.file = std::move(copy);
    return true;
}

size_t encodedSize(const VaultContents& contents) {
    quint8 heads[kHeadsBound];
    size_t total = size_t(putHeads(contents, heads) - heads);
    for (const StoredAccount& a : contents.accounts)
        total += a.size;
    return total;
}

void encodePayload(const VaultContents& contents, quint8* out) {
    quint8* p = putHeads(contents, out);
    // Accounts that lie side by side where they were read go out in one copy: an unchanged vault
    // is one memcpy.
    const quint8* run = nullptr;
    size_t runSize = 0;
    for (const StoredAccount& a : contents.accounts) {
        if (run && a.item == run + runSize) {
            runSize += a.size;
            continue;
        }
        if (runSize)
            std::memcpy(p, run, runSize);
        p += runSize;
        run = a.item;
        runSize = a.size;
    }
    if (runSize)
        std::memcpy(p, run, runSize);
}

QByteArray encodePayload(const VaultContents& contents) {
    QByteArray out(qsizetype(encodedSize(contents)), Qt::Uninitialized);
    encodePayload(contents, reinterpret_cast<quint8*>(out.data()));
    return out;
}
