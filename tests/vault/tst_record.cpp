#include "AccountRecord.h"
#include "AutomationDate.h"
#include "Categories.h"

#include <QSet>
#include <QTest>

#include <ctime>

class TestRecord : public QObject {
    Q_OBJECT
private slots:
    void fieldTableFollowsTheRecordAndClearEmptiesIt() {
        const auto fields = accountFields();
        QCOMPARE(fields.size(), size_t(70));
        QCOMPARE(accountStringFields().size(), size_t(64));
        QVERIFY(accountFieldIndex("ID") == 52 && accountFieldIndex("Notes") == 66 &&
                accountFieldIndex("notes") == -1);

        // Each string entry points at its own member: two sharing one would read the same name back.
        AccountRecord r;
        QSet<QString> secrets;
        for (const AccountField& f : fields) {
            QVERIFY(setFieldText(r, f, f.kind == FieldKind::String ? f.name : "1"));
            if (f.secret)
                secrets << f.name;
        }
        for (const AccountField& f : fields)
            QVERIFY(f.kind != FieldKind::String || r.*f.text == QLatin1StringView(f.name));
        QCOMPARE(secrets,
                 (QSet<QString>{"Password", "OutgoingPassword", "CardPin", "PrivateKey", "RemindAnswer"}));
        QVERIFY(r.ID == 1 && r.MyAccount && !setFieldText(r, fields[0], "seven"));
        r.Clear();
        QVERIFY(r == AccountRecord{});
        QCOMPARE(fieldText(r, fields[size_t(accountFieldIndex("ExpirationPwd"))]), u"0");
    }

    void isDateSet() {
        const std::pair<double, bool> cases[] = {
            {0.0, false},       // the zero date
            {2.0, false},       // 1 January 1900
            {2.5, true},        // at noon
            {1.0, true},        // 31 December 1899
            {46000.0, true},    // today-ish
            {-10.5, true},      // before the epoch
            {2958466.0, false}, // past year 9999
            {qQNaN(), false},   {qInf(), false},
        };
        for (const auto& [date, set] : cases)
            QVERIFY2(IsDateSet(date) == set, qPrintable(QString::number(date)));
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
        // Days when the clocks change keep the time of day. Central European time, given by rule so
        // no time zone database is needed.
        qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        tzset();
        for (const QDate day : {QDate(2026, 3, 29), QDate(2026, 10, 25)}) {
            const QDateTime noon(day, QTime(12, 0));
            QCOMPARE(toAutomationDate(noon), QDate(1899, 12, 30).daysTo(day) + 0.5);
            QCOMPARE(fromAutomationDate(toAutomationDate(noon)), noon);
        }
        qunsetenv("TZ");
        tzset();
    }

    void categoryTable() {
        // Each category's own fields stand together in the field table: owners in table order,
        // one entry per run, name every category exactly once.
        const auto fields = accountFields();
        QList<int> runs;
        for (const AccountField& f : fields)
            if (runs.isEmpty() || runs.last() != f.owner)
                runs << f.owner;
        runs.removeAll(-1);
        std::sort(runs.begin(), runs.end());
        QCOMPARE(runs, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));

        const auto table = categories();
        QCOMPARE(table.size(), size_t(13));
        QSet<int> messages;
        for (size_t i = 0; i < table.size(); ++i) {
            QVERIFY(table[i].code == int(i) && categoryByKey(table[i].key) == int(i));
            messages << table[i].msgNameMissing << table[i].msgStored << table[i].msgNotStored;
            // The web address is one of the category's own fields.
            auto web = std::find_if(fields.begin(), fields.end(), [&](const AccountField& f) {
                return f.text && f.text == table[i].webAddress;
            });
            QVERIFY2(!table[i].webAddress || (web != fields.end() && web->owner == int(i)), table[i].key);
        }
        QCOMPARE(messages.size(), 39);
        QVERIFY(categoryByKey("creditcards") == CreditCards && categoryByKey("Nope") == -1);
        QVERIFY(!categoryInfo(13) && !categoryInfo(-1));
    }
};

QTEST_APPLESS_MAIN(TestRecord)
#include "tst_record.moc"
