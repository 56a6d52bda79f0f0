#include "AccountRecord.h"
#include "Categories.h"
#include "FileVaultEngine.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

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

// Every field filled with a value of its own, as a form of any category could send it.
AccountRecord fullRecord(int type, const QString& salt) {
    AccountRecord r;
    int n = 0;
    for (const AccountField& f : accountFields()) {
        if (f.kind == FieldKind::String)
            r.*f.text = QStringLiteral("%1 %2 ü€😀\nline %3").arg(QString::fromLatin1(f.name), salt).arg(++n);
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

} // namespace

class TestVault : public QObject {
    Q_OBJECT
private slots:
    void init();
    void roundTripOfEveryField();
    void identifiersAreUniqueAndNeverReused();
    void putRecordRules();
    void getRecordAndDelete();
    void listingOrderAndCounts();
    void findIgnoresCaseAndSecrets();
    void passwordInUse();
    void webAddresses();
    void wrongPasswordAndForeignFiles();
    void everyFlippedByteAndTruncationIsRefused();
    void absurdHeaderLimitsAreRefusedQuickly();
    void newerFormatIsRefused();
    void failedSaveLeavesOldFileIntact();
    void deleteFileWithoutCreateKeepsOldFile();
    void newFilesAreForTheOwnerOnly();
    void createFileFailure();
    void closeForgetsEverything();
    void generator();
    void generatorBounds();
    void digest();
    void payloadDecoderRejectsMalformedData();

private:
    QString path(const QString& name) const { return dir_->filePath(name); }
    std::unique_ptr<FileVaultEngine> engine() {
        auto e = std::make_unique<FileVaultEngine>(KdfLimits::cheapest());
        e->setClock([] { return 46000.25; });
        return e;
    }
    std::unique_ptr<QTemporaryDir> dir_;
};

void TestVault::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void TestVault::roundTripOfEveryField() {
    auto e = engine();
    QVERIFY(e->CreateFile(path("a.qx"), kPassword));
    QVERIFY(e->IsOpen());
    QCOMPARE(e->CurrentFileName(), u"a.qx");
    QCOMPARE(e->CurrentFilePath(), path("a.qx"));

    std::vector<AccountRecord> stored;
    for (int type = 0; type < CategoryCountTotal; ++type) {
        AccountRecord r = fullRecord(type, QString::number(type));
        QVERIFY(e->PutRecord(r));
        QVERIFY(r.ID > 0);
        QCOMPARE(r.RecordDate, 46000.25);
        stored.push_back(r);
    }
    AccountRecord odd = simple(Misc, QString());
    odd.Notes = QString(200000, QChar(u'é')); // longer than 16 bits of length
    odd.Password = QStringLiteral("  blanks kept  ");
    odd.ExpirationPwd = 2.0;
    odd.Reserved = 0;
    QVERIFY(e->PutRecord(odd));
    stored.push_back(odd);
    QVERIFY(e->SaveFile());

    auto f = engine();
    QVERIFY(f->OpenFile(path("a.qx"), kPassword));
    QCOMPARE(f->AccountCount(), int(stored.size()));
    for (const AccountRecord& r : stored) {
        AccountRecord back;
        back.Notes = QStringLiteral("stale");
        f->GetRecord(r.ID, r.Type, back);
        QCOMPARE(back, r);
    }
    AccountRecord back;
    f->GetRecord(odd.ID, 0, back);
    QVERIFY(!IsDateSet(back.ExpirationPwd));
    QCOMPARE(back.Notes.size(), 200000);
}

void TestVault::identifiersAreUniqueAndNeverReused() {
    auto e = engine();
    QVERIFY(e->CreateFile(path("ids.qx"), kPassword));
    QSet<int> ids;
    int last = 0;
    for (int i = 0; i < 26; ++i) {
        AccountRecord r = simple(i % 13, QStringLiteral("acc %1").arg(i));
        QVERIFY(e->PutRecord(r));
        QVERIFY(!ids.contains(r.ID));
        ids.insert(r.ID);
        last = r.ID;
    }
    e->DeleteRecord(last, 25 % 13, true);
    QVERIFY(e->SaveFile());
    e->CloseFile();
    QVERIFY(e->OpenFile(path("ids.qx"), kPassword));
    AccountRecord r = simple(Banks, QStringLiteral("after reopen"));
    QVERIFY(e->PutRecord(r));
    QVERIFY(r.ID > last); // a deleted account's identifier is not handed out again
}

void TestVault::putRecordRules() {
    auto e = engine();
    AccountRecord r = simple(Banks, "x");
    QVERIFY_THROWS_EXCEPTION(VaultError, e->PutRecord(r));
    QVERIFY(e->CreateFile(path("p.qx"), kPassword));
    r.ID = 12345;
    QVERIFY(!e->PutRecord(r)); // no such account
    r.ID = 0;
    r.Type = 13;
    QVERIFY(!e->PutRecord(r));
    QCOMPARE(e->AccountCount(), 0);

    // Replacing an account with one of another category keeps nothing of the old fields.
    AccountRecord web = fullRecord(WebSites, "w");
    QVERIFY(e->PutRecord(web));
    AccountRecord bank = simple(Banks, "Now a bank");
    bank.ID = web.ID;
    e->setClock([] { return 47000.5; });
    QVERIFY(e->PutRecord(bank));
    AccountRecord back;
    e->GetRecord(web.ID, Banks, back);
    QCOMPARE(back.Type, int(Banks));
    QVERIFY(back.WebsiteName.isEmpty());
    QCOMPARE(back.RecordDate, 47000.5);
    QCOMPARE(e->CategoryCount(WebSites), 0);
    QCOMPARE(e->CategoryCount(Banks), 1);
}

void TestVault::getRecordAndDelete() {
    auto e = engine();
    QVERIFY(e->CreateFile(path("g.qx"), kPassword));
    AccountRecord a = simple(Pins, "pin"), b = simple(Forums, "forum");
    QVERIFY(e->PutRecord(a));
    QVERIFY(e->PutRecord(b));
    AccountRecord out;
    e->GetRecord(b.ID, 0, out); // category 0 finds by identifier alone
    QCOMPARE(out.Description, u"forum");
    QVERIFY_THROWS_EXCEPTION(VaultError, e->GetRecord(b.ID, Pins, out));
    QVERIFY_THROWS_EXCEPTION(VaultError, e->GetRecord(999, 0, out));
    QVERIFY_THROWS_EXCEPTION(VaultError, e->DeleteRecord(a.ID, Forums, true));
    AccountRecord c = simple(Banks, "bank");
    QVERIFY(e->PutRecord(c));
    e->DeleteRecord(c.ID, 0, true); // by identifier alone, as GetRecord
    e->DeleteRecord(a.ID, Pins, false);
    QCOMPARE(e->AccountCount(), 1);
    QVERIFY_THROWS_EXCEPTION(VaultError, e->GetRecord(a.ID, 0, out));
    QVERIFY_THROWS_EXCEPTION(VaultError, e->DeleteRecord(a.ID, Pins, true));
}

void TestVault::listingOrderAndCounts() {
    auto e = engine();
    QVERIFY(e->CreateFile(path("l.qx"), kPassword));
    const QStringList titles{"beta", "Alpha", "alpha", "Gamma", "", "BETA"};
    for (int i = 0; i < titles.size(); ++i) {
        AccountRecord r = simple(i % 2 ? Banks : Serials, titles[i]);
        QVERIFY(e->PutRecord(r));
    }
    AccountRecords all;
    QCOMPARE(e->GetRecords(all, AllCategories), 6);
    QCOMPARE(e->RecordCount(all), 6);
    QStringList got;
    for (const AccountRecord& r : all)
        got << r.Description;
    QCOMPARE(got, (QStringList{"", "Alpha", "alpha", "beta", "BETA", "Gamma"}));
    for (size_t i = 1; i < all.size(); ++i) {
        if (all[i].Description.compare(all[i - 1].Description, Qt::CaseInsensitive) == 0)
            QVERIFY(all[i].ID > all[i - 1].ID);
    }
    AccountRecords banks;
    QCOMPARE(e->GetRecords(banks, Banks), 3);
    for (const AccountRecord& r : banks)
        QCOMPARE(r.Type, int(Banks));
    QCOMPARE(e->CategoryCount(Banks), 3);
    QCOMPARE(e->CategoryCount(AllCategories), 6);
    QCOMPARE(e->CategoryCount(Forums), 0);
    QCOMPARE(e->CategoryName(Banks), u"Bank");
    QCOMPARE(e->CategoryName(WebSites), u"Web site");
}

void TestVault::findIgnoresCaseAndSecrets() {
    auto e = engine();
    QVERIFY(e->CreateFile(path("f.qx"), kPassword));
    AccountRecord a = simple(WebSites, "Mail at ZÜRICH");
    a.Password = "needle";
    a.RemindAnswer = "needle";
    AccountRecord b = simple(Banks, "Bank");
    b.Notes = "the zürich branch\nsecond line";
    AccountRecord c = simple(CreditCards, "Card");
    c.CardPin = "needle";
    c.PrivateKey = "zürich";
    c.OutgoingPassword = "needle";
    for (AccountRecord* r : {&a, &b, &c})
        QVERIFY(e->PutRecord(*r));
    AccountRecords out;
    QCOMPARE(e->FindRecords("zürich", out), 2);
    QCOMPARE(out[0].ID, b.ID); // "Bank" sorts before "Mail at ZÜRICH"
    QCOMPARE(out[1].ID, a.ID);
    QCOMPARE(e->FindRecords("NEEDLE", out), 0);
    QCOMPARE(e->FindRecords("branch\nsec", out), 1);
    QCOMPARE(e->FindRecords("bank user", out), 1); // account names are searched too
    QCOMPARE(e->FindRecords("card", out), 1);
    QCOMPARE(e->FindRecords("xyz", out), 0);
    QVERIFY(out.empty());
    AccountRecord secretsOnly;
    secretsOnly.Type = Pins;
    secretsOnly.Password = "1234";
    QVERIFY(e->PutRecord(secretsOnly));
    QCOMPARE(e->FindRecords("", out), 4); // an empty text finds every account
}

void TestVault::passwordInUse() {
    auto e = engine();
    QVERIFY(e->CreateFile(path("u.qx"), kPassword));
    AccountRecord a = simple(WebSites, "First", "s3cret!"), b = simple(Banks, "Second", "");
    QVERIFY(e->PutRecord(a));
    QVERIFY(e->PutRecord(b));
    QString owner;
    QVERIFY(e->PasswordInUse("s3cret!", owner, 0));
    QCOMPARE(owner, u"First");
    owner.clear();
    QVERIFY(!e->PasswordInUse("s3cret!", owner, a.ID)); // its own password
    QVERIFY(!e->PasswordInUse("S3CRET!", owner, 0));    // exact match only
    QVERIFY(!e->PasswordInUse("s3cret", owner, 0));
    QVERIFY(!e->PasswordInUse("", owner, 0));           // an empty password is never in use
    QVERIFY(owner.isEmpty());
}

void TestVault::webAddresses() {
    auto e = engine();
    QVERIFY(e->CreateFile(path("w.qx"), kPassword));
    AccountRecord web = simple(WebSites, "w"), bank = simple(Banks, "b"), pin = simple(Pins, "p");
    web.WebsiteUrl = " example.org ";
    bank.BankWebSite = "https://bank.example";
    pin.WebsiteUrl = "ignored.example";
    for (AccountRecord* r : {&web, &bank, &pin})
        QVERIFY(e->PutRecord(*r));
    QCOMPARE(e->GetWebAddress(web.ID, WebSites), u"example.org");
    QCOMPARE(e->GetWebAddress(bank.ID, Banks), u"https://bank.example");
    QCOMPARE(e->GetWebAddress(pin.ID, Pins), QString());
    QCOMPARE(e->GetWebAddress(0, 99), QString());
}

void TestVault::wrongPasswordAndForeignFiles() {
    auto e = engine();
    QVERIFY(e->CreateFile(path("w.qx"), kPassword));
    AccountRecord r = simple(Banks, "b");
    QVERIFY(e->PutRecord(r));
    QVERIFY(e->SaveFile());
    const QByteArray before = readAll(path("w.qx"));

    QVERIFY(!e->OpenFile(path("w.qx"), "wrong"));
    QVERIFY(!e->IsOpen());
    QVERIFY_THROWS_EXCEPTION(VaultError, e->AccountCount());
    QCOMPARE(readAll(path("w.qx")), before);

    QVERIFY(writeAll(path("empty.qx"), {}));
    QVERIFY(writeAll(path("text.qx"), QByteArray("just some text that is long enough to pass a size check, "
                                                 "but is not a vault at all ..........................")));
    QDir(dir_->path()).mkdir("folder.qx");
    for (const char* name : {"empty.qx", "text.qx", "folder.qx", "missing.qx"})
        QVERIFY2(!e->OpenFile(path(name), kPassword), name);
    QVERIFY(!e->OpenFile(QString(), kPassword));
    QVERIFY(e->OpenFile(path("w.qx"), kPassword));
    QCOMPARE(e->AccountCount(), 1);
}

void TestVault::everyFlippedByteAndTruncationIsRefused() {
    auto e = engine();
    QVERIFY(e->CreateFile(path("small.qx"), kPassword));
    AccountRecord r = simple(Pins, "pin", "1234");
    QVERIFY(e->PutRecord(r));
    QVERIFY(e->SaveFile());
    e->CloseFile();
    const QByteArray good = readAll(path("small.qx"));
    QVERIFY(good.size() > 100);
    const QString bad = path("bad.qx");
    for (qsizetype i = 0; i < good.size(); ++i) {
        QByteArray flipped = good;
        flipped[i] = char(flipped[i] ^ 0x01);
        QVERIFY(writeAll(bad, flipped));
        QVERIFY2(!e->OpenFile(bad, kPassword), qPrintable(QStringLiteral("flip at %1").arg(i)));
        QVERIFY(!e->IsOpen());
    }
    for (qsizetype n = 0; n < good.size(); ++n) {
        QVERIFY(writeAll(bad, good.left(n)));
        QVERIFY2(!e->OpenFile(bad, kPassword), qPrintable(QStringLiteral("cut at %1").arg(n)));
    }
    QVERIFY(writeAll(bad, good + QByteArray(1, '\0')));
    QVERIFY(!e->OpenFile(bad, kPassword));
    QVERIFY(e->OpenFile(path("small.qx"), kPassword));
}

void TestVault::absurdHeaderLimitsAreRefusedQuickly() {
    auto e = engine();
    QVERIFY(e->CreateFile(path("k.qx"), kPassword));
    e->CloseFile();
    const QByteArray good = readAll(path("k.qx"));
    auto withLimit = [&](int offset, quint64 value) {
        QByteArray b = good;
        for (int i = 0; i < 8; ++i)
            b[offset + i] = char((value >> (8 * i)) & 0xFF);
        return b;
    };
    // Opslimit at offset 16, memlimit at 24, both little-endian.
    const QList<QByteArray> hostile{withLimit(16, 101), withLimit(16, ~quint64(0)), withLimit(16, 0),
                                    withLimit(24, (quint64(4) << 30) + 1), withLimit(24, ~quint64(0)),
                                    withLimit(24, 1)};
    QElapsedTimer timer;
    timer.start();
    for (const QByteArray& b : hostile) {
        QVERIFY(writeAll(path("hostile.qx"), b));
        QVERIFY(!e->OpenFile(path("hostile.qx"), kPassword));
    }
    QVERIFY(timer.elapsed() < 2000); // nothing was derived (a 4 GiB derivation would take far longer)
}

void TestVault::newerFormatIsRefused() {
    auto e = engine();
    QVERIFY(e->CreateFile(path("v.qx"), kPassword));
    e->CloseFile();
    QByteArray b = readAll(path("v.qx"));
    QCOMPARE(b.left(7), QByteArray("VNTRLQX"));
    QCOMPARE(int(b[8]), 1);
    b[8] = 2;
    QVERIFY(writeAll(path("v2.qx"), b));
    QVERIFY(!e->OpenFile(path("v2.qx"), kPassword));
}

void TestVault::failedSaveLeavesOldFileIntact() {
    QDir root(dir_->path());
    QVERIFY(root.mkdir("home"));
    auto e = engine();
    QVERIFY(e->CreateFile(path("home/v.qx"), kPassword));
    AccountRecord r = simple(Banks, "kept");
    QVERIFY(e->PutRecord(r));
    QVERIFY(e->SaveFile());
    const QByteArray before = readAll(path("home/v.qx"));

    // The folder goes away under the open file: the write cannot even start.
    QVERIFY(root.rename("home", "moved"));
    AccountRecord extra = simple(Banks, "unsaved");
    QVERIFY(e->PutRecord(extra));
    QVERIFY(!e->SaveFile());
    QVERIFY(e->IsOpen());
    QCOMPARE(e->AccountCount(), 2);
    QCOMPARE(readAll(path("moved/v.qx")), before);
    QCOMPARE(QDir(path("moved")).entryList(QDir::Files), QStringList{"v.qx"}); // no temp file left

    // Saving every time with a fresh nonce: two saves of the same content differ.
    QVERIFY(root.rename("moved", "home"));
    QVERIFY(e->SaveFile());
    const QByteArray first = readAll(path("home/v.qx"));
    QVERIFY(e->SaveFile());
    QVERIFY(readAll(path("home/v.qx")) != first);
}

void TestVault::deleteFileWithoutCreateKeepsOldFile() {
    auto e = engine();
    QVERIFY(e->CreateFile(path("old.qx"), kPassword));
    AccountRecord r = simple(Banks, "precious");
    QVERIFY(e->PutRecord(r));
    QVERIFY(e->SaveFile());
    e->CloseFile();
    const QByteArray before = readAll(path("old.qx"));
    e->DeleteFile(path("old.qx"));
    QCOMPARE(readAll(path("old.qx")), before);
    QVERIFY(e->OpenFile(path("old.qx"), kPassword));
    QCOMPARE(e->AccountCount(), 1);
    e->CloseFile();

    // Replacing it for real: the new, empty file takes its place.
    e->DeleteFile(path("old.qx"));
    QVERIFY(e->CreateFile(path("old.qx"), "another one"));
    QCOMPARE(e->AccountCount(), 0);
    e->CloseFile();
    QVERIFY(!e->OpenFile(path("old.qx"), kPassword));
    QVERIFY(e->OpenFile(path("old.qx"), "another one"));
}

void TestVault::newFilesAreForTheOwnerOnly() {
    auto e = engine();
    QVERIFY(e->CreateFile(path("mine.qx"), kPassword));
    QCOMPARE(QFile::permissions(path("mine.qx")) & 0x0077, QFileDevice::Permissions());
    // A vault the user chose to share keeps its permissions across saves.
    const auto shared = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    QVERIFY(QFile::setPermissions(path("mine.qx"), shared));
    QVERIFY(e->SaveFile());
    QCOMPARE(QFile::permissions(path("mine.qx")) & 0x0077, QFileDevice::ReadGroup);
}

void TestVault::createFileFailure() {
    auto e = engine();
    QVERIFY(!e->CreateFile(path("no/such/folder/x.qx"), kPassword));
    QVERIFY(!e->IsOpen());
    QDir(dir_->path()).mkdir("adir");
    QVERIFY(!e->CreateFile(path("adir"), kPassword));
    QVERIFY(!e->IsOpen());
    QVERIFY(QDir(path("adir")).exists());
}

void TestVault::closeForgetsEverything() {
    auto e = engine();
    QVERIFY(e->CreateFile(path("c.qx"), kPassword));
    AccountRecord r = simple(Banks, "b");
    QVERIFY(e->PutRecord(r));
    e->CloseFile(); // without saving
    QVERIFY(!e->IsOpen());
    QCOMPARE(e->CurrentFileName(), QString());
    QCOMPARE(e->CurrentFilePath(), QString());
    QVERIFY_THROWS_EXCEPTION(VaultError, e->SaveFile());
    QVERIFY(e->OpenFile(path("c.qx"), kPassword));
    QCOMPARE(e->AccountCount(), 0);
}

void TestVault::generator() {
    auto e = engine(); // no file needed
    const QRegularExpression upper("[A-Z]"), lower("[a-z]"), digit("[0-9]"), symbol("[^A-Za-z0-9]");
    for (int length : {4, 5, 8, 64, 4096}) {
        for (int round = 0; round < 50; ++round) {
            const QString p = e->GeneratePassword(length);
            QCOMPARE(p.size(), length);
            QVERIFY(p.contains(upper) && p.contains(lower) && p.contains(digit) && p.contains(symbol));
            for (QChar c : p)
                QVERIFY(c.unicode() > 32 && c.unicode() < 127 && c != u'"' && c != u'\'' && c != u'\\');
        }
    }
    QCOMPARE(e->GeneratePassword(0), QString());
    QCOMPARE(e->GeneratePassword(1).size(), 1);
    const QStringList batch = e->GeneratePasswords(200, 12);
    QCOMPARE(batch.size(), 200);
    QCOMPARE(QSet<QString>(batch.begin(), batch.end()).size(), 200);
    // Every character of the alphabet shows up: nothing is left out or favoured grossly.
    QHash<QChar, int> seen;
    for (QChar c : e->GeneratePassword(4096) + e->GeneratePassword(4096))
        ++seen[c];
    QCOMPARE(seen.size(), 88);
    for (int count : seen)
        QVERIFY(count > 30 && count < 190);
}

void TestVault::generatorBounds() {
    auto e = engine();
    QVERIFY_THROWS_EXCEPTION(VaultError, e->GeneratePassword(4097));
    QVERIFY_THROWS_EXCEPTION(VaultError, e->GeneratePassword(-1));
    QVERIFY_THROWS_EXCEPTION(VaultError, e->GeneratePasswords(1000001, 8));
    QVERIFY_THROWS_EXCEPTION(VaultError, e->GeneratePasswords(-1, 8));
    QVERIFY_THROWS_EXCEPTION(VaultError, e->GeneratePasswords(1000000, 4096));
    QVERIFY(e->GeneratePasswords(0, 8).isEmpty());
}

void TestVault::digest() {
    auto e = engine();
    const QString d = e->DigestText("pässword");
    QCOMPARE(d, e->DigestText("pässword"));
    QCOMPARE(d.size(), 64);
    QVERIFY(d != e->DigestText("password"));
    QVERIFY(!d.contains("pässword"));
    auto other = engine(); // a fresh key: digests are not comparable across runs
    QVERIFY(other->DigestText("pässword") != d);
}

void TestVault::payloadDecoderRejectsMalformedData() {
    VaultContents c;
    c.nextId = 5;
    AccountRecord r = simple(Banks, "b");
    r.ID = 3;
    FileVaultEngine e(KdfLimits::cheapest());
    // Round trip through the encoder first, then damage the structure in ways a key holder could.
    StoredAccount a;
    a.id = 3;
    a.type = Banks;
    c.accounts.push_back(a);
    const QByteArray good = encodePayload(c);
    VaultContents back;
    QVERIFY(decodePayload(good, back));
    QCOMPARE(back.nextId, 5u);
    QCOMPARE(back.accounts.size(), size_t(1));

    VaultContents dup = c;
    dup.accounts.push_back(a); // the same identifier twice
    QVERIFY(!decodePayload(encodePayload(dup), back));
    VaultContents tooHigh = c;
    tooHigh.nextId = 3; // an account at or past the next identifier would be handed out again
    QVERIFY(!decodePayload(encodePayload(tooHigh), back));
    VaultContents badType = c;
    badType.accounts[0].type = 13;
    QVERIFY(!decodePayload(encodePayload(badType), back));
    QVERIFY(!decodePayload(good + QByteArray(1, '\0'), back));
    QVERIFY(back.accounts.empty());
    for (qsizetype n = 0; n < good.size(); ++n)
        QVERIFY(!decodePayload(good.left(n), back));
}

QTEST_GUILESS_MAIN(TestVault)
#include "tst_vault.moc"
