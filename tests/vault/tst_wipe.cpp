#include "AccountRecord.h"
#include "Categories.h"
#include "FileVaultEngine.h"
#include "FreedSecrets.h"

#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <sys/mman.h>

namespace {

const QString kPassword = "correct horse";
// Nothing but the account below holds this text.
const char kSecret[] = "Qv7-unique-secret-Lm2";

AccountRecord account(const QString& password) {
    AccountRecord r;
    r.Type = Banks;
    r.Password = password;
    return r;
}

} // namespace

// What goes back to the heap from the engine holds no secret: every buffer of account texts or
// plaintext is overwritten first, whether the operation ends well or an allocation fails half-way.
class TestWipe : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<FileVaultEngine> e; // open on a vault of two accounts, the first holding kSecret
    QString path_;

    // The blocks holding kSecret that one engine call frees.
    template <typename F> long leaksOf(F&& call) {
        freecheck_watch(kSecret);
        call();
        const long hits = freecheck_hits();
        freecheck_watch(nullptr);
        return hits;
    }

private slots:
    void initTestCase() {
#ifdef __SANITIZE_ADDRESS__
        QSKIP("the sanitizer's allocator cannot be watched");
#endif
        // The watch sees frees at all, and a block with the secret when one goes, from the heap or
        // mapped apart.
        freecheck_watch(kSecret);
        delete new QString(QString::fromLatin1(kSecret));
        QVERIFY(freecheck_frees() > 0 && freecheck_hits() == 1);
        void* mapped = ::mmap(nullptr, 1 << 20, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        std::memcpy(static_cast<char*>(mapped) + (1 << 19), kSecret, sizeof kSecret);
        ::munmap(mapped, 1 << 20);
        QCOMPARE(freecheck_hits(), 2);
        freecheck_watch(nullptr);
    }

    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        path_ = dir_->filePath("v.qx");
        e = std::make_unique<FileVaultEngine>(KdfLimits::cheapest());
        AccountRecord r = account(kSecret), plain = account("pw");
        QVERIFY(e->CreateFile(path_, kPassword) && e->PutRecord(r) && e->PutRecord(plain) && e->SaveFile());
    }

    void changedDeletedAndClosedAccountsAreWiped() {
        AccountRecord edited = account("another password");
        edited.ID = 1;
        QCOMPARE(leaksOf([&] { QVERIFY(e->PutRecord(edited)); }), 0);

        AccountRecord second = account(kSecret);
        QVERIFY(e->PutRecord(second));
        QCOMPARE(leaksOf([&] { e->DeleteRecord(second.ID, AllCategories, true); }), 0);

        QVERIFY(e->PutRecord(second = account(kSecret)));
        QCOMPARE(leaksOf([&] { e->CloseFile(); }), 0);

        // Read from the file, the accounts are the decrypted file itself; it goes whole.
        QVERIFY(e->OpenFile(path_, kPassword));
        AccountRecord read;
        e->GetRecord(1, AllCategories, read);
        QCOMPARE(read.Password, kSecret);
        QCOMPARE(leaksOf([&] { QVERIFY(e->SaveFile()); }), 0);
        QCOMPARE(leaksOf([&] { e->CloseFile(); }), 0);
    }

    // Every allocation of an open or a save made to fail in turn, until one runs without failing.
    void noPlaintextLeftWhenAnAllocationFails() {
        for (const bool saving : {false, true}) {
            for (long skip = 0;; ++skip) {
                if (saving)
                    QVERIFY(e->OpenFile(path_, kPassword));
                else
                    e->CloseFile();
                bool done = false;
                const long leaks = leaksOf([&] {
                    freecheck_fail_allocation(skip);
                    done = saving ? e->SaveFileChecked(true) == SaveResult::Saved
                                  : e->OpenFile(path_, kPassword);
                    done = done && !freecheck_failed();
                    freecheck_fail_allocation(-1);
                });
                QVERIFY2(
                    leaks == 0,
                    qPrintable(QString("%1: allocation %2 failed").arg(saving ? "save" : "open").arg(skip)));
                if (done)
                    break;
            }
            QVERIFY(e->OpenFile(path_, kPassword) && e->AccountCount() == 2); // and the file is whole
        }
    }
};

QTEST_GUILESS_MAIN(TestWipe)
#include "tst_wipe.moc"
