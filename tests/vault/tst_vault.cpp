#include "AccountRecord.h"
#include "Categories.h"
#include "FileVaultEngine.h"
#include "FoldedOrder.h"
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
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kPassword = "correct horse";

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
    for (const AccountField& f : accountFields())
        if (f.kind == FieldKind::String)
            r.*f.text = QString("%1 %2 ü€😀\nline %3").arg(f.name).arg(type).arg(++n);
    r.Type = type;
    r.ExpirationPwd = 2.5;
    r.MyAccount = true;
    return r;
}

AccountRecord simple(int type, const QString& description, const QString& password = {}) {
    AccountRecord r;
    r.Type = type;
    r.Description = description;
    r.AccountName = description + " user";
    r.Password = password;
    r.ExpirationPwd = NoDate;
    return r;
}

QList<int> idsOf(const AccountRecords& records) {
    QList<int> ids;
    for (const AccountRecord& r : records)
        ids << r.ID;
    return ids;
}

// Whether the list's rows show just these records, in their order.
bool sameRows(const AccountRows& rows, const AccountRecords& records) {
    bool equal = rows.size() == int(records.size());
    for (int i = 0; equal && i < rows.size(); ++i) {
        const AccountRecord& r = records[size_t(i)];
        equal = rows.id(i) == r.ID && rows.category(i) == r.Type && rows.description(i) == r.Description &&
                rows.accountName(i) == r.AccountName;
    }
    return equal;
}

// How searches matched before they ran on the stored bytes: each UTF-16 unit case-folded on its
// own, surrogates as they are. A text matches when its folded units hold the needle's.
QString foldedUnits(QString text) {
    for (QChar& c : text)
        c = c.toCaseFolded();
    return text;
}

// A text of pieces that fold every way a search or sort must get right: ASCII, the Kelvin sign and
// the long s (which fold to k and s), Latin, the sharp s and its capital, Greek sigmas, Cyrillic,
// CJK, Deseret letters outside the Basic Multilingual Plane with a case of their own, an emoji,
// and U+0000, which sorts after the end of a text.
QString generatedText(QRandomGenerator& rng, int pieces) {
    static const QStringList kPieces =
        QString(
            "a|A|k|K|s|S|\u212A|\u017F|qu|Za|ka|sk|é|É|ß|ẞ|σ|ς|Σ|д|Д|日本|😀|\U00010400| |7|Zürich|\U00010428")
            .split(u'|')
        << QString(QChar(0));
    QString text;
    for (int i = int(rng.bounded(pieces + 1)); i > 0; --i)
        text += kPieces[rng.bounded(kPieces.size())];
    return text;
}

// The bytes with a little-endian number written over size bytes at offset.
QByteArray with(QByteArray bytes, qsizetype offset, quint64 value, int size) {
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
        QVERIFY(e->CurrentFileName() == u"v.qx" && e->CurrentFilePath() == path("v.qx"));
        std::vector<AccountRecord> stored;
        for (int type = 0; type < CategoryCountTotal; ++type)
            stored.push_back(put(fullRecord(type)));
        AccountRecord odd = simple(Misc, ""); // no description, no expiry date (2.0)
        odd.Notes = QString(600000, u'é');    // longer than 16 bits; a file of several blocks
        odd.Password = "  blanks kept  ";
        odd.RemindAnswer = QChar(0xFEFF) + QString("zero-width no-break space first");
        odd.KeyNotes = QChar(0xFEFF); // nothing else
        stored.push_back(put(odd));
        QVERIFY(e->SaveFile());

        auto f = engine();
        QVERIFY(f->OpenFile(path("v.qx"), kPassword) && f->AccountCount() == int(stored.size()));
        QSet<int> ids;
        for (const AccountRecord& r : stored) {
            AccountRecord back = fullRecord(Misc); // nothing of what it held stays
            f->GetRecord(r.ID, r.Type, back);
            QVERIFY(back == r && r.RecordDate == 46000.25);
            ids << r.ID;
        }
        // Identifiers are unique, and a deleted account's is not handed out again after a reopen.
        QVERIFY(ids.size() == int(stored.size()) && !ids.contains(0));
        f->DeleteRecord(stored.back().ID, 0, true);
        QVERIFY(f->SaveFile() && f->OpenFile(path("v.qx"), kPassword));
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
        QVERIFY(writeAll(path("old.qx"), file) && e->OpenFile(path("old.qx"), kPassword));
        AccountRecord back;
        e->GetRecord(1, Banks, back);
        QStringList fields; // every field that is set
        for (const AccountField& f : accountFields())
            if (!fieldText(back, f).isEmpty())
                fields << QString::fromLatin1(f.name) + u'=' + fieldText(back, f);
        QCOMPARE(fields, (QStringList{"Type=10", "BankWebSite=bank.example", "ID=1", "Description=Zürich 😀",
                                      "Password=s3cret!", "ExpirationPwd=2.5", "Notes=two\nlines",
                                      "RecordDate=46000.25", "Reserved=-7", "MyAccount=1"}));
        // Saving writes the same header again, the nonce apart.
        QVERIFY(e->SaveFile());
        QCOMPARE(readAll(path("old.qx")).left(VaultFormat::NonceAt), file.left(VaultFormat::NonceAt));
    }

    void putGetDeleteAndClose() {
        AccountRecord r = simple(Banks, "x");
        r.ID = 12345; // no such account
        QVERIFY(!e->PutRecord(r));
        r.ID = 0;
        r.Type = 13;
        QVERIFY(!e->PutRecord(r) && e->AccountCount() == 0);

        const AccountRecord a = put(simple(Pins, "pin")), b = put(simple(Forums, "forum"));
        const AccountRecord web = put(fullRecord(WebSites));
        AccountRecord out;
        e->GetRecord(b.ID, 0, out); // category 0 finds by identifier alone
        QCOMPARE(out, b);
        QVERIFY_THROWS_EXCEPTION(VaultError, e->GetRecord(b.ID, Pins, out));
        QVERIFY_THROWS_EXCEPTION(VaultError, e->GetRecord(999, 0, out));
        QVERIFY_THROWS_EXCEPTION(VaultError, e->DeleteRecord(a.ID, Forums, true));
        // Replacing an account with one of another category keeps nothing of the old fields.
        AccountRecord bank = simple(Banks, "Now a bank");
        bank.ID = web.ID;
        e->setClock([] { return 47000.5; });
        QVERIFY(e->PutRecord(bank) && bank.RecordDate == 47000.5);
        e->GetRecord(web.ID, Banks, out);
        QVERIFY(out == bank && e->CategoryCount(WebSites) == 0 && e->CategoryCount(Banks) == 1);

        AccountRecords left;
        QCOMPARE(e->GetRecords(left, AllCategories), 3);
        e->DeleteRecord(web.ID, 0, true); // by identifier alone, as GetRecord
        e->DeleteRecord(a.ID, Pins, false);
        QCOMPARE(e->GetRecords(left, AllCategories), 1); // not from a stale listing order
        QVERIFY_THROWS_EXCEPTION(VaultError, e->GetRecord(a.ID, 0, out));
        QVERIFY_THROWS_EXCEPTION(VaultError, e->DeleteRecord(a.ID, Pins, true));

        // Closing without saving forgets every change.
        e->CloseFile();
        QVERIFY(!e->IsOpen() && e->CurrentFilePath().isEmpty());
        QVERIFY_THROWS_EXCEPTION(VaultError, e->SaveFile());
        QVERIFY_THROWS_EXCEPTION(VaultError, e->PutRecord(out));
        QVERIFY(e->OpenFile(path("v.qx"), kPassword) && e->AccountCount() == 0);
    }

    void listingOrderAndCounts() {
        const QStringList titles{"beta", "Alpha", "alpha", "Gamma", "", "BETA"};
        for (int i = 0; i < titles.size(); ++i)
            put(simple(i % 2 ? Banks : Serials, titles[i]));
        AccountRecords out;
        auto listed = [&](int category) { // the counts GetRecords and CategoryCount give, then what it lists
            QStringList texts{QString::number(e->GetRecords(out, category)),
                              QString::number(e->CategoryCount(category))};
            for (const AccountRecord& r : out)
                texts << r.Description;
            return texts;
        };
        // By description ignoring case; equal ones in the order they were added.
        QCOMPARE(listed(AllCategories),
                 (QStringList{"6", "6", "", "Alpha", "alpha", "beta", "BETA", "Gamma"}));
        QCOMPARE(listed(Banks), (QStringList{"3", "3", "Alpha", "BETA", "Gamma"}));
        QCOMPARE(listed(Forums), (QStringList{"0", "0"}));
    }

    void findIgnoresCaseAndSecrets() {
        AccountRecord a = simple(WebSites, "Mail at ZÜRICH"), b = simple(Banks, "Bank"),
                      c = simple(CreditCards, "Card"), d = simple(Pins, "", "1234");
        a.Password = a.RemindAnswer = c.CardPin = c.OutgoingPassword = "needle";
        b.Notes = "the zürich branch\nsecond line";
        c.PrivateKey = "zürich";
        // The Kelvin sign and the long s fold to k and s; the sharp s stays one letter; Deseret
        // letters, outside the Basic Multilingual Plane, are matched as they are.
        AccountRecord f = simple(Misc, "Z\u212Aelvin \u017Ftra\u00DFe \U00010400");
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
            {"\U00010428", {}},
            {"\U00010400", {f.ID}},
            {QString(QChar(0xD801)), {f.ID}}, // half of that letter, as the search always did
        };
        AccountRecords out{a}; // whatever it held goes
        AccountRows rows;
        rows.append(7, Banks, u"gone", u"too");
        for (const auto& [text, expected] : cases) {
            QCOMPARE(e->FindRecords(text, out), int(expected.size()));
            QCOMPARE(e->FindRows(text, rows), int(expected.size()));
            QVERIFY2(idsOf(out) == expected && sameRows(rows, out), qPrintable(text));
        }
    }

    // On generated accounts: the list's rows are what full records show, in their order, which is
    // QString's own case-insensitive order; and searches find what they found before.
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
        AccountRecords records, all;
        AccountRows rows;
        for (int category : {AllCategories, int(Banks), int(Pins)}) {
            QCOMPARE(e->ListRows(rows, category), e->GetRecords(records, category));
            QVERIFY(sameRows(rows, records));
        }
        e->GetRecords(all, AllCategories);
        AccountRecords byHand = all; // equal descriptions in the order added
        std::sort(byHand.begin(), byHand.end(), [](const AccountRecord& a, const AccountRecord& b) {
            const int c = a.Description.compare(b.Description, Qt::CaseInsensitive);
            return c != 0 ? c < 0 : a.ID < b.ID;
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
            auto holds = [folded = foldedUnits(needle)](const QString& t) {
                return foldedUnits(t).contains(folded);
            };
            QList<int> expected;
            for (const AccountRecord& a : all)
                if (holds(a.Description) || holds(a.AccountName) || holds(a.Notes) || holds(a.Email))
                    expected << a.ID;
            QCOMPARE(e->FindRecords(needle, records), e->FindRows(needle, rows));
            QVERIFY2(idsOf(records) == expected && sameRows(rows, records), qPrintable(needle));
        }
    }

    void passwordInUseAndWebAddresses() {
        AccountRecord web = simple(WebSites, "First", "s3cret!"), bank = simple(Banks, "b"),
                      pin = simple(Pins, "p");
        web.WebsiteUrl = " example.org ";
        bank.BankWebSite = "https://bank.example";
        pin.WebsiteUrl = "ignored.example";
        web = put(web), bank = put(bank), pin = put(pin);
        QCOMPARE(e->GetWebAddress(web.ID, WebSites), u"example.org");
        QCOMPARE(e->GetWebAddress(bank.ID, Banks), u"https://bank.example");
        QCOMPARE(e->GetWebAddress(pin.ID, Pins), QString());
        QString owner;
        QVERIFY(e->PasswordInUse("s3cret!", owner, 0) && owner == u"First");
        owner.clear();
        // Not its own password, an exact match only, and an empty password never, though two have one.
        for (auto [password, skip] :
             {std::pair<QString, int>{"s3cret!", web.ID}, {"S3CRET!", 0}, {"s3cret", 0}, {"", 0}})
            QVERIFY2(!e->PasswordInUse(password, owner, skip) && owner.isEmpty(), qPrintable(password));
    }

    void damagedForeignAndHostileFilesAreRefused() {
        using namespace VaultFormat;
        const QByteArray good = savedSmallVault();
        QVERIFY(!e->OpenFile(path("v.qx"), "wrong") && !e->IsOpen() && readAll(path("v.qx")) == good);
        // Opening a FIFO or a device for reading would wait or read for ever.
        QVERIFY(QDir(dir_->path()).mkdir("folder.qx") && ::mkfifo(qPrintable(path("pipe.qx")), 0600) == 0);
        for (const QString& p :
             {path("folder.qx"), path("missing.qx"), QString(), path("pipe.qx"), QString("/dev/zero")})
            QVERIFY2(!e->OpenFile(p, kPassword), qPrintable(p));
        QVERIFY(!e->CreateFile(path("pipe.qx"), kPassword));

        const QString bad = path("bad.qx");
        for (qsizetype i = 0; i < good.size(); ++i) {
            QVERIFY2(writeAll(bad, with(good, i, quint8(good[i]) ^ 1, 1)) && !e->OpenFile(bad, kPassword),
                     qPrintable(QString("flip at %1").arg(i)));
            QVERIFY2(writeAll(bad, good.left(i)) && !e->OpenFile(bad, kPassword),
                     qPrintable(QString("cut at %1").arg(i)));
        }
        QVERIFY(writeAll(bad, good + '\0') && !e->OpenFile(bad, kPassword));
        const std::pair<QByteArray, OpenResult> cases[] = {
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
            {good, OpenResult::Opened}, // after all those refusals
        };
        for (const auto& [file, result] : cases) {
            // A refusal of the limits comes before the derivation: were a 4 GiB one run, the
            // changed header would make it end as WrongKeyOrDamaged.
            QCOMPARE(open(file, kPassword).result, result);
            QVERIFY(writeAll(bad, file));
            QCOMPARE(e->OpenFile(bad, kPassword), result == OpenResult::Opened);
        }
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
                     qPrintable(QString("%1 x %2").arg(ops).arg(mem)));
        // Within those bounds, never more than half of the machine's memory.
        const quint64 GiB = quint64(1) << 30;
        QVERIFY(kdfMemoryAffordable(MaxKdfMemLimit, 8 * GiB) &&
                !kdfMemoryAffordable(MaxKdfMemLimit, 8 * GiB - 1));
        QVERIFY(kdfMemoryAffordable(moderate.memLimit, 512 << 20) &&
                !kdfMemoryAffordable(moderate.memLimit, 511 << 20));
        QVERIFY(physicalMemoryBytes() >= 64 << 20);
    }

    // A save that cannot or must not be written leaves the file as it was.
    void refusedSavesLeaveTheFileAsItWas() {
        QDir root(dir_->path());
        QVERIFY(root.mkdir("home") && e->CreateFile(path("home/v.qx"), kPassword));
        put(simple(Banks, "kept"));
        QVERIFY(e->SaveFile());
        const QByteArray before = readAll(path("home/v.qx"));
        // The folder goes away under the open file: the write cannot even start.
        QVERIFY(root.rename("home", "moved"));
        put(simple(Banks, "unsaved"));
        QVERIFY(!e->SaveFile() && e->AccountCount() == 2);
        QCOMPARE(readAll(path("moved/v.qx")), before);
        // No temporary file left; the backup is of the save before.
        QCOMPARE(QDir(path("moved")).entryList(QDir::Files), (QStringList{"v.qx", "v.qx.bak"}));
        QVERIFY(root.rename("moved", "home") && e->SaveFile());

        // A file as large as may be is written, and opens again; a larger one is not written.
        const qint64 limit = readAll(path("home/v.qx")).size();
        e->setMaxFileBytes(limit);
        QVERIFY(e->SaveFile());
        auto limited = engine();
        limited->setMaxFileBytes(limit);
        QVERIFY(limited->OpenFile(path("home/v.qx"), kPassword));
        const QByteArray atLimit = readAll(path("home/v.qx"));
        put(simple(Banks, "one more"));
        QCOMPARE(e->SaveFileChecked(true), SaveResult::TooLarge);
        QCOMPARE(readAll(path("home/v.qx")), atLimit);
        // Written without the limit, it is what the limited engine refuses to open.
        e->setMaxFileBytes(VaultFormat::MaxFileBytes);
        QVERIFY(e->SaveFile() && !limited->OpenFile(path("home/v.qx"), kPassword));
        // A vault that became a FIFO since it was opened is left alone.
        QVERIFY(::mkfifo(qPrintable(path("pipe")), 0600) == 0);
        QVERIFY(::rename(qPrintable(path("pipe")), qPrintable(path("home/v.qx"))) == 0);
        QCOMPARE(e->SaveFileChecked(true), SaveResult::Failed);
        QVERIFY(QFileInfo(path("home/v.qx")).exists() && !QFileInfo(path("home/v.qx")).isFile());
    }

    void createReplacesOnlyWhatItCan() {
        QVERIFY(!e->CreateFile(path("no/such/folder/x.qx"), kPassword) && !e->IsOpen());
        QVERIFY(QDir(dir_->path()).mkdir("adir") && !e->CreateFile(path("adir"), kPassword));
        QVERIFY(QDir(path("adir")).exists());
        // Deleting without creating keeps the old file; creating puts a new, empty one in its place,
        // the owner's alone even where anyone could read or write the old one.
        QVERIFY(e->OpenFile(path("v.qx"), kPassword));
        const QByteArray before = savedSmallVault();
        e->DeleteFile(path("v.qx"));
        QCOMPARE(readAll(path("v.qx")), before);
        QVERIFY(::chmod(qPrintable(path("v.qx")), 0666) == 0);
        QVERIFY(e->CreateFile(path("v.qx"), "another one") && mode("v.qx") == 0600);
        QVERIFY(!e->OpenFile(path("v.qx"), kPassword) && e->OpenFile(path("v.qx"), "another one"));
        QCOMPARE(e->AccountCount(), 0);
    }

    void saveByAnotherUserKeepsOwnerAndGroup() {
        if (::geteuid() != 0)
            QSKIP("only root can give a file to another user");
        QVERIFY(::chown(qPrintable(path("v.qx")), 65534, 65534) == 0);
        for (bool create : {false, true}) {
            QVERIFY(create ? e->CreateFile(path("v.qx"), kPassword) : e->SaveFile());
            struct stat info {};
            QVERIFY(::stat(qPrintable(path("v.qx")), &info) == 0 && info.st_uid == 65534 &&
                    info.st_gid == 65534);
        }
    }

    // Two writers: a save never replaces a file changed on disk unless told to, and writers take
    // turns through the lock file.
    void twoWriters() {
        QVERIFY(e->SaveFile());
        auto other = engine();
        QVERIFY(other->OpenFile(path("v.qx"), kPassword));
        put(simple(Banks, "mine"));
        AccountRecord theirs = simple(Pins, "theirs");
        QVERIFY(other->PutRecord(theirs) && other->SaveFile());
        const QByteArray theirFile = readAll(path("v.qx"));
        QVERIFY(e->SaveFileChecked(false) == SaveResult::ChangedOnDisk && !e->SaveFile());
        QCOMPARE(readAll(path("v.qx")), theirFile);
        // Told to, it writes over them; their version is the backup.
        QVERIFY(e->SaveFileChecked(true) == SaveResult::Saved && readAll(path("v.qx.bak")) == theirFile);
        AccountRecords all;
        QVERIFY(other->OpenFile(path("v.qx"), kPassword) && other->GetRecords(all, AllCategories) == 1);
        QCOMPARE(all[0].Description, u"mine");
        QVERIFY(e->SaveFile()); // its own save is no change from elsewhere
        // The same size written in place, too quick for the clock to tell, is a change all the same.
        const QByteArray now = readAll(path("v.qx"));
        QVERIFY(writeAll(path("v.qx"), with(now, now.size() - 1, quint8(now.back()) ^ 1, 1)));
        QCOMPARE(e->SaveFileChecked(false), SaveResult::ChangedOnDisk);
        // A file removed meanwhile holds nothing to lose.
        QVERIFY(QFile::remove(path("v.qx")) && e->SaveFileChecked(false) == SaveResult::Saved);
        QVERIFY(other->OpenFile(path("v.qx"), kPassword));

        // Another writer holds the lock (the command-line tests try two locks at once).
        VaultFile::Lock held;
        QCOMPARE(held.acquire(path("v.qx"), 0), VaultFile::Lock::Result::Locked);
        e->setLockWait(0);
        const QByteArray before = readAll(path("v.qx"));
        put(simple(Banks, "b"));
        QVERIFY(e->SaveFileChecked(false) == SaveResult::Failed &&
                e->saveFailure().contains("another program"));
        QCOMPARE(readAll(path("v.qx")), before);
        // A caller that holds the lock itself saves under it.
        e->setCallerHoldsLock(true);
        QVERIFY(e->SaveFile());
        e->setCallerHoldsLock(false);
        held.release();
        QVERIFY(!QFile::exists(path("v.qx.lock"))); // removed when let go
        QVERIFY(e->SaveFile() && !QFile::exists(path("v.qx.lock")));
    }

    void symlinkedVaultReplacesItsTarget() {
        QDir root(dir_->path());
        QVERIFY(root.mkdir("real") && root.mkdir("links") && e->CreateFile(path("real/v.qx"), kPassword));
        QVERIFY(QFile::link("../real/v.qx", path("links/v.qx")) &&
                e->OpenFile(path("links/v.qx"), kPassword));
        put(simple(Banks, "through the link"));
        QVERIFY(e->SaveFile() && QFileInfo(path("links/v.qx")).isSymLink());
        QCOMPARE(QDir(path("links")).entryList(QDir::Files | QDir::System), QStringList{"v.qx"});
        QCOMPARE(QDir(path("real")).entryList(QDir::Files), (QStringList{"v.qx", "v.qx.bak"}));
        QVERIFY(e->OpenFile(path("real/v.qx"), kPassword) && e->AccountCount() == 1);
    }

    // Created files are the owner's; one the user chose to share keeps its mode across saves, and
    // so does its backup, which keeps one generation.
    void backupsAndModes() {
        QVERIFY(mode("v.qx") == 0600 && !QFile::exists(path("v.qx.bak"))); // creating is not saving
        const QByteArray created = readAll(path("v.qx"));
        QVERIFY(::chmod(qPrintable(path("v.qx")), 0640) == 0);
        put(simple(Banks, "first"));
        QVERIFY(e->SaveFile() && readAll(path("v.qx.bak")) == created);
        const QByteArray first = readAll(path("v.qx"));
        QVERIFY(e->SaveFile() && readAll(path("v.qx.bak")) == first);
        QVERIFY(readAll(path("v.qx")) != first); // every save takes a fresh nonce
        QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), (QStringList{"v.qx", "v.qx.bak"}));
        QVERIFY(mode("v.qx") == 0640 && mode("v.qx.bak") == 0640);
        e->SetKeepBackup(false);
        QVERIFY(e->SaveFile() && readAll(path("v.qx.bak")) == first);
        // Where no hard link can be made, a copy of the same bytes and mode takes its place.
        VaultFile::RegularFile current(path("v.qx"));
        QVERIFY(VaultFile::copyBackup(current, path("copy.bak")));
        QVERIFY(readAll(path("copy.bak")) == readAll(path("v.qx")) && mode("copy.bak") == 0640);
    }

    void changingTheMasterPasswordReseals() {
        put(simple(Banks, "kept"));
        QVERIFY(e->SaveFile());
        const QByteArray before = readAll(path("v.qx"));
        FileVaultEngine f(KdfLimits{2, 2 * MinKdfMemLimit});
        QVERIFY(f.OpenFile(path("v.qx"), kPassword));
        QVERIFY(!f.ChangeMasterPassword("not it", "new secret") && f.SaveFile());
        QVERIFY(e->OpenFile(path("v.qx"), kPassword)); // unchanged by the refusal
        QVERIFY(f.ChangeMasterPassword(kPassword, "new secret") && f.SaveFile());
        const QByteArray after = readAll(path("v.qx"));
        using namespace VaultFormat;
        QVERIFY(after.mid(SaltAt, SaltBytes) != before.mid(SaltAt, SaltBytes));
        QCOMPARE(after.mid(OpsLimitAt, 16), with(with(QByteArray(16, 0), 0, 2, 8), 8, 2 * MinKdfMemLimit, 8));
        // Neither the file nor its backup opens with the old password any more.
        for (const char* name : {"v.qx", "v.qx.bak"})
            QVERIFY2(!e->OpenFile(path(name), kPassword) && e->OpenFile(path(name), "new secret") &&
                         e->AccountCount() == 1,
                     name);
        // The backup is the new file itself until the next save; that save leaves no stray link
        // behind, which would keep the old generation readable by whoever had it.
        QVERIFY(f.SaveFile() && f.SaveFile());
        QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), (QStringList{"v.qx", "v.qx.bak"}));
    }

    void generatorAndDigest() {
        const QRegularExpression everyKind("^(?=.*[A-Z])(?=.*[a-z])(?=.*[0-9])(?=.*[^A-Za-z0-9])");
        for (int length : {4, 5, 8, 64, 4096})
            for (const QString& p : e->GeneratePasswords(50, length))
                QVERIFY(p.size() == length && p.contains(everyKind));
        QVERIFY(e->GeneratePassword(0).isEmpty() && e->GeneratePassword(1).size() == 1);
        const QStringList batch = e->GeneratePasswords(200, 12);
        QCOMPARE(QSet<QString>(batch.begin(), batch.end()).size(), 200);
        // Every character of the alphabet shows up, nothing else does, and none is favoured grossly.
        QHash<QChar, int> seen;
        for (QChar c : e->GeneratePassword(4096) + e->GeneratePassword(4096))
            ++seen[c];
        QCOMPARE(seen.size(), 88);
        for (auto [c, n] : seen.asKeyValueRange())
            QVERIFY(c > u' ' && c.unicode() < 127 && c != u'"' && c != u'\'' && c != u'\\' && n > 30 &&
                    n < 190);
        QVERIFY_THROWS_EXCEPTION(VaultError, e->GeneratePassword(4097));
        QVERIFY_THROWS_EXCEPTION(VaultError, e->GeneratePassword(-1));
        for (auto [count, length] :
             {std::pair{1000001, 8}, {-1, 8}, {1000000, 4096}}) // 4096: too many characters
            QVERIFY_THROWS_EXCEPTION(VaultError, e->GeneratePasswords(count, length));
        QVERIFY(e->GeneratePasswords(0, 8).isEmpty());

        const QString d = e->DigestText("pässword");
        QVERIFY(d == e->DigestText("pässword") && d.size() == 64 && d != e->DigestText("password"));
        QVERIFY(engine()->DigestText("pässword") != d); // a fresh key: not comparable across runs
    }
};

QTEST_GUILESS_MAIN(TestVault)
#include "tst_vault.moc"
