#pragma once

#include "AccountRecord.h"
#include "SecureWipe.h"

#include <QString>
#include <QStringView>

#include <array>
#include <cstring>
#include <vector>

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

// Overwrites an account's texts before they go back to the heap: on edit, delete and close.
inline void wipe(StoredAccount& a) {
    wipe(a.packed);
    a.fieldCount = 0;
}

struct VaultContents {
    quint32 nextId = 1;
    std::vector<StoredAccount> accounts; // ascending by id
};

// A string field's number: its position among the record's string fields, as stored in files.
int stringFieldNumber(QString AccountRecord::*member);

// By field number: the string fields that searches never look into.
extern const std::array<bool, 64> secretStringFields;

// The functions below run once per account or per field on every listing, search and save,
// so they stay here where the compiler can inline them.

// One string of a stored account, viewed in place.
struct PackedField {
    int number;
    QStringView text;
};

// Calls f on each kept string in field-number order while f returns true.
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

// The text of one string field; empty when the account does not have it.
inline QStringView fieldOf(const StoredAccount& a, int number) {
    QStringView found;
    forEachField(a, [&](const PackedField& f) {
        if (f.number == number)
            found = f.text;
        return f.number < number;
    });
    return found;
}

inline StoredAccount pack(const AccountRecord& r) {
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

// Fills r from a; string fields the account does not have are left as they are.
inline void unpack(const StoredAccount& a, AccountRecord& r) {
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
