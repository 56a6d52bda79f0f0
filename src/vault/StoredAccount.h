#pragma once

#include "AccountRecord.h"
#include "Utf8.h"

#include <QString>

#include <array>
#include <utility>

// A stored text: checked UTF-8, in place where the account keeps it.
struct StoredText {
    const quint8* data = nullptr;
    quint32 size = 0;

    bool isEmpty() const { return size == 0; }
    // Converted only now; every character is kept, a leading U+FEFF too.
    QString toString() const {
        if (size == 0)
            return {};
        QString s(qsizetype(size), Qt::Uninitialized);
        char16_t* begin = reinterpret_cast<char16_t*>(s.data());
        s.truncate(Utf8::decode(data, size, begin) - begin);
        return s;
    }
};

// One account as kept in memory: the CBOR item it is stored as (see PayloadCodec.h), in place in
// the decrypted file or, once added or changed here, in a buffer of its own; and beside it the
// few numbers every listing needs without looking into the item.
struct StoredAccount {
    quint8* item = nullptr;
    quint32 size = 0;
    qint32 id = 0;
    quint32 common = 0; // offset of the first field every account has (Description on); size if none
    quint8 type = 0;
    bool owned = false; // the item is in a buffer of its own, freed with the account

    StoredAccount() = default;
    StoredAccount(quint8* item, quint32 size, qint32 id, int type, quint32 common, bool owned)
        : item(item), size(size), id(id), common(common), type(quint8(type)), owned(owned) {}
    ~StoredAccount() { freeOwn(); }
    StoredAccount(StoredAccount&& other) noexcept { *this = std::move(other); }
    StoredAccount& operator=(StoredAccount&& other) noexcept {
        if (this != &other) {
            freeOwn();
            item = std::exchange(other.item, nullptr);
            size = std::exchange(other.size, 0);
            id = other.id;
            common = other.common;
            type = other.type;
            owned = std::exchange(other.owned, false);
        }
        return *this;
    }
    StoredAccount(const StoredAccount&) = delete;
    StoredAccount& operator=(const StoredAccount&) = delete;

private:
    void freeOwn();
};

// Overwrites an account's item wherever it lies, before the account is replaced or deleted.
void wipe(StoredAccount& a);

// A string field's number: its position among the record's string fields, as stored in files.
int stringFieldNumber(QString AccountRecord::*member);

// By field number: the string fields that searches never look into.
extern const std::array<bool, 64> secretStringFields;

// The number of Description, the first of the fields every account has; StoredAccount::common
// points at it or at the first field after it.
extern const int kFirstCommonField;

// Reading a checked item. The functions below run once per account or per field on every
// listing, search and save, so they stay here where the compiler can inline them.
namespace StoredItem {

// The argument of the data item's head at p (any major type, any head length), p moved past it.
inline quint64 head(const quint8*& p) {
    const int info = *p & 31;
    if (info < 24) {
        ++p;
        return quint64(info);
    }
    const int n = 1 << (info - 24);
    quint64 v = 0;
    for (int i = 1; i <= n; ++i)
        v = (v << 8) | p[i];
    p += 1 + n;
    return v;
}

// Where the field pairs start: past the array head and the six fixed items.
inline const quint8* fields(const StoredAccount& a) {
    const quint8* p = a.item;
    head(p);      // the array
    head(p);      // id
    head(p);      // type
    p += 18;      // two 64-bit doubles
    head(p);      // reserved
    return p + 1; // the boolean
}

// Writes the shortest head for that major type and argument, as every CBOR writer of ours does;
// the end of what it wrote.
quint8* putHead(quint8* p, int major, quint64 v);

} // namespace StoredItem

// Calls f(number, text) on each string field from `from` on, in field-number order, while f
// returns true.
template <typename F> void forEachFieldFrom(const StoredAccount& a, const quint8* from, F&& f) {
    const quint8* p = from;
    const quint8* end = a.item + a.size;
    while (p < end) {
        const int number = int(StoredItem::head(p));
        const quint32 length = quint32(StoredItem::head(p));
        if (!f(number, StoredText{p, length}))
            return;
        p += length;
    }
}

template <typename F> void forEachField(const StoredAccount& a, F&& f) {
    forEachFieldFrom(a, StoredItem::fields(a), std::forward<F>(f));
}

// The text of one string field; empty when the account does not have it.
inline StoredText fieldOf(const StoredAccount& a, int number) {
    StoredText found;
    const quint8* from = number >= kFirstCommonField ? a.item + a.common : StoredItem::fields(a);
    forEachFieldFrom(a, from, [&](int n, StoredText text) {
        if (n == number)
            found = text;
        return n < number;
    });
    return found;
}

// The account as an item in a buffer of its own; throws std::bad_alloc.
StoredAccount pack(const AccountRecord& r);

// Fills r from a; string fields the account does not have are left as they are.
void unpack(const StoredAccount& a, AccountRecord& r);
