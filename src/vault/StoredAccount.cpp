#include "StoredAccount.h"

#include <sodium.h>

#include <algorithm>
#include <cstdlib>
#include <new>

int stringFieldNumber(QString AccountRecord::*member) {
    const auto fields = accountStringFields();
    return int(std::find(fields.begin(), fields.end(), member) - fields.begin());
}

const std::array<bool, 64> secretStringFields = [] {
    std::array<bool, 64> secret{};
    int n = 0;
    for (const AccountField& f : accountFields()) {
        if (f.kind == FieldKind::String)
            secret[size_t(n++)] = f.secret;
    }
    return secret;
}();

const int kFirstCommonField = stringFieldNumber(&AccountRecord::Description);

void StoredAccount::freeOwn() {
    if (owned && item) {
        sodium_memzero(item, size);
        std::free(item);
    }
    item = nullptr;
    owned = false;
}

void wipe(StoredAccount& a) {
    if (a.item)
        sodium_memzero(a.item, a.size);
}

quint8* StoredItem::putHead(quint8* p, int major, quint64 v) {
    const quint8 m = quint8(major << 5);
    if (v < 24) {
        *p++ = quint8(m | v);
        return p;
    }
    const int code = v <= 0xFF ? 0 : v <= 0xFFFF ? 1 : v <= 0xFFFFFFFFu ? 2 : 3;
    *p++ = quint8(m | (24 + code));
    for (int i = (1 << code) - 1; i >= 0; --i)
        *p++ = quint8(v >> (8 * i));
    return p;
}

namespace {

using StoredItem::putHead;

size_t headSize(quint64 v) {
    return v < 24 ? 1 : v <= 0xFF ? 2 : v <= 0xFFFF ? 3 : v <= 0xFFFFFFFFu ? 5 : 9;
}

quint8* putInteger(quint8* p, qint64 v) {
    return v >= 0 ? putHead(p, 0, quint64(v)) : putHead(p, 1, quint64(-1 - v));
}

quint8* putDouble(quint8* p, double d) {
    quint64 bits;
    std::memcpy(&bits, &d, sizeof d);
    *p++ = 0xFB;
    for (int i = 7; i >= 0; --i)
        *p++ = quint8(bits >> (8 * i));
    return p;
}

qint64 integerAt(const quint8*& p) {
    const bool negative = (*p >> 5) == 1;
    const quint64 v = StoredItem::head(p);
    return negative ? -1 - qint64(v) : qint64(v);
}

double doubleAt(const quint8*& p) {
    quint64 bits = 0;
    for (int i = 1; i <= 8; ++i)
        bits = (bits << 8) | p[i];
    p += 9;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

quint64 magnitude(qint64 v) {
    return v >= 0 ? quint64(v) : quint64(-1 - v);
}

} // namespace

StoredAccount pack(const AccountRecord& r) {
    const auto fields = accountStringFields();
    std::array<size_t, 64> utf8{};
    int kept = 0;
    size_t total = headSize(6) + headSize(magnitude(r.ID)) + headSize(magnitude(r.Type)) + 18 +
                   headSize(magnitude(r.Reserved)) + 1;
    for (size_t n = 0; n < fields.size(); ++n) {
        const QString& s = r.*fields[n];
        if (s.isEmpty())
            continue;
        utf8[n] = Utf8::encodedSize(reinterpret_cast<const char16_t*>(s.constData()), size_t(s.size()));
        total += headSize(n) + headSize(utf8[n]) + utf8[n];
        ++kept;
    }
    total += headSize(6 + 2 * quint64(kept)) - headSize(6);
    if (total > 0xFFFFFFFFu)
        throw std::bad_alloc();
    auto* item = static_cast<quint8*>(std::malloc(total));
    if (!item)
        throw std::bad_alloc();
    quint8* p = putHead(item, 4, 6 + 2 * quint64(kept));
    p = putInteger(p, r.ID);
    p = putInteger(p, r.Type);
    p = putDouble(p, r.ExpirationPwd);
    p = putDouble(p, r.RecordDate);
    p = putInteger(p, r.Reserved);
    *p++ = r.MyAccount ? 0xF5 : 0xF4;
    quint32 common = quint32(total);
    for (size_t n = 0; n < fields.size(); ++n) {
        const QString& s = r.*fields[n];
        if (s.isEmpty())
            continue;
        if (int(n) >= kFirstCommonField && common == total)
            common = quint32(p - item);
        p = putHead(p, 0, n);
        p = putHead(p, 3, utf8[n]);
        p = Utf8::encode(reinterpret_cast<const char16_t*>(s.constData()), size_t(s.size()), p);
    }
    return StoredAccount(item, quint32(total), r.ID, r.Type, common, true);
}

void unpack(const StoredAccount& a, AccountRecord& r) {
    const quint8* p = a.item;
    StoredItem::head(p); // the array
    r.ID = qint32(integerAt(p));
    r.Type = qint32(integerAt(p));
    r.ExpirationPwd = doubleAt(p);
    r.RecordDate = doubleAt(p);
    r.Reserved = integerAt(p);
    r.MyAccount = *p++ == 0xF5;
    const auto fields = accountStringFields();
    forEachFieldFrom(a, p, [&](int number, StoredText text) {
        if (!text.isEmpty())
            r.*fields[size_t(number)] = text.toString();
        return true;
    });
}
