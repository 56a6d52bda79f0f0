// The inactivity lock with the clock and the ticks driven by the test.

#include "MainRun.h"

class TestInactivity : public QObject {
    Q_OBJECT
private slots:
    // Warned after two idle minutes, saved and closed after the third without a question; with no
    // file the count starts over and nothing is said.
    void warnsThenSavesAndClosesWithoutAsking() {
        MainRun f;
        Main& m = f.startWithOpenVault();
        QVERIFY(m.inactivity().component().isStarted());
        f.addUnsavedAccount("unsaved");
        f.idle(1);
        QCOMPARE(m.inactivity().IdleCount(), 1);
        QVERIFY(f.shown().isEmpty());
        f.idle(1);
        QCOMPARE(f.shown(), QStringList{Text(TextId::IdleWarning)});
        QVERIFY(f.engine().IsOpen());
        f.idle(1);
        QCOMPARE(f.shown(), QStringList({Text(TextId::IdleWarning), Text(TextId::IdleClosing)}));
        QVERIFY(f.prompts.asked.isEmpty());
        QVERIFY(!f.engine().IsOpen());
        QCOMPARE(f.accountsOnDisk("a.qx", "secret1"), 1);
        QCOMPARE(m.windowTitle(), baseTitle());
        f.idle(4);
        QCOMPARE(m.inactivity().IdleCount(), 0);
        QCOMPARE(f.shown().size(), 2);
    }

    void activityAfterTheWarningStartsOver() {
        MainRun f;
        Main& m = f.startWithOpenVault();
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        f.idle(2);
        QCOMPARE(m.inactivity().IdleCount(), 2);
        QTest::mouseMove(&m, QPoint(100, 100)); // a move over our window is activity
        QCOMPARE(m.inactivity().IdleCount(), 0);
        f.idle(2);
        QTest::keyClick(&m, Qt::Key_Shift);
        f.idle(2);
        QVERIFY(f.engine().IsOpen()); // never a third period in a row
        QCOMPARE(f.shown(), QStringList(3, Text(TextId::IdleWarning)));
    }

    void formsWithTypingPostponeTheClose() {
        MainRun f;
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
        QCOMPARE(f.shown(), QStringList(2, Text(TextId::IdleWarning)));
        QCOMPARE(m.inactivity().IdleCount(), 2);
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
        MainRun f;
        f.start();
        if (newYear)
            f.clock.set(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 30)));
        Clipboard().put(" s3cret ", Clipboard::Kind::Secret); // as the copy command puts it
        f.main->browser().recordCopiedPassword(f.engine().DigestText(" s3cret "), f.clock.monotonicMs());
        if (otherText)
            QGuiApplication::clipboard()->setText("shopping list");
        f.idle(1, after);
        QCOMPARE(Clipboard().text(), wiped       ? Text(TextId::ClipboardWiped)
                                     : otherText ? "shopping list"
                                                 : " s3cret ");
        const QStringList told = wiped ? QStringList{Text(TextId::CopiedPasswordWiped)} : QStringList();
        QCOMPARE(f.shown(), told);
        f.idle(1, 30); // told once only
        QCOMPARE(f.shown(), told);
    }
};

QTEST_MAIN(TestInactivity)
#include "tst_inactivity.moc"
