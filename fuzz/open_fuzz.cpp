// libFuzzer target for reading vaults. The first input byte picks the entry point, the rest is
// the data:
//   0  a whole file, opened with OpenFile (almost always stopped by the header checks or the
//      authentication tag, which is the point: those must hold against anything)
//   1  a payload, given straight to decodePayload (the tag keeps random bytes away from the
//      parser, so it gets fed directly)
//   2  a payload, sealed into a valid file under the fuzz password and opened, so the engine's
//      operations run on whatever the parser accepted
// `open_fuzz --write-seeds DIR` writes a small starting corpus of real vaults and payloads.

#include "AccountRecord.h"
#include "Categories.h"
#include "FileVaultEngine.h"
#include "PayloadCodec.h"
#include "TextMatcher.h"
#include "Utf8.h"
#include "VaultFormat.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <sodium.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <utility>

namespace {

const QString kPassword = QStringLiteral("fuzz password");

[[noreturn]] void failure(const char* what) {
    std::fprintf(stderr, "open_fuzz: %s\n", what);
    std::abort();
}
void check(bool ok, const char* what) {
    if (!ok)
        failure(what);
}

quint64 readLe(const uint8_t* p, int bytes) {
    quint64 v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}
void writeLe(char* p, quint64 v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        p[i] = char(v >> (8 * i));
}

bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// AccountRecord's == says NaN differs from itself, and a file may hold NaN dates.
bool sameRecord(const AccountRecord& a, const AccountRecord& b) {
    for (const AccountField& f : accountFields()) {
        if (f.kind == FieldKind::String && a.*f.text != b.*f.text)
            return false;
    }
    return a.ID == b.ID && a.Type == b.Type && sameBits(a.ExpirationPwd, b.ExpirationPwd) &&
           sameBits(a.RecordDate, b.RecordDate) && a.Reserved == b.Reserved && a.MyAccount == b.MyAccount;
}

bool sameContents(const VaultContents& a, const VaultContents& b) {
    if (a.nextId != b.nextId || a.accounts.size() != b.accounts.size())
        return false;
    for (size_t i = 0; i < a.accounts.size(); ++i) {
        AccountRecord x, y;
        unpack(a.accounts[i], x);
        unpack(b.accounts[i], y);
        if (!sameRecord(x, y))
            return false;
    }
    return true;
}

// What every accepted payload must satisfy, whatever bytes it came from.
void checkContents(const VaultContents& c) {
    const int stringFields = int(accountStringFields().size());
    qint64 lastId = 0;
    for (const StoredAccount& a : c.accounts) {
        check(a.id > lastId && quint32(a.id) < c.nextId, "identifiers not ascending or not below nextId");
        check(isCategoryCode(a.type), "accepted an unknown category");
        lastId = a.id;
        AccountRecord r;
        unpack(a, r);
        check(r.ID == a.id && r.Type == a.type, "the index and the item disagree");
        int lastField = -1;
        forEachField(a, [&](int number, StoredText text) {
            check(number > lastField && number < stringFields, "field numbers not ascending or out of range");
            lastField = number;
            // Checked at open, so converting loses nothing and reads nothing past the text.
            check(Utf8::valid(text.data, text.size), "accepted a text that is not UTF-8");
            check(text.toString().toUtf8() == QByteArrayView(text.data, text.size),
                  "a text did not convert whole");
            check(fieldOf(a, number).data == text.data, "fieldOf finds another text");
            return true;
        });
    }
}

// Read-only operations of an open engine on contents nobody chose.
void exerciseOpenEngine(FileVaultEngine& engine, const uint8_t* data, size_t size) {
    const int count = engine.AccountCount();
    int sum = 0;
    for (int category = 0; category < CategoryCountTotal; ++category)
        sum += engine.CategoryCount(category);
    check(sum == count, "category counts do not add up to the account count");

    AccountRecords all;
    check(engine.GetRecords(all, AllCategories) == count && int(all.size()) == count,
          "GetRecords lost accounts");
    for (size_t i = 1; i < all.size(); ++i)
        check(all[i - 1].Description.compare(all[i].Description, Qt::CaseInsensitive) <= 0,
              "listing not in description order");
    for (size_t i = 0; i < all.size() && i < 8; ++i) {
        AccountRecord one;
        engine.GetRecord(all[i].ID, AllCategories, one);
        check(sameRecord(one, all[i]), "GetRecord differs from the listing");
        engine.GetWebAddress(all[i].ID, all[i].Type);
        QString owner;
        if (!all[i].Password.isEmpty())
            check(engine.PasswordInUse(all[i].Password, owner, 0), "an account's own password is not in use");
    }

    // The list's rows are what the full records show.
    AccountRows rows;
    check(engine.ListRows(rows, AllCategories) == count, "ListRows lost accounts");
    for (int i = 0; i < rows.size(); ++i)
        check(rows.id(i) == all[size_t(i)].ID && rows.description(i) == all[size_t(i)].Description &&
                  rows.accountName(i) == all[size_t(i)].AccountName,
              "ListRows differs from GetRecords");

    // Search for a few bytes of the input itself, so hits and near misses both happen; what is
    // found is what the UTF-16 matcher finds in the full records.
    const QString needle =
        QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(std::min<size_t>(size, 3)));
    const TextMatcher reference(needle);
    QList<int> expected, found;
    for (const AccountRecord& r : all) {
        bool hit = needle.isEmpty();
        for (const AccountField& f : accountFields())
            hit = hit || (f.kind == FieldKind::String && !f.secret && reference.matches(r.*f.text));
        if (hit)
            expected << r.ID;
    }
    AccountRecords records;
    engine.FindRecords(needle, records);
    for (const AccountRecord& r : records)
        found << r.ID;
    check(found == expected, "FindRecords differs from the UTF-16 matcher");
    check(engine.FindRows(needle, rows) == int(expected.size()), "FindRows differs from FindRecords");
    QString owner;
    engine.PasswordInUse(needle, owner, 0);
}

struct Fixture {
    QTemporaryDir dir;
    QString fuzzPath;
    QString goodPath;
    FileVaultEngine engine{KdfLimits::cheapest()};
    unsigned char salt[VaultFormat::SaltBytes] = {};
    unsigned char key[VaultFormat::KeyBytes] = {};

    Fixture() {
        check(dir.isValid(), "no temporary folder");
        fuzzPath = dir.filePath(QStringLiteral("input.vtl"));
        goodPath = dir.filePath(QStringLiteral("good.vtl"));
        // A vault to hold open before each whole-file attempt, so a failed open must close it.
        check(engine.CreateFile(goodPath, kPassword), "cannot create the reference vault");
        AccountRecord r;
        r.Type = Banks;
        r.Description = QStringLiteral("Reference");
        r.Password = QStringLiteral("pw");
        check(engine.PutRecord(r) && engine.SaveFile(), "cannot fill the reference vault");
        engine.CloseFile();

        std::memset(salt, 0x5A, sizeof salt);
        const QByteArray utf8 = kPassword.toUtf8();
        const KdfLimits cheap = KdfLimits::cheapest();
        check(crypto_pwhash(key, sizeof key, utf8.constData(), quint64(utf8.size()), salt, cheap.opsLimit,
                            size_t(cheap.memLimit), crypto_pwhash_ALG_ARGON2ID13) == 0,
              "key derivation failed");
    }

    // A valid vault file around the payload, sealed with the fuzz password's key. Put together
    // here rather than with VaultFormat::sealInPlace, so a slip in the header code shows up as a
    // disagreement.
    QByteArray seal(const uint8_t* payload, size_t size) const {
        using namespace VaultFormat;
        QByteArray file(HeaderBytes + qsizetype(size) + TagBytes, '\0');
        char* h = file.data();
        std::memcpy(h + MagicAt, Magic, sizeof Magic);
        writeLe(h + VersionAt, Version, 2);
        writeLe(h + HeaderSizeAt, HeaderBytes, 2);
        h[KdfAt] = char(KdfArgon2id);
        const KdfLimits cheap = KdfLimits::cheapest();
        writeLe(h + OpsLimitAt, cheap.opsLimit, 8);
        writeLe(h + MemLimitAt, cheap.memLimit, 8);
        std::memcpy(h + SaltAt, salt, sizeof salt);
        std::memset(h + NonceAt, 0x11, NonceBytes);
        auto* u = reinterpret_cast<unsigned char*>(h);
        unsigned long long sealed = 0;
        crypto_aead_xchacha20poly1305_ietf_encrypt(u + HeaderBytes, &sealed, payload, size, u, HeaderBytes,
                                                   nullptr, u + NonceAt, key);
        return file;
    }

    void writeInput(const QByteArray& bytes) const {
        QFile f(fuzzPath);
        check(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size(),
              "cannot write the input file");
    }
};

Fixture& fixture() {
    static Fixture* f = new Fixture; // never destroyed: libFuzzer may exit from any thread
    return *f;
}

// A header that passes the limit checks but asks for a costly derivation is a valid file; deriving
// it on every run would only slow the fuzzer down, so such inputs are skipped.
bool costlyDerivation(const uint8_t* file, size_t size) {
    using namespace VaultFormat;
    if (size < size_t(HeaderBytes))
        return false;
    const quint64 ops = readLe(file + OpsLimitAt, 8), mem = readLe(file + MemLimitAt, 8);
    return kdfLimitsAcceptable(ops, mem) && (ops > 4 || mem > (quint64(1) << 20));
}

void wholeFile(const uint8_t* data, size_t size) {
    if (costlyDerivation(data, size))
        return;
    Fixture& fx = fixture();
    check(fx.engine.OpenFile(fx.goodPath, kPassword), "the reference vault does not open");
    fx.writeInput(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (fx.engine.OpenFile(fx.fuzzPath, kPassword)) {
        exerciseOpenEngine(fx.engine, data, size);
    } else {
        check(!fx.engine.IsOpen() && fx.engine.CurrentFilePath().isEmpty() &&
                  fx.engine.CurrentFileName().isEmpty(),
              "a failed OpenFile left a file open");
        bool threw = false;
        try {
            fx.engine.AccountCount();
        } catch (const VaultError&) {
            threw = true;
        }
        check(threw, "operations work after a failed OpenFile");
    }
    fx.engine.CloseFile();
}

void payload(const uint8_t* data, size_t size) {
    VaultContents contents;
    contents.accounts.resize(1); // a failed decode must leave no accounts behind
    if (!decodePayload(QByteArrayView(data, qsizetype(size)), contents)) {
        check(contents.accounts.empty(), "a failed decode left accounts");
        return;
    }
    checkContents(contents);
    // Whatever was accepted must survive a save and a reopen unchanged; a save writes the accounts'
    // bytes as they were read.
    const QByteArray again = encodePayload(contents);
    VaultContents reread;
    check(decodePayload(again, reread), "a re-encoded payload does not decode");
    check(sameContents(contents, reread), "a re-encoded payload decodes differently");
    check(encodePayload(reread) == again, "encoding is not stable");
    // And an account stored again from its full record reads back the same.
    for (size_t i = 0; i < contents.accounts.size() && i < 4; ++i) {
        AccountRecord r, back;
        unpack(contents.accounts[i], r);
        unpack(pack(r), back);
        check(sameRecord(r, back), "a record packed again reads back differently");
    }
}

void sealedPayload(const uint8_t* data, size_t size) {
    Fixture& fx = fixture();
    fx.writeInput(fx.seal(data, size));
    VaultContents contents;
    const bool decodes = decodePayload(QByteArrayView(data, qsizetype(size)), contents);
    const bool opens = fx.engine.OpenFile(fx.fuzzPath, kPassword);
    check(opens == decodes, "OpenFile and decodePayload disagree on an authentic file");
    if (opens) {
        check(fx.engine.AccountCount() == int(contents.accounts.size()), "OpenFile lost accounts");
        exerciseOpenEngine(fx.engine, data, size);
    }
    fx.engine.CloseFile();
}

// ---- seeds --------------------------------------------------------------------------------------

StoredAccount account(qint32 id, int type, std::initializer_list<std::pair<int, QString>> fields) {
    AccountRecord r;
    r.ID = id;
    r.Type = type;
    r.ExpirationPwd = NoDate;
    r.RecordDate = 45500.25;
    for (const auto& [number, text] : fields)
        r.*accountStringFields()[size_t(number)] = text;
    return pack(r);
}

int fieldNumber(const char* name) {
    const auto fields = accountStringFields();
    const int index = accountFieldIndex(QString::fromLatin1(name));
    check(index >= 0, "unknown field");
    QString AccountRecord::*member = accountFields()[size_t(index)].text;
    return int(std::find(fields.begin(), fields.end(), member) - fields.begin());
}

void writeSeed(const QString& dir, const QString& name, char selector, const QByteArray& bytes) {
    QFile f(QDir(dir).filePath(name));
    check(f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
              f.write(QByteArray(1, selector) + bytes) == bytes.size() + 1,
          "cannot write a seed");
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    check(f.open(QIODevice::ReadOnly), "cannot read a vault");
    return f.readAll();
}

void writeSeeds(const QString& dir) {
    check(QDir().mkpath(dir), "cannot make the corpus folder");
    QTemporaryDir tmp;
    check(tmp.isValid(), "no temporary folder");

    FileVaultEngine engine(KdfLimits::cheapest());
    const QString empty = tmp.filePath(QStringLiteral("empty.vtl"));
    check(engine.CreateFile(empty, kPassword), "cannot create a vault");
    writeSeed(dir, QStringLiteral("file-empty"), 0, fileBytes(empty));

    const QString some = tmp.filePath(QStringLiteral("some.vtl"));
    check(engine.CreateFile(some, kPassword), "cannot create a vault");
    AccountRecord web;
    web.Type = WebSites;
    web.Description = QStringLiteral("Mail ü€😀");
    web.AccountName = QStringLiteral("anna");
    web.Password = QStringLiteral("s3cret!");
    web.WebsiteUrl = QStringLiteral("https://example.com");
    web.Notes = QStringLiteral("two\nlines");
    AccountRecord card;
    card.Type = CreditCards;
    card.Description = QStringLiteral("card");
    card.CardNumber = QStringLiteral("4111111111111111");
    card.CardPin = QStringLiteral("1234");
    card.MyAccount = true;
    check(engine.PutRecord(web) && engine.PutRecord(card) && engine.SaveFile(), "cannot fill a vault");
    writeSeed(dir, QStringLiteral("file-two"), 0, fileBytes(some));
    engine.CloseFile();

    VaultContents c;
    c.nextId = 5;
    c.accounts.push_back(account(1, WebSites,
                                 {{fieldNumber("WebsiteUrl"), QStringLiteral("https://a.example")},
                                  {fieldNumber("Description"), QStringLiteral("Alpha")},
                                  {fieldNumber("Password"), QStringLiteral("pw")}}));
    c.accounts.push_back(account(3, Banks,
                                 {{fieldNumber("BankName"), QStringLiteral("Bänk")},
                                  {fieldNumber("Description"), QStringLiteral("beta 😀")},
                                  {fieldNumber("Notes"), QStringLiteral("n")}}));
    const QByteArray payloadBytes = encodePayload(c);
    writeSeed(dir, QStringLiteral("payload-two"), 1, payloadBytes);
    writeSeed(dir, QStringLiteral("sealed-two"), 2, payloadBytes);
    const QByteArray emptyPayload = encodePayload(VaultContents{});
    writeSeed(dir, QStringLiteral("payload-empty"), 1, emptyPayload);
    writeSeed(dir, QStringLiteral("sealed-empty"), 2, emptyPayload);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    if (sodium_init() < 0)
        failure("libsodium did not start");
    for (int i = 1; i + 1 < *argc; ++i) {
        if (std::strcmp((*argv)[i], "--write-seeds") == 0) {
            writeSeeds(QString::fromLocal8Bit((*argv)[i + 1]));
            std::exit(0);
        }
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    switch (data[0] % 3) {
    case 0:
        wholeFile(data + 1, size - 1);
        break;
    case 1:
        payload(data + 1, size - 1);
        break;
    default:
        sealedPayload(data + 1, size - 1);
        break;
    }
    return 0;
}
