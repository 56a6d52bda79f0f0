#include "AccountRecord.h"
#include "AutomationDate.h"
#include "Categories.h"

#include <QSet>

#include <QTest>
#include <cmath>
#include <ctime>

class TestRecord : public QObject {
    Q_OBJECT
private slots:
    void fieldTableFollowsTheRecord() {
        const auto fields = accountFields();
        QCOMPARE(fields.size(), size_t(70));
        QCOMPARE(accountFieldIndex(QStringLiteral("ID")), 52);
        QCOMPARE(accountFieldIndex(QStringLiteral("Notes")), 66);
        QCOMPARE(accountFieldIndex(QStringLiteral("notes")), -1);
        QCOMPARE(accountStringFields().size(), size_t(64));

        // Each string entry points at its own member: writing through it changes only that field.
        QSet<QString> secrets;
        for (const AccountField& f : fields) {
            if (f.secret)
                secrets.insert(QString::fromLatin1(f.name));
            if (f.kind != FieldKind::String)
                continue;
            AccountRecord r;
            r.*f.text = QStringLiteral("x");
            int filled = 0;
            for (const AccountField& g : fields)
                filled += (g.kind == FieldKind::String && !(r.*g.text).isEmpty()) ? 1 : 0;
            QCOMPARE(filled, 1);
        }
        QCOMPARE(secrets,
                 (QSet<QString>{"Password", "OutgoingPassword", "CardPin", "PrivateKey", "RemindAnswer"}));
    }

    void clearEmptiesEveryField() {
        AccountRecord r;
        for (const AccountField& f : accountFields())
            QVERIFY(setFieldText(r, f,
                                 f.kind == FieldKind::String ? QStringLiteral("text") : QStringLiteral("1")));
        QCOMPARE(r.ID, 1);
        QVERIFY(r.MyAccount);
        QVERIFY(!setFieldText(r, accountFields()[0], QStringLiteral("seven")));
        r.Clear();
        QVERIFY(r == AccountRecord{});
        QCOMPARE(fieldText(r, accountFields()[size_t(accountFieldIndex("ExpirationPwd"))]), u"0");
    }

    void isDateSet_data() {
        QTest::addColumn<double>("date");
        QTest::addColumn<bool>("set");
        QTest::newRow("zero date") << 0.0 << false;
        QTest::newRow("1 January 1900") << 2.0 << false;
        QTest::newRow("1 January 1900 at noon") << 2.5 << true;
        QTest::newRow("31 December 1899") << 1.0 << true;
        QTest::newRow("today-ish") << 46000.0 << true;
        QTest::newRow("before the epoch") << -10.5 << true;
        QTest::newRow("past year 9999") << 2958466.0 << false;
        QTest::newRow("not a number") << qQNaN() << false;
        QTest::newRow("infinite") << qInf() << false;
    }

    void isDateSet() {
        QFETCH(double, date);
        QFETCH(bool, set);
        QCOMPARE(IsDateSet(date), set);
    }

    void automationDatesRoundTrip() {
        QCOMPARE(toAutomationDate(QDateTime(QDate(1900, 1, 1), QTime(0, 0))), 2.0);
        QCOMPARE(toAutomationDate(QDateTime(QDate(1900, 1, 1), QTime(12, 0))), 2.5);
        QCOMPARE(toAutomationDate(QDateTime(QDate(1899, 12, 29), QTime(6, 0))), -1.25);
        QCOMPARE(fromAutomationDate(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
        const QDateTime moment(QDate(2026, 12, 6), QTime(17, 45, 30));
        QCOMPARE(fromAutomationDate(toAutomationDate(moment)), moment);
        QVERIFY(!fromAutomationDate(qQNaN()).isValid());
        QCOMPARE(fromAutomationDate(2.9999999999), QDateTime(QDate(1900, 1, 2), QTime(0, 0)));
    }

    void daylightSavingDaysKeepTheTimeOfDay() {
        // Central European time, given by rule so no time zone database is needed.
        qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        tzset();
        for (const QDate day : {QDate(2026, 3, 29), QDate(2026, 10, 25)}) {
            const QDateTime noon(day, QTime(12, 0));
            const double date = toAutomationDate(noon);
            QCOMPARE(date - std::floor(date), 0.5);
            QCOMPARE(fromAutomationDate(date), noon);
        }
        qunsetenv("TZ");
        tzset();
    }

    void categoryTable() {
        const auto table = categories();
        QCOMPARE(table.size(), size_t(13));
        QSet<int> messages;
        for (size_t i = 0; i < table.size(); ++i) {
            QCOMPARE(table[i].code, int(i));
            QCOMPARE(categoryByKey(QString::fromLatin1(table[i].key)), int(i));
            messages << table[i].msgNameMissing << table[i].msgStored << table[i].msgNotStored;
        }
        QCOMPARE(messages.size(), 39);
        QCOMPARE(categoryByKey("creditcards"), int(CreditCards));
        QCOMPARE(categoryByKey("Nope"), -1);
        QVERIFY(!categoryInfo(13));
        QVERIFY(!categoryInfo(-1));
    }
};

QTEST_APPLESS_MAIN(TestRecord)
#include "tst_record.moc"
