#include "Clock.h"
#include "Settings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {
QString fileText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

void writeFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}
} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void iniValuesRoundTrip_data();
    void iniValuesRoundTrip();
    void iniLayoutAndDefaultFile();
    void firstRunWritesDefaultsBack();
    void storedValuesReadBack();
    void backupReminder_data();
    void backupReminder();
    void lastFolder_data();
    void lastFolder();
    void settingsFileLocation();
    void userStoreHistory();

private:
    QTemporaryDir dir_;
};

void TestSettings::iniValuesRoundTrip_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("plain") << "LastOpen"
                           << "/home/me/vault.qx";
    QTest::newRow("blanks around and inside") << "Key With Blanks"
                                              << "  two  words  ";
    QTest::newRow("backslash") << "Path"
                               << "C:\\Users\\me\\file.qx";
    QTest::newRow("semicolon and comma") << "List"
                                         << "a;b, c,d";
    QTest::newRow("quotes and equals") << "Q"
                                       << "say \"x=1\" = 'y'";
    QTest::newRow("leading at sign") << "At"
                                     << "@Invalid()";
    QTest::newRow("non-ascii") << "Sprache"
                               << QString::fromUtf8("Fran\xc3\xa7"
                                                    "ais \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x94\x91");
    QTest::newRow("empty") << "Nothing"
                           << "";
}

void TestSettings::iniValuesRoundTrip() {
    QFETCH(QString, key);
    QFETCH(QString, value);
    const QString file = dir_.filePath(QStringLiteral("roundtrip-%1.ini").arg(QTest::currentDataTag()));
    {
        KW_ini writer;
        writer.write(file, QStringLiteral("Preferences"), key, value);
    }
    KW_ini reader;
    QCOMPARE(reader.read(file, QStringLiteral("Preferences"), key), value);
    QVERIFY(fileText(file).contains(QStringLiteral("[Preferences]")));
}

void TestSettings::iniLayoutAndDefaultFile() {
    const QString file = dir_.filePath(QStringLiteral("layout.ini"));
    KW_ini ini(file);
    ini.write({}, QStringLiteral("Preferences"), QStringLiteral("LastType"), QStringLiteral("3"));
    ini.write({}, QStringLiteral("ListView"), QStringLiteral("Width1"), QStringLiteral("120"));
    ini.write({}, QStringLiteral("General"), QStringLiteral("Top"), QStringLiteral("1"));

    const QStringList lines = fileText(file).split(QLatin1Char('\n'));
    const qsizetype prefs = lines.indexOf(QStringLiteral("[Preferences]"));
    QVERIFY(prefs >= 0);
    QCOMPARE(lines.value(prefs + 1), QStringLiteral("LastType=3"));
    QVERIFY(lines.contains(QStringLiteral("[ListView]")));
    QVERIFY(lines.contains(QStringLiteral("[General]")));
    QCOMPARE(ini.read({}, QStringLiteral("General"), QStringLiteral("Top")), QStringLiteral("1"));

    // An explicit file wins over the default one.
    const QString other = dir_.filePath(QStringLiteral("other.ini"));
    ini.write(other, QStringLiteral("Preferences"), QStringLiteral("LastType"), QStringLiteral("7"));
    QCOMPARE(ini.read({}, QStringLiteral("Preferences"), QStringLiteral("LastType")), QStringLiteral("3"));
    QCOMPARE(ini.read(other, QStringLiteral("Preferences"), QStringLiteral("LastType")), QStringLiteral("7"));

    // A hand-edited "a, b" is read back as text, not lost as a list.
    writeFile(other, "[Preferences]\nLastOpen=/a/b, c.qx\n");
    QCOMPARE(ini.read(other, QStringLiteral("Preferences"), QStringLiteral("LastOpen")),
             QStringLiteral("/a/b, c.qx"));
    QCOMPARE(ini.read(other, QStringLiteral("Preferences"), QStringLiteral("Missing")), QString());

    // Without any file nothing is read or written anywhere.
    KW_ini noFile;
    noFile.write({}, QStringLiteral("Preferences"), QStringLiteral("LastType"), QStringLiteral("9"));
    QCOMPARE(noFile.read({}, QStringLiteral("Preferences"), QStringLiteral("LastType")), QString());
}

void TestSettings::firstRunWritesDefaultsBack() {
    const QString file = dir_.filePath(QStringLiteral("first.ini"));
    KW_ini ini(file);
    const QDateTime now(QDate(2026, 3, 4), QTime(15, 16, 17, 189));
    ManualClock clock(now);
    Preferences prefs(ini, clock, QStringLiteral("/opt/vantrel"));

    QCOMPARE(prefs.LastBackupWarning(), now);
    QCOMPARE(prefs.LastType(), 0);
    QCOMPARE(prefs.LanguageUsed(), QStringLiteral("English"));
    QCOMPARE(prefs.LastOpen(), QString());
    QCOMPARE(prefs.HiddenChar(), QString());
    QCOMPARE(prefs.LastFolder(), QStringLiteral("/opt/vantrel"));

    QSettings stored(file, QSettings::IniFormat);
    stored.beginGroup(QStringLiteral("Preferences"));
    QCOMPARE(stored.value(QStringLiteral("LastType")).toString(), QStringLiteral("0"));
    QCOMPARE(stored.value(QStringLiteral("LanguageUsed")).toString(), QStringLiteral("English"));
    QVERIFY(stored.contains(QStringLiteral("LastBackupWarning")));
    QVERIFY(!stored.contains(QStringLiteral("LastOpen")));
    QVERIFY(!stored.contains(QStringLiteral("LastFolder")));
    QVERIFY(!stored.contains(QStringLiteral("HiddenChar")));

    // The written moment is the one a later run reads, to the millisecond.
    clock.advanceSecs(3600);
    QCOMPARE(prefs.LastBackupWarning(), now);

    // Blank values count as missing.
    ini.write({}, QStringLiteral("Preferences"), QStringLiteral("LanguageUsed"), QStringLiteral("   "));
    QCOMPARE(prefs.LanguageUsed(), QStringLiteral("English"));
    QCOMPARE(ini.read({}, QStringLiteral("Preferences"), QStringLiteral("LanguageUsed")),
             QStringLiteral("English"));
}

void TestSettings::storedValuesReadBack() {
    KW_ini ini(dir_.filePath(QStringLiteral("values.ini")));
    ManualClock clock;
    Preferences prefs(ini, clock, QStringLiteral("/opt/vantrel/"));

    const QDateTime moment(QDate(2025, 12, 31), QTime(23, 59, 58, 7));
    prefs.setLastBackupWarning(moment);
    QCOMPARE(prefs.LastBackupWarning(), moment);
    prefs.setLastType(12);
    QCOMPARE(prefs.LastType(), 12);
    prefs.setLanguageUsed(QStringLiteral(" Deutsch"));
    QCOMPARE(prefs.LanguageUsed(), QStringLiteral(" Deutsch")); // as stored
    prefs.setLastOpen(QStringLiteral("/home/me/my vault.qx"));
    QCOMPARE(prefs.LastOpen(), QStringLiteral("/home/me/my vault.qx"));
    prefs.setHiddenChar(QStringLiteral("  *  "));
    QCOMPARE(prefs.HiddenChar(), QStringLiteral("*"));

    // Values that do not convert give what the conversion gives up with.
    ini.write({}, QStringLiteral("Preferences"), QStringLiteral("LastBackupWarning"),
              QStringLiteral("next tuesday"));
    QVERIFY(!prefs.LastBackupWarning().isValid());
    ini.write({}, QStringLiteral("Preferences"), QStringLiteral("LastType"), QStringLiteral("abc"));
    QCOMPARE(prefs.LastType(), 0);
    ini.write({}, QStringLiteral("Preferences"), QStringLiteral("LastType"), QStringLiteral(" 7 "));
    QCOMPARE(prefs.LastType(), 7);
}

void TestSettings::backupReminder_data() {
    QTest::addColumn<QDateTime>("last"); // invalid = nothing stored
    QTest::addColumn<QString>("stored"); // raw text instead of a moment
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<bool>("due");

    const QDate day(2026, 2, 1);
    const QDateTime noon(day, QTime(12, 0));
    QTest::newRow("first run") << QDateTime() << QString() << noon << false;
    QTest::newRow("10 days") << noon << QString() << noon.addDays(10) << false;
    QTest::newRow("11 days") << noon << QString() << noon.addDays(11) << true;
    QTest::newRow("10 days, nearly 11 by the clock")
        << QDateTime(day, QTime(0, 1)) << QString() << QDateTime(day.addDays(10), QTime(23, 59)) << false;
    QTest::newRow("11 boundaries in just over 10 days")
        << QDateTime(day, QTime(23, 59)) << QString() << QDateTime(day.addDays(11), QTime(0, 1)) << true;
    QTest::newRow("unreadable stored moment") << QDateTime() << QStringLiteral("garbage") << noon << true;
}

void TestSettings::backupReminder() {
    QFETCH(QDateTime, last);
    QFETCH(QString, stored);
    QFETCH(QDateTime, now);
    QFETCH(bool, due);

    const QString file = dir_.filePath(QStringLiteral("reminder-%1.ini").arg(QTest::currentDataTag()));
    KW_ini ini(file);
    ManualClock clock(now);
    Preferences prefs(ini, clock, QStringLiteral("/opt/vantrel"));
    if (last.isValid())
        prefs.setLastBackupWarning(last);
    if (!stored.isEmpty())
        ini.write({}, QStringLiteral("Preferences"), QStringLiteral("LastBackupWarning"), stored);

    QCOMPARE(prefs.backupReminderDue(), due);
    const QDateTime expected = (due || !last.isValid()) ? now : last;
    QCOMPARE(prefs.LastBackupWarning(), expected);
}

void TestSettings::lastFolder_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("folder");
    QTest::newRow("full path") << "/home/me/vaults/mine.qx"
                               << "/home/me/vaults/";
    QTest::newRow("blanks around") << "   /srv/a b/c.qx  "
                                   << "/srv/a b/";
    QTest::newRow("root file") << "/mine.qx"
                               << "/";
    QTest::newRow("folder with slash") << "/home/me/"
                                       << "/home/me/";
    QTest::newRow("no slash") << "mine.qx"
                              << "";
    QTest::newRow("blank") << "   "
                           << "/opt/vantrel";
    QTest::newRow("nothing") << ""
                             << "/opt/vantrel";
}

void TestSettings::lastFolder() {
    QFETCH(QString, stored);
    QFETCH(QString, folder);
    KW_ini ini(dir_.filePath(QStringLiteral("folder-%1.ini").arg(QTest::currentDataTag())));
    ManualClock clock;
    Preferences prefs(ini, clock, QStringLiteral("/opt/vantrel/"));
    if (!stored.isEmpty())
        prefs.setLastFolder(stored);
    QCOMPARE(prefs.LastFolder(), folder);
}

void TestSettings::settingsFileLocation() {
    const QString config = dir_.filePath(QStringLiteral("config/vantrel"));
    QCOMPARE(settingsFilePath(dir_.path(), config), dir_.filePath(QStringLiteral("QX.ini")));
    QVERIFY(!QDir(config).exists());

    // A folder that does not exist, or a path that is a file, cannot take the settings file.
    const QString missing = dir_.filePath(QStringLiteral("no/such/folder"));
    QCOMPARE(settingsFilePath(missing, config), config + QStringLiteral("/QX.ini"));
    QVERIFY(QDir(config).exists());
    QVERIFY(!QDir(missing).exists());

    const QString aFile = dir_.filePath(QStringLiteral("plain-file"));
    writeFile(aFile, "x");
    QCOMPARE(settingsFilePath(aFile, config), config + QStringLiteral("/QX.ini"));

    // The writability probe leaves nothing behind.
    const QStringList left = QDir(dir_.path()).entryList(QStringList{QStringLiteral("*.probe")}, QDir::Files);
    QVERIFY2(left.isEmpty(), qPrintable(left.join(u',')));
}

void TestSettings::userStoreHistory() {
    const QString file = dir_.filePath(QStringLiteral("user.conf"));
    {
        UserStore store(file);
        store.setExecutablePath(QStringLiteral("/opt/vantrel/vantrel"));
        store.setHistory(
            {QStringLiteral("/a/one.qx"), QStringLiteral("/b/two words.qx"), QStringLiteral("/c/3.qx")});
        QCOMPARE(store.history().size(), 3);
    }
    {
        UserStore store(file);
        QCOMPARE(store.executablePath(), QStringLiteral("/opt/vantrel/vantrel"));
        QCOMPARE(store.history(), (QStringList{QStringLiteral("/a/one.qx"), QStringLiteral("/b/two words.qx"),
                                               QStringLiteral("/c/3.qx")}));
        store.setHistory({QStringLiteral("/z/only.qx")});
    }
    UserStore store(file);
    QCOMPARE(store.history(), QStringList{QStringLiteral("/z/only.qx")});
    store.settings().beginGroup(QStringLiteral("History"));
    QCOMPARE(store.settings().childKeys(), QStringList{QStringLiteral("1")});
    store.settings().endGroup();
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
