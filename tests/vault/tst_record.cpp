#include "AccountRecord.h"
#include "AutomationDate.h"
#include "Categories.h"

#include <QSet>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <numeric>

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

        // Each string entry points at its own member: two sharing one would read the same name back.
        AccountRecord r;
        QSet<QString> secrets;
        for (const AccountField& f : fields) {
            if (f.secret)
                secrets.insert(QString::fromLatin1(f.name));
            if (f.kind == FieldKind::String)
                r.*f.text = QString::fromLatin1(f.name);
        }
        for (const AccountField& f : fields)
            QVERIFY(f.kind != FieldKind::String || r.*f.text == QLatin1StringView(f.name));
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
        // Each category's own fields stand together in the field table: owners in table order,
        // one entry per run, name every category exactly once.
        const auto fields = accountFields();
        QList<int> runs;
        for (const AccountField& f : fields) {
            if (runs.isEmpty() || runs.last() != f.owner)
                runs << f.owner;
        }
        runs.removeAll(-1);
        std::sort(runs.begin(), runs.end());
        QList<int> codes(CategoryCountTotal);
        std::iota(codes.begin(), codes.end(), 0);
        QCOMPARE(runs, codes);

        const auto table = categories();
        QCOMPARE(table.size(), size_t(13));
        QSet<int> messages;
        for (size_t i = 0; i < table.size(); ++i) {
            QCOMPARE(table[i].code, int(i));
            QCOMPARE(categoryByKey(QString::fromLatin1(table[i].key)), int(i));
            messages << table[i].msgNameMissing << table[i].msgStored << table[i].msgNotStored;
            // The web address is one of the category's own fields.
            auto web = std::find_if(fields.begin(), fields.end(), [&](const AccountField& f) {
                return f.text && f.text == table[i].webAddress;
            });
            QVERIFY2(!table[i].webAddress || (web != fields.end() && web->owner == int(i)), table[i].key);
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
