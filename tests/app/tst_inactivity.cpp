// The inactivity lock with the clock and the ticks driven by the test.

#include "AccountCommands.h"
#include "Browser.h"
#include "Clipboard.h"
#include "EditForm.h"
#include "FieldSets.h"
#include "InactivityLock.h"
#include "KW_Inactivity.h"
#include "MainRun.h"
#include "Product.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>

namespace {

struct LockRun : MainRun {
    InactivityLock& lock() { return main->inactivity(); }
    // Idle minutes go by, each ended by a tick.
    void idle(int minutes) {
        for (int i = 0; i < minutes; ++i) {
            clock.advanceSecs(60);
            lock().component().tick();
        }
    }
    int count(TextId id) const { return int(shown().count(Text(id))); }
    // A password put on the clipboard as the copy command does.
    void copyPassword(const QString& password) {
        Clipboard().put(password, Clipboard::Kind::Secret);
        main->browser().recordCopiedPassword(engine().DigestText(password), clock.monotonicMs());
    }
    void tickAfter(int secs) {
        clock.advanceSecs(secs);
        lock().component().tick();
    }
};

} // namespace

class TestInactivity : public QObject {
    Q_OBJECT
private slots:
    void noFileNoNotice() {
        LockRun f;
        f.start();
        QVERIFY(f.lock().component().isStarted());
        f.idle(4);
        QCOMPARE(f.lock().IdleCount(), 0);
        QCOMPARE(f.count(TextId::IdleWarning) + f.count(TextId::IdleClosing), 0);
    }

    void warnsThenSavesAndClosesWithoutAsking() {
        LockRun f;
        Main& m = f.startWithOpenVault();
        f.addUnsavedAccount("unsaved");
        f.idle(1);
        QCOMPARE(f.lock().IdleCount(), 1);
        QCOMPARE(f.count(TextId::IdleWarning), 0);
        f.idle(1);
        QCOMPARE(f.count(TextId::IdleWarning), 1);
        QVERIFY(f.engine().IsOpen());
        f.idle(1);
        QCOMPARE(f.count(TextId::IdleClosing), 1);
        QVERIFY(f.prompts.asked.isEmpty());
        QVERIFY(!f.engine().IsOpen());
        QCOMPARE(f.accountsOnDisk("a.qx", "secret1"), 1);
        QCOMPARE(m.windowTitle(), Product::name() + ' ' + Product::version() + " - " + Product::webAddress());
        f.idle(1); // no file any more: the count starts over
        QCOMPARE(f.lock().IdleCount(), 0);
    }

    void activityAfterTheWarningStartsOver() {
        LockRun f;
        Main& m = f.startWithOpenVault();
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        f.idle(2);
        QCOMPARE(f.lock().IdleCount(), 2);
        QTest::mouseMove(&m, QPoint(100, 100)); // a move over our window is activity
        QCOMPARE(f.lock().IdleCount(), 0);
        f.idle(2);
        QTest::keyClick(&m, Qt::Key_Shift);
        f.idle(2);
        QVERIFY(f.engine().IsOpen()); // never a third period in a row
        QCOMPARE(f.count(TextId::IdleWarning), 3);
    }

    void failedSaveKeepsTheFileOpen() {
        LockRun f;
        QDir(f.dir.path()).mkdir("home");
        Main& m = f.startWithOpenVault("home/v.qx");
        f.addUnsavedAccount("x");
        QVERIFY(QDir(f.dir.path()).rename("home", "gone"));
        f.idle(3);
        QVERIFY(f.engine().IsOpen());
        QVERIFY(m.isModified());
        QCOMPARE(f.count(TextId::SaveFailed), 1);
        QCOMPARE(f.count(TextId::IdleClosing), 0);
        QVERIFY(QDir(f.dir.path()).rename("gone", "home"));
        f.idle(1); // the next period tries again
        QVERIFY(!f.engine().IsOpen());
        QCOMPARE(f.accountsOnDisk("home/v.qx", "secret1"), 1);
    }

    void formsWithTypingPostponeTheClose() {
        LockRun f;
        Main& m = f.startWithOpenVault();
        m.commands().newAccountOf(Banks);
        m.set_UndoNew();
        m.commands().newAccountOf(Pins);
        QVERIFY(m.commands().openForm(Pins));
        EditForm* typed = m.commands().openForm(Banks);
        QTest::keyClicks(typed->Texts(Box::AccountName), "joe");
        f.idle(3);
        QVERIFY(f.engine().IsOpen());
        QCOMPARE(m.commands().openForm(Banks), typed);
        QCOMPARE(typed->boxText(Box::AccountName), "joe");
        QCOMPARE(f.count(TextId::IdleWarning), 2);
        QCOMPARE(f.lock().IdleCount(), 2);
        QVERIFY(f.prompts.asked.isEmpty());

        // Once the typing is gone, the next period closes the file and the untouched form.
        f.prompts.answerNo();
        QVERIFY(typed->close());
        f.idle(1);
        QVERIFY(!f.engine().IsOpen());
        QVERIFY(!m.commands().openForm(Pins));
    }

    void copiedPasswordIsWipedAfterAMinute_data() {
        QTest::addColumn<int>("after");      // seconds from the copy to the tick
        QTest::addColumn<bool>("otherText"); // another program copied something meanwhile
        QTest::addColumn<bool>("newYear");   // the copy was made just before midnight of 31 December
        QTest::addColumn<bool>("wiped");
        QTest::newRow("30 s") << 30 << false << false << false;
        QTest::newRow("61 s") << 61 << false << false << true;
        QTest::newRow("another program's text") << 61 << true << false << false;
        QTest::newRow("across the new year") << 61 << false << true << true;
    }

    void copiedPasswordIsWipedAfterAMinute() {
        QFETCH(int, after);
        QFETCH(bool, otherText);
        QFETCH(bool, newYear);
        QFETCH(bool, wiped);
        LockRun f;
        f.start();
        if (newYear)
            f.clock.set(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 30)));
        f.copyPassword(" s3cret ");
        if (otherText)
            QGuiApplication::clipboard()->setText("shopping list");
        f.tickAfter(after);
        const QString left = otherText ? "shopping list" : " s3cret ";
        QCOMPARE(Clipboard().text(), wiped ? Text(TextId::ClipboardWiped) : left);
        QCOMPARE(f.count(TextId::CopiedPasswordWiped), wiped ? 1 : 0);
        f.tickAfter(30); // once only
        QCOMPARE(f.count(TextId::CopiedPasswordWiped), wiped ? 1 : 0);
    }
};

QTEST_MAIN(TestInactivity)
#include "tst_inactivity.moc"
