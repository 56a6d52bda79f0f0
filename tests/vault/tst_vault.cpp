#include "AccountRecord.h"
#include "Categories.h"
#include "FileVaultEngine.h"
#include "FoldedOrder.h"
#include "ProcessHardening.h"
#include "VaultFile.h"
#include "VaultFormat.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <numeric>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kPassword = QStringLiteral("correct horse");

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

std::unique_ptr<FileVaultEngine> engine() {
    auto e = std::make_unique<FileVaultEngine>(KdfLimits::cheapest());
    e->setClock([] { return 46000.25; });
    return e;
}

// Every string field filled with a value of its own, as a form of any category could send it.
AccountRecord fullRecord(int type) {
    AccountRecord r;
    int n = 0;
    for (const AccountField& f : accountFields()) {
        if (f.kind == FieldKind::String)
            r.*f.text =
                QStringLiteral("%1 %2 ü€😀\nline %3").arg(QString::fromLatin1(f.name)).arg(type).arg(++n);
    }
    r.Type = type;
    r.ExpirationPwd = 2.5;
    r.MyAccount = true;
    return r;
}

AccountRecord simple(int type, const QString& description, const QString& password = {}) {
    AccountRecord r;
    r.Type = type;
    r.Description = description;
    r.AccountName = description + QStringLiteral(" user");
    r.Password = password;
    r.ExpirationPwd = NoDate;
    return r;
}

// How searches matched before they ran on the stored bytes: each UTF-16 unit case-folded on its
// own (surrogates as they are), Horspool over the folded units. Searches must still find just this.
class FirstMatcher {
public:
    explicit FirstMatcher(const QString& needle) {
        for (QChar c : needle)
            needle_.push_back(fold(c.unicode()));
        skip_.fill(needle_.size());
        for (size_t i = 0; i + 1 < needle_.size(); ++i)
            skip_[needle_[i] & 0xFF] = std::min(skip_[needle_[i] & 0xFF], needle_.size() - 1 - i);
    }
    bool matches(QStringView hay) const {
        const size_t m = needle_.size(), n = size_t(hay.size());
        if (m == 0)
            return true;
        for (size_t pos = 0; pos + m <= n; pos += skip_[fold(hay[qsizetype(pos + m - 1)].unicode()) & 0xFF]) {
            size_t i = 0;
            while (i < m && fold(hay[qsizetype(pos + i)].unicode()) == needle_[i])
                ++i;
            if (i == m)
                return true;
        }
        return false;
    }

private:
    static char16_t fold(char16_t c) { return c < 128 ? QChar::toLower(c) : QChar::toCaseFolded(c); }
    std::u16string needle_;
    std::array<size_t, 256> skip_{};
};

// A text of pieces that fold every way a search or sort must get right: ASCII, the Kelvin sign and
// the long s (which fold to k and s), Latin, the sharp s and its capital, Greek sigmas, Cyrillic,
// CJK, Deseret letters outside the Basic Multilingual Plane with a case of their own, an emoji,
// and U+0000, which sorts after the end of a text.
QString generatedText(QRandomGenerator& rng, int pieces) {
    static const QStringList kPieces = {"a",
                                        "A",
                                        "k",
                                        "K",
                                        "s",
                                        "S",
                                        "\u212A",
                                        "\u017F",
                                        "qu",
                                        "Za",
                                        "ka",
                                        "sk",
                                        "é",
                                        "É",
                                        "ß",
                                        "ẞ",
                                        "σ",
                                        "ς",
                                        "Σ",
                                        "д",
                                        "Д",
                                        "日本",
                                        "😀",
                                        "\U00010400",
                                        " ",
                                        "7",
                                        "Zürich",
                                        "\U00010428",
                                        QString(1, QChar(0))};
    QString text;
    for (int i = int(rng.bounded(pieces + 1)); i > 0; --i)
        text += kPieces[rng.bounded(kPieces.size())];
    return text;
}

// The bytes with a little-endian number written over size bytes at offset.
QByteArray with(QByteArray bytes, int offset, quint64 value, int size) {
    for (int i = 0; i < size; ++i)
        bytes[offset + i] = char((value >> (8 * i)) & 0xFF);
    return bytes;
}

} // namespace

class TestVault : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<FileVaultEngine> e; // open on an empty v.qx at the start of every test

    QString path(const QString& name) const { return dir_->filePath(name); }
    unsigned mode(const QString& name) const {
        struct stat info {};
        return ::stat(qPrintable(path(name)), &info) == 0 ? info.st_mode & 0777 : 0;
    }
    // The record as stored, with its identifier; a refused one comes back with identifier 0.
    AccountRecord put(AccountRecord r) { return e->PutRecord(r) ? r : AccountRecord{}; }
    // v.qx saved with one account and closed: its bytes.
    QByteArray savedSmallVault() {
        put(simple(Pins, "pin", "1234"));
        const bool saved = e->SaveFile();
        e->CloseFile();
        return saved ? readAll(path("v.qx")) : QByteArray();
    }

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        e = engine();
        QVERIFY(e->CreateFile(path("v.qx"), kPassword));
    }

    void roundTripOfEveryFieldAndIdentifiers() {
        QCOMPARE(e->CurrentFileName(), u"v.qx");
        QCOMPARE(e->CurrentFilePath(), path("v.qx"));
        std::vector<AccountRecord> stored;
        for (int type = 0; type < CategoryCountTotal; ++type) {
            AccountRecord r = fullRecord(type);
            QVERIFY(e->PutRecord(r));
            QCOMPARE(r.RecordDate, 46000.25);
            stored.push_back(r);
        }
        AccountRecord odd = simple(Misc, QString()); // no description, no expiry date (2.0)
        odd.Notes = QString(600000, QChar(u'é'));    // longer than 16 bits; a file of several blocks
        odd.Password = QStringLiteral("  blanks kept  ");
        odd.RemindAnswer = QChar(0xFEFF) + QStringLiteral("zero-width no-break space first");
        odd.KeyNotes = QChar(0xFEFF); // nothing else
        stored.push_back(put(odd));
        QVERIFY(e->SaveFile());

        auto f = engine();
        QVERIFY(f->OpenFile(path("v.qx"), kPassword));
        QCOMPARE(f->AccountCount(), int(stored.size()));
        for (const AccountRecord& r : stored) {
            AccountRecord back = fullRecord(Misc); // nothing of what it held stays
            f->GetRecord(r.ID, r.Type, back);
            QCOMPARE(back, r);
        }

        // Identifiers are unique, and a deleted account's is not handed out again after a reopen.
        QSet<int> ids;
        for (const AccountRecord& r : stored)
            ids << r.ID;
        QVERIFY(ids.size() == int(stored.size()) && !ids.contains(0));
        f->DeleteRecord(stored.back().ID, 0, true);
        QVERIFY(f->SaveFile());
        QVERIFY(f->OpenFile(path("v.qx"), kPassword));
        AccountRecord next = simple(Banks, "after reopen");
        QVERIFY(f->PutRecord(next) && next.ID > stored.back().ID);
    }

    void filesOfTheFirstFormatVersionStillOpen() {
        // Written before the engine was split up; must open with the same content for good.
        const QByteArray file = QByteArray::fromHex(
            "564e54524c515800010048000200000001000000000000000020000000000000afcf6cf98749b6a6dbf50383fed633af"
            "73d354715d8b4d4353a5a68e97cbe6eb8ef062f13c1cd7fa638646092e5b0169c754d35f1410ad427c476fcc7e40c509"
            "0c364f84a080d359fcef9187e27a0dc96455dd18ce7a85df8f869bea93098aadea4b16bbba7919e41e7b7df95e3a2f90"
            "0495afa1801ea9f8d3071d964ce752869dfcaea023f8");
        QVERIFY(writeAll(path("old.qx"), file));
        QVERIFY(e->OpenFile(path("old.qx"), kPassword));
        AccountRecord back;
        e->GetRecord(1, Banks, back);
        QStringList fields; // every field that is set
        for (const AccountField& f : accountFields()) {
            if (!fieldText(back, f).isEmpty())
                fields << QString::fromLatin1(f.name) + u'=' + fieldText(back, f);
        }
        QCOMPARE(fields, (QStringList{"Type=10", "BankWebSite=bank.example", "ID=1", "Description=Zürich 😀",
                                      "Password=s3cret!", "ExpirationPwd=2.5", "Notes=two\nlines",
                                      "RecordDate=46000.25", "Reserved=-7", "MyAccount=1"}));
        // Saving writes the same header again, the nonce apart.
        QVERIFY(e->SaveFile());
        QCOMPARE(readAll(path("old.qx")).left(VaultFormat::NonceAt), file.left(VaultFormat::NonceAt));
    }

    void putRecordRules() {
        AccountRecord r = simple(Banks, "x");
        r.ID = 12345; // no such account
        QVERIFY(!e->PutRecord(r));
        r.ID = 0;
        r.Type = 13;
        QVERIFY(!e->PutRecord(r));
        QCOMPARE(e->AccountCount(), 0);

        // Replacing an account with one of another category keeps nothing of the old fields.
        const AccountRecord web = put(fullRecord(WebSites));
        AccountRecord bank = simple(Banks, "Now a bank");
        bank.ID = web.ID;
        e->setClock([] { return 47000.5; });
        QVERIFY(e->PutRecord(bank));
        QCOMPARE(bank.RecordDate, 47000.5);
        AccountRecord back;
        e->GetRecord(web.ID, Banks, back);
        QCOMPARE(back, bank);
        QCOMPARE(e->CategoryCount(WebSites), 0);
        QCOMPARE(e->CategoryCount(Banks), 1);
    }

    void getRecordAndDelete() {
        const AccountRecord a = put(simple(Pins, "pin")), b = put(simple(Forums, "forum"));
        const AccountRecord c = put(simple(Banks, "bank"));
        AccountRecords left;
        QCOMPARE(e->GetRecords(left, AllCategories), 3);
        AccountRecord out;
        e->GetRecord(b.ID, 0, out); // category 0 finds by identifier alone
        QCOMPARE(out, b);
        QVERIFY_THROWS_EXCEPTION(VaultError, e->GetRecord(b.ID, Pins, out));
        QVERIFY_THROWS_EXCEPTION(VaultError, e->GetRecord(999, 0, out));
        QVERIFY_THROWS_EXCEPTION(VaultError, e->DeleteRecord(a.ID, Forums, true));
        e->DeleteRecord(c.ID, 0, true); // by identifier alone, as GetRecord
        e->DeleteRecord(a.ID, Pins, false);
        QCOMPARE(e->GetRecords(left, AllCategories), 1); // not from a stale listing order
        QVERIFY_THROWS_EXCEPTION(VaultError, e->GetRecord(a.ID, 0, out));
        QVERIFY_THROWS_EXCEPTION(VaultError, e->DeleteRecord(a.ID, Pins, true));
    }

    void listingOrderAndCounts() {
        const QStringList titles{"beta", "Alpha", "alpha", "Gamma", "", "BETA"};
        for (int i = 0; i < titles.size(); ++i)
            put(simple(i % 2 ? Banks : Serials, titles[i]));
        AccountRecords out;
        auto descriptions = [&](int category) { // the count GetRecords returns, then what it lists
            QStringList texts{QString::number(e->GetRecords(out, category))};
            for (const AccountRecord& r : out)
                texts << r.Description;
            return texts;
        };
        // By description ignoring case; equal ones in the order they were added.
        QCOMPARE(descriptions(AllCategories),
                 (QStringList{"6", "", "Alpha", "alpha", "beta", "BETA", "Gamma"}));
        QCOMPARE(descriptions(Banks), (QStringList{"3", "Alpha", "BETA", "Gamma"}));
        QCOMPARE(e->CategoryCount(Banks), 3);
        QCOMPARE(e->CategoryCount(AllCategories), 6);
        QCOMPARE(e->CategoryCount(Forums), 0);
    }

    void findIgnoresCaseAndSecrets() {
        AccountRecord a = simple(WebSites, "Mail at ZÜRICH"), b = simple(Banks, "Bank"),
                      c = simple(CreditCards, "Card");
        a.Password = a.RemindAnswer = c.CardPin = c.OutgoingPassword = QStringLiteral("needle");
        b.Notes = QStringLiteral("the zürich branch\nsecond line");
        c.PrivateKey = QStringLiteral("zürich");
        AccountRecord d;
        d.Type = Pins;
        d.Password = QStringLiteral("1234");
        // The Kelvin sign and the long s fold to k and s; the sharp s stays one letter; Deseret
        // letters, outside the Basic Multilingual Plane, are matched as they are.
        AccountRecord f = simple(Misc, QStringLiteral("Z\u212Aelvin \u017Ftra\u00DFe \U00010400"));
        a = put(a), b = put(b), c = put(c), d = put(d), f = put(f);
        const std::pair<QString, QList<int>> cases[] = {
            {"zürich", {b.ID, a.ID}}, // in listing order
            {"NEEDLE", {}},
            {"branch\nsec", {b.ID}},
            {"bank user", {b.ID}},                // account names are searched too
            {"", {d.ID, b.ID, c.ID, a.ID, f.ID}}, // an empty text finds every account
            {"KE", {f.ID}},
            {"sT", {f.ID}},
            {"strasse", {}},
            {QStringLiteral("\U00010428"), {}},
            {QStringLiteral("\U00010400"), {f.ID}},
            {QString(QChar(0xD801)), {f.ID}}, // half of that letter, as the search always did
        };
        AccountRecords out{a}; // whatever it held goes
        AccountRows rows;
        rows.append(7, Banks, u"gone", u"too");
        for (const auto& [text, expected] : cases) {
            QCOMPARE(e->FindRecords(text, out), int(expected.size()));
            QCOMPARE(e->FindRows(text, rows), int(expected.size()));
            QList<int> ids, rowIds;
            for (int i = 0; i < rows.size(); ++i)
                ids << out[size_t(i)].ID, rowIds << rows.id(i);
            QCOMPARE(ids, expected);
            QCOMPARE(rowIds, expected);
        }
    }

    // On generated accounts: the list's rows are what full records show, in their order, which is
    // QString's own case-insensitive order; and searches find what the first matcher found.
    void rowsAndSearchesAgreeWithRecordsOnGeneratedAccounts() {
        QRandomGenerator rng(20240917);
        for (int i = 0; i < 400; ++i) {
            AccountRecord r = simple(int(rng.bounded(CategoryCountTotal)), generatedText(rng, 4));
            r.AccountName = generatedText(rng, 2);
            r.Password = generatedText(rng, 3);
            r.Notes = generatedText(rng, 6);
            r.Email = generatedText(rng, 2);
            put(r);
        }
        auto same = [](const AccountRows& rows, const AccountRecords& records) {
            bool equal = rows.size() == int(records.size());
            for (int i = 0; equal && i < rows.size(); ++i) {
                const AccountRecord& r = records[size_t(i)];
                equal = rows.id(i) == r.ID && rows.category(i) == r.Type &&
                        rows.description(i) == r.Description && rows.accountName(i) == r.AccountName;
            }
            return equal;
        };
        AccountRecords records, all;
        AccountRows rows;
        for (int category : {AllCategories, int(Banks), int(Pins)}) {
            QCOMPARE(e->ListRows(rows, category), e->GetRecords(records, category));
            QVERIFY(same(rows, records));
        }
        e->GetRecords(all, AllCategories);
        AccountRecords byHand = all; // added in id order
        std::stable_sort(byHand.begin(), byHand.end(), [](const AccountRecord& a, const AccountRecord& b) {
            return a.Description.compare(b.Description, Qt::CaseInsensitive) < 0;
        });
        QVERIFY(byHand == all);
        // The same order on enough texts to be sorted by radix, either way round (as the list's
        // header clicks sort), equal texts keeping their places.
        QStringList texts;
        FoldedOrder folded;
        for (int i = 0; i < 6000; ++i)
            folded.add(texts.emplaceBack(generatedText(rng, 5)));
        for (const bool descending : {false, true}) {
            std::vector<quint32> expected(size_t(texts.size()));
            std::iota(expected.begin(), expected.end(), 0);
            std::stable_sort(expected.begin(), expected.end(), [&](quint32 a, quint32 b) {
                const int c = texts[a].compare(texts[b], Qt::CaseInsensitive);
                return descending ? c > 0 : c < 0;
            });
            QVERIFY(folded.order(descending) == expected);
        }

        // Pieces of stored texts, secret ones too, in random case, some cutting a surrogate pair
        // in two, and texts made up anew.
        for (int k = 0; k < 400; ++k) {
            const AccountRecord& r = all[size_t(rng.bounded(int(all.size())))];
            const QString source = QStringList{r.Description, r.Notes, r.Password, r.Email}[rng.bounded(4)];
            QString needle = k % 4 == 0 ? generatedText(rng, 2)
                                        : source.mid(rng.bounded(source.size() + 1), 1 + rng.bounded(6));
            for (QChar& c : needle)
                c = rng.bounded(2) ? c.toUpper() : c.toLower();
            const FirstMatcher first(needle);
            QList<int> expected, found, foundRows;
            for (const AccountRecord& a : all) {
                if (first.matches(a.Description) || first.matches(a.AccountName) || first.matches(a.Notes) ||
                    first.matches(a.Email) || needle.isEmpty())
                    expected << a.ID;
            }
            e->FindRecords(needle, records);
            e->FindRows(needle, rows);
            for (size_t i = 0; i < records.size(); ++i)
                found << records[i].ID, foundRows << rows.id(int(i));
            QVERIFY2(found == expected && foundRows == expected, qPrintable(needle));
        }
    }

    void passwordInUse() {
        const AccountRecord a = put(simple(WebSites, "First", "s3cret!"));
        put(simple(Banks, "Second", ""));
        QString owner;
        QVERIFY(e->PasswordInUse("s3cret!", owner, 0));
        QCOMPARE(owner, u"First");
        owner.clear();
        QVERIFY(!e->PasswordInUse("s3cret!", owner, a.ID)); // its own password
        QVERIFY(!e->PasswordInUse("S3CRET!", owner, 0));    // exact match only
        QVERIFY(!e->PasswordInUse("s3cret", owner, 0));
        QVERIFY(!e->PasswordInUse("", owner, 0)); // an empty password is never in use
        QVERIFY(owner.isEmpty());
    }

    void webAddresses() {
        AccountRecord web = simple(WebSites, "w"), bank = simple(Banks, "b"), pin = simple(Pins, "p");
        web.WebsiteUrl = " example.org ";
        bank.BankWebSite = "https://bank.example";
        pin.WebsiteUrl = "ignored.example";
        web = put(web), bank = put(bank), pin = put(pin);
        QCOMPARE(e->GetWebAddress(web.ID, WebSites), u"example.org");
        QCOMPARE(e->GetWebAddress(bank.ID, Banks), u"https://bank.example");
        QCOMPARE(e->GetWebAddress(pin.ID, Pins), QString());
    }

    void wrongPasswordAndForeignFiles() {
        const QByteArray before = savedSmallVault();
        QVERIFY(!e->OpenFile(path("v.qx"), "wrong"));
        QVERIFY(!e->IsOpen());
        QCOMPARE(readAll(path("v.qx")), before);

        QDir(dir_->path()).mkdir("folder.qx");
        for (const char* name : {"folder.qx", "missing.qx", ""})
            QVERIFY2(!e->OpenFile(*name ? path(name) : QString(), kPassword), name);
        QVERIFY(e->OpenFile(path("v.qx"), kPassword));
    }

    void everyFlippedByteAndTruncationIsRefused() {
        const QByteArray good = savedSmallVault();
        const QString bad = path("bad.qx");
        for (qsizetype i = 0; i < good.size(); ++i) {
            QByteArray flipped = good;
            flipped[i] = char(flipped[i] ^ 0x01);
            QVERIFY(writeAll(bad, flipped));
            QVERIFY2(!e->OpenFile(bad, kPassword), qPrintable(QStringLiteral("flip at %1").arg(i)));
        }
        for (qsizetype n = 0; n < good.size(); ++n) {
            QVERIFY(writeAll(bad, good.left(n)));
            QVERIFY2(!e->OpenFile(bad, kPassword), qPrintable(QStringLiteral("cut at %1").arg(n)));
        }
        QVERIFY(writeAll(bad, good + QByteArray(1, '\0')));
        QVERIFY(!e->OpenFile(bad, kPassword));
        QVERIFY(e->OpenFile(path("v.qx"), kPassword));
    }

    void kdfLimitsAcceptedWithinBoundsOnly() {
        const KdfLimits cheapest = KdfLimits::cheapest(), moderate = KdfLimits::moderate();
        const std::tuple<quint64, quint64, bool> cases[] = {
            {cheapest.opsLimit, cheapest.memLimit, true}, // new files must open again
            {moderate.opsLimit, moderate.memLimit, true},
            {MinKdfOpsLimit - 1, MinKdfMemLimit, false},
            {MinKdfOpsLimit, MinKdfMemLimit - 1, false},
            {MaxKdfOpsLimit, MinKdfMemLimit, true},
            {MaxKdfOpsLimit + 1, MinKdfMemLimit, false},
            {MinKdfOpsLimit, MaxKdfMemLimit, true},
            {MinKdfOpsLimit, MaxKdfMemLimit + 1, false},
            {MaxKdfWork / MaxKdfMemLimit, MaxKdfMemLimit, true}, // as much work as allowed
            {MaxKdfWork / MaxKdfMemLimit + 1, MaxKdfMemLimit, false},
            {2, quint64(1) << 63, false}, // the product wraps to 0
            {~quint64(0), ~quint64(0), false},
        };
        for (const auto& [ops, mem, accepted] : cases)
            QVERIFY2(kdfLimitsAcceptable(ops, mem) == accepted,
                     qPrintable(QStringLiteral("%1 x %2").arg(ops).arg(mem)));
        // Within those bounds, never more than half of the machine's memory.
        const quint64 GiB = quint64(1) << 30;
        QVERIFY(kdfMemoryAffordable(MaxKdfMemLimit, 8 * GiB));
        QVERIFY(!kdfMemoryAffordable(MaxKdfMemLimit, 8 * GiB - 1));
        QVERIFY(kdfMemoryAffordable(moderate.memLimit, 512 << 20));
        QVERIFY(!kdfMemoryAffordable(moderate.memLimit, 511 << 20));
        QVERIFY(physicalMemoryBytes() >= 64 << 20);
    }

    void foreignFilesAndHostileHeadersAreRefusedBeforeDerivation() {
        using namespace VaultFormat;
        e->CloseFile();
        const QByteArray good = readAll(path("v.qx"));
        const std::pair<QByteArray, OpenResult> cases[] = {
            {good, OpenResult::Opened},
            {QByteArray(), OpenResult::NotAVault},
            {QByteArray(200, 'x'), OpenResult::NotAVault},
            {with(good, VersionAt, Version + 1, 2), OpenResult::UnknownVersion},
            {with(good, MagicAt, 'W', 1), OpenResult::NotAVault},
            {with(good, KdfAt, 1, 1), OpenResult::NotAVault},
            {with(good, OpsLimitAt, 0, 8), OpenResult::RefusedLimits},
            {with(good, MemLimitAt, 1, 8), OpenResult::RefusedLimits},
            // Each limit allowed on its own, together far too costly: 4 GiB for 5 passes.
            {with(with(good, MemLimitAt, MaxKdfMemLimit, 8), OpsLimitAt, 5, 8), OpenResult::RefusedLimits},
            {with(good, SaltAt, quint8(good[SaltAt]) ^ 1, 1), OpenResult::WrongKeyOrDamaged},
        };
        for (const auto& [file, result] : cases) {
            // A refusal of the limits comes before the derivation: were a 4 GiB one run, the
            // changed header would make it end as WrongKeyOrDamaged.
            QCOMPARE(open(file, kPassword).result, result);
            QVERIFY(writeAll(path("hostile.qx"), file));
            QCOMPARE(e->OpenFile(path("hostile.qx"), kPassword), result == OpenResult::Opened);
        }
    }

    void failedSaveLeavesOldFileIntact() {
        QDir root(dir_->path());
        QVERIFY(root.mkdir("home"));
        QVERIFY(e->CreateFile(path("home/v.qx"), kPassword));
        put(simple(Banks, "kept"));
        QVERIFY(e->SaveFile());
        const QByteArray before = readAll(path("home/v.qx"));

        // The folder goes away under the open file: the write cannot even start.
        QVERIFY(root.rename("home", "moved"));
        put(simple(Banks, "unsaved"));
        QVERIFY(!e->SaveFile());
        QCOMPARE(e->AccountCount(), 2);
        QCOMPARE(readAll(path("moved/v.qx")), before);
        // No temporary file left; the backup is of the save before.
        QCOMPARE(QDir(path("moved")).entryList(QDir::Files), (QStringList{"v.qx", "v.qx.bak"}));

        // Every save takes a fresh nonce: two saves of the same content differ.
        QVERIFY(root.rename("moved", "home"));
        QVERIFY(e->SaveFile());
        const QByteArray first = readAll(path("home/v.qx"));
        QVERIFY(e->SaveFile());
        QVERIFY(readAll(path("home/v.qx")) != first);
    }

    void createAndDeleteFile() {
        QVERIFY(!e->CreateFile(path("no/such/folder/x.qx"), kPassword));
        QVERIFY(!e->IsOpen());
        QDir(dir_->path()).mkdir("adir");
        QVERIFY(!e->CreateFile(path("adir"), kPassword));
        QVERIFY(QDir(path("adir")).exists());

        // Deleting without creating keeps the old file.
        QVERIFY(e->OpenFile(path("v.qx"), kPassword));
        const QByteArray before = savedSmallVault();
        e->DeleteFile(path("v.qx"));
        QCOMPARE(readAll(path("v.qx")), before);

        // Replacing it for real: the new, empty file takes its place.
        e->DeleteFile(path("v.qx"));
        QVERIFY(e->CreateFile(path("v.qx"), "another one"));
        QVERIFY(!e->OpenFile(path("v.qx"), kPassword));
        QVERIFY(e->OpenFile(path("v.qx"), "another one"));
        QCOMPARE(e->AccountCount(), 0);
    }

    void createdFilesAreForTheOwnerOnlySavedOnesKeepTheirMode() {
        QCOMPARE(QFile::permissions(path("v.qx")) & 0x0077, QFileDevice::Permissions());
        // A vault the user chose to share keeps its permissions across saves, and so does its backup.
        QVERIFY(::chmod(qPrintable(path("v.qx")), 0640) == 0);
        QVERIFY(e->SaveFile() && e->SaveFile());
        QCOMPARE(mode("v.qx"), 0640u);
        QCOMPARE(mode("v.qx.bak"), 0640u);
        // Creating one over a file anyone may read or write is creating it all the same.
        QVERIFY(::chmod(qPrintable(path("v.qx")), 0666) == 0);
        QVERIFY(e->CreateFile(path("v.qx"), kPassword));
        QCOMPARE(mode("v.qx"), 0600u);
    }

    void saveByAnotherUserKeepsOwnerAndGroup() {
        if (::geteuid() != 0)
            QSKIP("only root can give a file to another user");
        const QByteArray name = QFile::encodeName(path("v.qx"));
        QVERIFY(::chown(name.constData(), 65534, 65534) == 0);
        for (bool create : {false, true}) {
            QVERIFY(create ? e->CreateFile(path("v.qx"), kPassword) : e->SaveFile());
            struct stat info {};
            QVERIFY(::stat(name.constData(), &info) == 0);
            QCOMPARE(info.st_uid, uid_t(65534));
            QCOMPARE(info.st_gid, gid_t(65534));
        }
    }

    void saveRefusesToReplaceAFileChangedOnDisk() {
        QVERIFY(e->SaveFile());
        auto other = engine();
        QVERIFY(other->OpenFile(path("v.qx"), kPassword));
        put(simple(Banks, "mine"));
        AccountRecord theirsRecord = simple(Pins, "theirs");
        QVERIFY(other->PutRecord(theirsRecord) && other->SaveFile());
        const QByteArray theirs = readAll(path("v.qx"));

        QCOMPARE(e->SaveFileChecked(false), SaveResult::ChangedOnDisk);
        QVERIFY(!e->SaveFile());
        QCOMPARE(readAll(path("v.qx")), theirs);
        // Told to, it writes over them; their version is the backup.
        QCOMPARE(e->SaveFileChecked(true), SaveResult::Saved);
        QCOMPARE(readAll(path("v.qx.bak")), theirs);
        QVERIFY(other->OpenFile(path("v.qx"), kPassword));
        AccountRecords all;
        QCOMPARE(other->GetRecords(all, AllCategories), 1);
        QCOMPARE(all[0].Description, u"mine");
        QVERIFY(e->SaveFile()); // its own save is no change from elsewhere

        // The same size written in place, too quick for the clock to tell, is a change all the same.
        QByteArray same = readAll(path("v.qx"));
        same[same.size() - 1] = char(same.back() ^ 1);
        QVERIFY(writeAll(path("v.qx"), same));
        QCOMPARE(e->SaveFileChecked(false), SaveResult::ChangedOnDisk);
        // A file removed meanwhile holds nothing to lose.
        QVERIFY(QFile::remove(path("v.qx")));
        QCOMPARE(e->SaveFileChecked(false), SaveResult::Saved);
        QVERIFY(other->OpenFile(path("v.qx"), kPassword));
    }

    void writersTakeTurnsThroughTheLockFile() {
        VaultFile::Lock held;
        QCOMPARE(held.acquire(path("v.qx"), 0), VaultFile::Lock::Result::Locked);
        VaultFile::Lock second;
        QCOMPARE(second.acquire(path("v.qx"), 0), VaultFile::Lock::Result::Busy);
        e->setLockWait(0);
        const QByteArray before = readAll(path("v.qx"));
        put(simple(Banks, "b"));
        QCOMPARE(e->SaveFileChecked(false), SaveResult::Failed);
        QVERIFY(e->saveFailure().contains("another program"));
        QCOMPARE(readAll(path("v.qx")), before);
        // A caller that holds the lock itself saves under it.
        e->setCallerHoldsLock(true);
        QVERIFY(e->SaveFile());
        e->setCallerHoldsLock(false);

        held.release();
        QVERIFY(!QFile::exists(path("v.qx.lock"))); // removed when let go
        QVERIFY(e->SaveFile());
        QVERIFY(!QFile::exists(path("v.qx.lock")));
        QCOMPARE(second.acquire(path("v.qx"), 0), VaultFile::Lock::Result::Locked);
    }

    void fileTooLargeToOpenAgainIsNotWritten() {
        QVERIFY(e->SaveFile());
        const QByteArray before = readAll(path("v.qx"));
        e->setMaxFileBytes(before.size());
        QVERIFY(e->SaveFile()); // as large as may be: written, and opens again
        auto limited = engine();
        limited->setMaxFileBytes(before.size());
        QVERIFY(limited->OpenFile(path("v.qx"), kPassword));
        const QByteArray atLimit = readAll(path("v.qx"));

        put(simple(Banks, "one more"));
        QCOMPARE(e->SaveFileChecked(true), SaveResult::TooLarge);
        QCOMPARE(readAll(path("v.qx")), atLimit);
        // Written without the limit, it is what the limited engine refuses to open.
        e->setMaxFileBytes(VaultFormat::MaxFileBytes);
        QVERIFY(e->SaveFile());
        QVERIFY(!limited->OpenFile(path("v.qx"), kPassword));
    }

    void pathsThatAreNoRegularFileNeverBlock() {
        QVERIFY(::mkfifo(qPrintable(path("pipe.qx")), 0600) == 0);
        // Opening a FIFO or a device for reading would wait or read for ever.
        for (const QString& p : {path("pipe.qx"), QStringLiteral("/dev/zero")})
            QVERIFY2(!e->OpenFile(p, kPassword), qPrintable(p));
        QVERIFY(!e->CreateFile(path("pipe.qx"), kPassword));
        // A vault that became a FIFO since it was opened is left alone.
        QVERIFY(e->OpenFile(path("v.qx"), kPassword));
        QVERIFY(::rename(qPrintable(path("pipe.qx")), qPrintable(path("v.qx"))) == 0);
        QCOMPARE(e->SaveFileChecked(true), SaveResult::Failed);
        QVERIFY(QFileInfo(path("v.qx")).exists() && !QFileInfo(path("v.qx")).isFile());
    }

    void symlinkedVaultReplacesItsTarget() {
        QDir root(dir_->path());
        QVERIFY(root.mkdir("real") && root.mkdir("links"));
        QVERIFY(e->CreateFile(path("real/v.qx"), kPassword));
        QVERIFY(QFile::link("../real/v.qx", path("links/v.qx")));
        QVERIFY(e->OpenFile(path("links/v.qx"), kPassword));
        put(simple(Banks, "through the link"));
        QVERIFY(e->SaveFile());
        QVERIFY(QFileInfo(path("links/v.qx")).isSymLink());
        QCOMPARE(QDir(path("links")).entryList(QDir::Files | QDir::System), QStringList{"v.qx"});
        QCOMPARE(QDir(path("real")).entryList(QDir::Files), (QStringList{"v.qx", "v.qx.bak"}));
        auto other = engine();
        QVERIFY(other->OpenFile(path("real/v.qx"), kPassword));
        QCOMPARE(other->AccountCount(), 1);
    }

    void backupKeepsOneGeneration() {
        QVERIFY(!QFile::exists(path("v.qx.bak"))); // creating is not saving
        const QByteArray created = readAll(path("v.qx"));
        put(simple(Banks, "first"));
        QVERIFY(e->SaveFile());
        QCOMPARE(readAll(path("v.qx.bak")), created);
        const QByteArray first = readAll(path("v.qx"));
        QVERIFY(e->SaveFile());
        QCOMPARE(readAll(path("v.qx.bak")), first);
        QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), (QStringList{"v.qx", "v.qx.bak"}));

        e->SetKeepBackup(false);
        QVERIFY(e->SaveFile());
        QCOMPARE(readAll(path("v.qx.bak")), first);

        // Where no hard link can be made, a copy of the same bytes and mode takes its place.
        QVERIFY(::chmod(qPrintable(path("v.qx")), 0640) == 0);
        VaultFile::RegularFile current(path("v.qx"));
        QVERIFY(VaultFile::copyBackup(current, path("copy.bak")));
        QCOMPARE(readAll(path("copy.bak")), readAll(path("v.qx")));
        QCOMPARE(mode("copy.bak"), 0640u);
    }

    void changingTheMasterPasswordReseals() {
        put(simple(Banks, "kept"));
        QVERIFY(e->SaveFile());
        const QByteArray before = readAll(path("v.qx"));
        const KdfLimits newLimits{2, 2 * MinKdfMemLimit};
        FileVaultEngine f(newLimits);
        QVERIFY(f.OpenFile(path("v.qx"), kPassword));
        QVERIFY(!f.ChangeMasterPassword("not it", "new secret"));
        QVERIFY(f.SaveFile());
        QVERIFY(e->OpenFile(path("v.qx"), kPassword)); // unchanged by the refusal

        QVERIFY(f.ChangeMasterPassword(kPassword, "new secret"));
        QVERIFY(f.SaveFile());
        const QByteArray after = readAll(path("v.qx"));
        QVERIFY(after.mid(VaultFormat::SaltAt, VaultFormat::SaltBytes) !=
                before.mid(VaultFormat::SaltAt, VaultFormat::SaltBytes));
        QCOMPARE(after.mid(VaultFormat::OpsLimitAt, 16),
                 with(with(QByteArray(16, 0), 0, 2, 8), 8, 2 * MinKdfMemLimit, 8));
        // Neither the file nor its backup opens with the old password any more.
        for (const char* name : {"v.qx", "v.qx.bak"}) {
            QVERIFY2(!e->OpenFile(path(name), kPassword), name);
            QVERIFY2(e->OpenFile(path(name), "new secret"), name);
            QCOMPARE(e->AccountCount(), 1);
        }
    }

    void coreDumpsAreOff() {
        QVERIFY(keepSecretsOutOfCoreDumps());
        QCOMPARE(::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 0);
        struct rlimit core {};
        QVERIFY(::getrlimit(RLIMIT_CORE, &core) == 0);
        QVERIFY(core.rlim_cur == 0 && core.rlim_max == 0);
    }

    void closeForgetsEverything() {
        AccountRecord r = put(simple(Banks, "b"));
        e->CloseFile(); // without saving
        QVERIFY(!e->IsOpen());
        QCOMPARE(e->CurrentFilePath(), QString());
        QVERIFY_THROWS_EXCEPTION(VaultError, e->SaveFile());
        QVERIFY_THROWS_EXCEPTION(VaultError, e->PutRecord(r));
        QVERIFY(e->OpenFile(path("v.qx"), kPassword));
        QCOMPARE(e->AccountCount(), 0);
    }

    void generator() {
        const QRegularExpression upper("[A-Z]"), lower("[a-z]"), digit("[0-9]"), symbol("[^A-Za-z0-9]");
        for (int length : {4, 5, 8, 64, 4096}) {
            for (int round = 0; round < 50; ++round) {
                const QString p = e->GeneratePassword(length);
                QCOMPARE(p.size(), length);
                QVERIFY(p.contains(upper) && p.contains(lower) && p.contains(digit) && p.contains(symbol));
            }
        }
        QCOMPARE(e->GeneratePassword(0), QString());
        QCOMPARE(e->GeneratePassword(1).size(), 1);
        const QStringList batch = e->GeneratePasswords(200, 12);
        QCOMPARE(QSet<QString>(batch.begin(), batch.end()).size(), 200);
        // Every character of the alphabet shows up, nothing else does, and none is favoured grossly.
        QHash<QChar, int> seen;
        for (QChar c : e->GeneratePassword(4096) + e->GeneratePassword(4096))
            ++seen[c];
        QCOMPARE(seen.size(), 88);
        for (auto it = seen.begin(); it != seen.end(); ++it) {
            const QChar c = it.key();
            QVERIFY(c.unicode() > 32 && c.unicode() < 127 && c != u'"' && c != u'\'' && c != u'\\');
            QVERIFY(it.value() > 30 && it.value() < 190);
        }

        QVERIFY_THROWS_EXCEPTION(VaultError, e->GeneratePassword(4097));
        QVERIFY_THROWS_EXCEPTION(VaultError, e->GeneratePassword(-1));
        QVERIFY_THROWS_EXCEPTION(VaultError, e->GeneratePasswords(1000001, 8));
        QVERIFY_THROWS_EXCEPTION(VaultError, e->GeneratePasswords(-1, 8));
        QVERIFY_THROWS_EXCEPTION(VaultError, e->GeneratePasswords(1000000, 4096)); // too many characters
        QVERIFY(e->GeneratePasswords(0, 8).isEmpty());
    }

    void digest() {
        const QString d = e->DigestText("pässword");
        QCOMPARE(d, e->DigestText("pässword"));
        QCOMPARE(d.size(), 64);
        QVERIFY(d != e->DigestText("password"));
        QVERIFY(engine()->DigestText("pässword") != d); // a fresh key: not comparable across runs
    }
};

QTEST_GUILESS_MAIN(TestVault)
#include "tst_vault.moc"
