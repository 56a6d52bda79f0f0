#include "Doubles.h"
#include "Settings.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {
const QString kSection = "Preferences";
const QString kExecutableFolder = "/opt/vantrel";
const QDateTime kNow(QDate(2026, 3, 4), QTime(15, 16, 17, 189));

// Every preference's reader, as the text it answers.
const QMap<QString, std::function<QString(Preferences&)>> kReaders{
    {"LastBackupWarning", [](Preferences& p) { return p.LastBackupWarning().toString(Qt::ISODateWithMs); }},
    {"LastType", [](Preferences& p) { return QString::number(p.LastType()); }},
    {"LanguageUsed", &Preferences::LanguageUsed},
    {"LastOpen", &Preferences::LastOpen},
    {"LastFolder", &Preferences::LastFolder},
    {"HiddenChar", &Preferences::HiddenChar}};
// The writers taking text; the other two are covered by the readers' write-backs.
const QMap<QString, std::function<void(Preferences&, const QString&)>> kWriters{
    {"LanguageUsed", &Preferences::setLanguageUsed},
    {"LastOpen", &Preferences::setLastOpen},
    {"LastFolder", &Preferences::setLastFolder},
    {"HiddenChar", &Preferences::setHiddenChar}};
} // namespace

class TestSettings : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString iniFile() { return dir_.filePath(QTest::currentTestFunction() + QString(".ini")); }

    // Reads the preference over what is stored (null: nothing) and compares the answer, and what
    // the file then holds: what the reader wrote back, or (null) what was stored.
    void check(const QString& key, const QList<std::array<QString, 3>>& cases) {
        for (const auto& [stored, answer, written] : cases) {
            QFile::remove(iniFile());
            KW_ini ini(iniFile());
            ManualClock clock(kNow);
            Preferences prefs(ini, clock, kExecutableFolder + u'/');
            if (!stored.isNull())
                kWriters.contains(key) ? kWriters[key](prefs, stored) : ini.write({}, kSection, key, stored);
            QCOMPARE(kReaders.value(key)(prefs), answer);
            const QString inFile = written.isNull() ? stored : written;
            QCOMPARE(ini.read({}, kSection, key), inFile);
            QCOMPARE(QFile::exists(iniFile()), !inFile.isNull());
        }
    }

private slots:
    void init() { QFile::remove(iniFile()); }

    void iniFileSectionsAndDefaultFile() {
        KW_ini ini(iniFile());
        ini.write({}, "General", "Top", "1");
        QCOMPARE(ini.read(dir_.filePath("other.ini"), "General", "Top"), QString()); // a named file wins
        QFile file(iniFile());
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.readAll().startsWith("[General]\nTop=1\n")); // the section keeps its name
        // A hand-edited "a, b" is read back as text, not lost as a list.
        file.write("[Edited]\nLastOpen=/a/b, c.qx\n");
        file.close();
        QCOMPARE(ini.read({}, "Edited", "LastOpen"), "/a/b, c.qx");
        QCOMPARE(ini.read({}, "General", "Top"), "1");
        KW_ini noFile; // without any file nothing is written anywhere
        noFile.write({}, kSection, "LastType", "9");
        QCOMPARE(noFile.read({}, kSection, "LastType"), QString());
    }

    void readerDefaultsAndWriteBacks() {
        const QString now = kNow.toString(Qt::ISODateWithMs), none, exe = kExecutableFolder;
        check("LastBackupWarning", {{none, now, now}, {"next tuesday", "", none}});
        check("LastType", {{none, "0", "0"}, {" ", "0", "0"}, {" 7 ", "7", none}, {"abc", "0", none}});
        check("LanguageUsed",
              {{none, "English", "English"}, {"   ", "English", "English"}, {" Deutsch", " Deutsch", none}});
        check("LastOpen", {{none, "", none}, {"  ", "", none}});
        check("HiddenChar", {{none, "", none}, {"  *  ", "*", none}});
        check("LastFolder",
              {{none, exe, none}, {"   ", exe, none}, {"/a/b/c.qx", "/a/b/", none}, {"c.qx", "", none}});
        check("LastFolder",
              {{"  /a b/c.qx ", "/a b/", none}, {"/c.qx", "/", none}, {"/a/b/", "/a/b/", none}});
    }

    void backupReminderCountsCalendarDays() {
        const QDate day(2026, 2, 1);
        const QString dayStart = QDateTime(day, QTime(0, 1)).toString(Qt::ISODateWithMs);
        const QString dayEnd = QDateTime(day, QTime(23, 59)).toString(Qt::ISODateWithMs);
        // (stored moment, now, due): due after more than 10 calendar days, whatever the hours.
        const std::tuple<QString, QDateTime, bool> cases[]{
            {QString(), QDateTime(day, QTime(12, 0)), false}, // first run
            {dayStart, QDateTime(day.addDays(10), QTime(23, 59)), false},
            {dayEnd, QDateTime(day.addDays(11), QTime(0, 1)), true},
            {"garbage", QDateTime(day, QTime(12, 0)), true}}; // or it would stay silent for good
        for (const auto& [stored, now, due] : cases) {
            QFile::remove(iniFile());
            KW_ini ini(iniFile());
            ManualClock clock(now);
            Preferences prefs(ini, clock, kExecutableFolder);
            if (!stored.isNull())
                ini.write({}, kSection, "LastBackupWarning", stored);
            QCOMPARE(prefs.backupReminderDue(), due);
            // Shown (or first run): the reminder restarts from now; otherwise the old moment stays.
            const QString kept = (due || stored.isNull()) ? now.toString(Qt::ISODateWithMs) : stored;
            QCOMPARE(ini.read({}, kSection, "LastBackupWarning"), kept);
        }
    }

    void settingsFileBesideTheProgramOnlyWhenWritable() {
        const QString config = dir_.filePath("config/vantrel");
        QCOMPARE(settingsFilePath(dir_.path(), config), dir_.filePath("QX.ini"));
        QVERIFY(!QDir(config).exists());
        const QString aFile = dir_.filePath("plain-file");
        QVERIFY(QFile(aFile).open(QIODevice::WriteOnly));
        for (const QString& unusable : {dir_.filePath("no/such/folder"), aFile})
            QCOMPARE(settingsFilePath(unusable, config), config + "/QX.ini");
        QVERIFY(QDir(config).exists());
        QVERIFY(!QDir(dir_.filePath("no")).exists());
        // The writability probe leaves nothing behind.
        QCOMPARE(QDir(dir_.path()).entryList({"*.probe"}, QDir::Files), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
