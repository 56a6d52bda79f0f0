#include "AccountRecord.h"
#include "Categories.h"
#include "FileVaultEngine.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray kMaster = "master pw 1";
const QByteArray kMasterLine = kMaster + '\n';

struct Result {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

// Runs the tool as a script would: arguments, standard input from a pipe, nothing else.
Result cli(const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    p.start(QStringLiteral(VANTREL_CLI), args);
    if (!p.waitForStarted())
        return {};
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return {-2, {}, "timed out"};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -3, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Minimal RFC 4180 reader, strict about quotes, to check what the export really says.
QList<QStringList> parseCsv(const QString& text, bool* ok) {
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false, wasQuoted = false;
    *ok = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"' && field.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == u',') {
            row << field;
            field.clear();
            wasQuoted = false;
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            row << field;
            rows << row;
            row.clear();
            field.clear();
            wasQuoted = false;
            ++i;
        } else if (c == u'"' || c == u'\r' || c == u'\n' || wasQuoted) {
            *ok = false; // a quote, a line break or text after a quoted field outside quotes
        } else {
            field += c;
        }
    }
    if (quoted || !field.isEmpty() || !row.isEmpty())
        *ok = false; // the last record must end with CRLF
    return rows;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void init();
    void helpTexts();
    void badArgumentsChangeNothing_data();
    void badArgumentsChangeNothing();
    void roundTrip();
    void engineReadsWhatCliWrites();
    void cliKeepsRecordRulesOnEngineRecords();
    void wrongPasswordOrUnreadableVault();
    void createRules();
    void csvExport();
    void generate();
    void writeFailuresAreReported();

private:
    QString add(const QStringList& options, const QByteArray& extraInput = {});
    AccountRecord engineRecord(int id);

    std::unique_ptr<QTemporaryDir> dir_;
    QString vault_;
};

void TestCli::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    vault_ = dir_->filePath(QStringLiteral("test.qx"));
    const Result r = cli({"create", vault_, "--kdf-cheap"}, kMasterLine);
    QCOMPARE(r.code, 0);
    QVERIFY(r.err.isEmpty());
}

QString TestCli::add(const QStringList& options, const QByteArray& extraInput) {
    const Result r = cli(QStringList{"add", vault_} + options, kMasterLine + extraInput);
    if (r.code != 0)
        qWarning() << "add failed:" << r.err;
    return QString::fromUtf8(r.out).trimmed();
}

AccountRecord TestCli::engineRecord(int id) {
    FileVaultEngine engine(KdfLimits::cheapest());
    AccountRecord r;
    if (engine.OpenFile(vault_, QString::fromUtf8(kMaster)))
        engine.GetRecord(id, AllCategories, r);
    return r;
}

void TestCli::helpTexts() {
    const Result main = cli({"--help"});
    QCOMPARE(main.code, 0);
    const QStringList commands = {"create", "ls", "show", "find", "add", "edit", "rm", "generate", "export"};
    for (const QString& c : commands) {
        QVERIFY2(main.out.contains("  " + c.toUtf8() + ' '), qPrintable(c));
        // Help needs no vault and no password, wherever the option stands.
        const Result help = cli({c, "/no/such/vault.qx", "--help"});
        QCOMPARE(help.code, 0);
        QVERIFY(help.err.isEmpty());
        QVERIFY2(help.out.startsWith("Usage: vantrel-cli " + c.toUtf8()), help.out.constData());
        QCOMPARE(cli({"help", c}).out, help.out);
    }
    QVERIFY(main.out.contains("Exit status"));
    QVERIFY(cli({"show", "--help"}).out.contains("(hidden)"));
    QVERIFY(cli({"create", "-h"}).out.contains("--kdf-cheap"));

    // Every field a user may set is named in the field list, under its own category.
    const QString addHelp = QString::fromUtf8(cli({"add", "--help"}).out);
    QVERIFY(addHelp.contains(u"process list"));
    const qsizetype listStart = addHelp.indexOf(u"Fields for --field");
    QVERIFY(listStart > 0);
    const QString fieldList = addHelp.mid(listStart, addHelp.indexOf(u"\n\n", listStart) - listStart);
    for (const AccountField& f : accountFields()) {
        const bool settable = f.kind == FieldKind::String || f.kind == FieldKind::Boolean ||
                              qstrcmp(f.name, "ExpirationPwd") == 0;
        const QRegularExpression word(QStringLiteral("\\b%1\\b").arg(QLatin1StringView(f.name)));
        QVERIFY2(fieldList.contains(word) == settable, f.name);
    }
    QVERIFY(fieldList.contains(
        QRegularExpression(QStringLiteral("Banks \\(10\\): BankName BankWebSite BankLocation "
                                          "BankIdCode BankAccountNumber\n"))));
}

void TestCli::badArgumentsChangeNothing_data() {
    QTest::addColumn<QStringList>("args");
    const QString v = QStringLiteral("VAULT");
    const QStringList bank = {"add", v, "--category", "Banks", "--description", "d", "--account-name", "a"};
    QTest::newRow("no command") << QStringList{};
    QTest::newRow("unknown command") << QStringList{"frob", v};
    QTest::newRow("unknown option") << QStringList{"ls", v, "--bogus=S3cr3t"};
    QTest::newRow("single dash option") << QStringList{"ls", v, "-x"};
    QTest::newRow("missing file") << QStringList{"ls"};
    QTest::newRow("empty file name") << QStringList{"ls", ""};
    QTest::newRow("missing id") << QStringList{"show", v};
    QTest::newRow("too many") << QStringList{"show", v, "1", "S3cr3t"};
    QTest::newRow("id text") << QStringList{"show", v, "one"};
    QTest::newRow("id zero") << QStringList{"rm", v, "0"};
    QTest::newRow("id negative") << QStringList{"rm", v, "--", "-1"};
    QTest::newRow("id too big") << QStringList{"rm", v, "2147483648"};
    QTest::newRow("id with sign") << QStringList{"rm", v, "+1"};
    QTest::newRow("category key") << QStringList{"ls", v, "--category", "Bankz"};
    QTest::newRow("category code") << QStringList{"ls", v, "--category", "13"};
    QTest::newRow("category missing") << QStringList{"add", v, "--description", "d", "--account-name", "a"};
    QTest::newRow("description missing") << QStringList{"add", v, "--category", "0", "--account-name", "a"};
    QTest::newRow("option twice") << bank + QStringList{"--description", "e"};
    QTest::newRow("option without value") << bank + QStringList{"--field"};
    QTest::newRow("flag with value") << QStringList{"show", v, "1", "--show-password=yes"};
    QTest::newRow("other category field") << bank + QStringList{"--field", "WebsiteUrl=x"};
    QTest::newRow("ID not settable") << bank + QStringList{"--field", "ID=7"};
    QTest::newRow("Type not settable") << bank + QStringList{"--field", "Type=3"};
    QTest::newRow("RecordDate not settable") << bank + QStringList{"--field", "RecordDate=1"};
    QTest::newRow("Reserved not settable") << bank + QStringList{"--field", "Reserved=1"};
    QTest::newRow("unknown field") << bank + QStringList{"--field", "Nope=x"};
    QTest::newRow("field case") << bank + QStringList{"--field", "notes=x"};
    QTest::newRow("field without =") << bank + QStringList{"--field", "Password S3cr3t"};
    QTest::newRow("field twice") << bank + QStringList{"--field", "Notes=a", "--field", "Notes=b"};
    QTest::newRow("description twice") << bank + QStringList{"--field", "Description=x"};
    QTest::newRow("bad date") << bank + QStringList{"--field", "ExpirationPwd=31/12/2030"};
    QTest::newRow("bad boolean") << bank + QStringList{"--field", "MyAccount=maybe"};
    QTest::newRow("no account name") << QStringList{"add", v, "--category", "0", "--description", "d"};
    QTest::newRow("blank account name")
        << QStringList{"add", v, "--category", "0", "--description", "d", "--account-name", "   "};
    QTest::newRow("file without name")
        << QStringList{"add", v, "--category", "Files", "--description", "d", "--field", "FileShortName=  "};
    QTest::newRow("password and generate") << bank + QStringList{"--password", "S3cr3t", "--generate", "5"};
    QTest::newRow("password twice") << bank +
                                           QStringList{"--password", "S3cr3t", "--field", "Password=S3cr3t"};
    QTest::newRow("generate text") << bank + QStringList{"--generate", "ten"};
    QTest::newRow("generate zero") << bank + QStringList{"--generate", "0"};
    QTest::newRow("edit nothing") << QStringList{"edit", v, "1"};
    QTest::newRow("edit other category") << QStringList{"edit", v, "1", "--field", "WebsiteUrl=x"};
    QTest::newRow("edit empties name") << QStringList{"edit", v, "1", "--field", "AccountName= "};
    QTest::newRow("find nothing") << QStringList{"find", v, ""};
    QTest::newRow("export format") << QStringList{"export", v};
    QTest::newRow("create over vault") << QStringList{"create", v, "--kdf-cheap"};
    QTest::newRow("length text") << QStringList{"generate", "--length", "12abc"};
    QTest::newRow("length too big") << QStringList{"generate", "--length", "4097"};
    QTest::newRow("count negative") << QStringList{"generate", "--count", "-3"};
    QTest::newRow("too many characters") << QStringList{"generate", "--count", "1000000", "--length", "4096"};
}

void TestCli::badArgumentsChangeNothing() {
    QFETCH(QStringList, args);
    QCOMPARE(add({"--category", "Banks", "--description", "bank", "--account-name", "me"}),
             QStringLiteral("1"));
    args.replaceInStrings(QStringLiteral("VAULT"), vault_);
    const QByteArray before = readAll(vault_);
    // A master password and an account password are offered: a command that wrongly went on
    // would succeed and change the file.
    const Result r = cli(args, kMasterLine + "pw\n");
    QCOMPARE(r.code, 1);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.err.startsWith("vantrel-cli: ") && r.err.count('\n') == 1 && r.err.endsWith('\n'),
             r.err.constData());
    QVERIFY(!r.err.contains("S3cr3t"));
    QCOMPARE(readAll(vault_), before);
}

void TestCli::roundTrip() {
    QCOMPARE(
        add({"--category", "Banks", "--description", "  My bank  ", "--account-name", " bob ", "--password",
             "-", "--field", "BankName=First, \"Big\" Bank", "--field", "Notes=line 1\nline 2"},
            "  pw with blanks  \n"),
        QStringLiteral("1"));
    QCOMPARE(add({"--category", "websites", "--description", "Alpha site", "--account-name", "al",
                  "--generate", "16"}),
             QStringLiteral("2"));
    QCOMPARE(add({"--category", "2", "--description", "Report", "--field", "FileShortName=  report.txt "}),
             QStringLiteral("3"));

    // By description, whatever the order of adding; tabs between the four columns.
    Result r = cli({"ls", vault_}, kMasterLine);
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out,
             QByteArray("2\tWeb site\tAlpha site\tal\n1\tBank\tMy bank\tbob\n3\tFile\tReport\treport.txt\n"));
    QCOMPARE(cli({"ls", vault_, "--category", "Banks"}, kMasterLine).out,
             QByteArray("1\tBank\tMy bank\tbob\n"));
    QCOMPARE(cli({"ls", vault_, "--category=10"}, kMasterLine).out, QByteArray("1\tBank\tMy bank\tbob\n"));
    QCOMPARE(cli({"ls", vault_, "--category", "Pins"}, kMasterLine).out, QByteArray());

    QCOMPARE(cli({"find", vault_, "BIG"}, kMasterLine).out, QByteArray("1\tBank\tMy bank\tbob\n"));
    r = cli({"find", vault_, "with blanks"}, kMasterLine); // passwords are never searched
    QCOMPARE(r.code, 0);
    QVERIFY(r.out.isEmpty());

    r = cli({"show", vault_, "1"}, kMasterLine);
    QCOMPARE(r.code, 0);
    QVERIFY(r.out.startsWith("ID: 1\nType: 10 (Banks)\n"));
    QVERIFY(r.out.contains("\nBankName: First, \"Big\" Bank\n"));
    QVERIFY(r.out.contains("\nPassword: (hidden)\n"));
    QVERIFY(r.out.contains("\nNotes: line 1\n    line 2\n"));
    QVERIFY(!r.out.contains("pw with blanks"));
    QVERIFY(!r.out.contains("ExpirationPwd")); // none was given
    QVERIFY(!r.out.contains("MyAccount"));
    r = cli({"show", vault_, "1", "--show-password"}, kMasterLine);
    QVERIFY(r.out.contains("\nPassword:   pw with blanks  \n"));
    r = cli({"show", vault_, "2", "--show-password"}, kMasterLine);
    QVERIFY(QString::fromUtf8(r.out).contains(QRegularExpression(QStringLiteral("\nPassword: \\S{16}\n"))));

    // Edit changes what it is told and keeps the rest, the password included.
    r = cli({"edit", vault_, "1", "--field", "Description=  Savings  ", "--field", "ExpirationPwd=2031-02-03",
             "--field", "MyAccount=yes"},
            kMasterLine);
    QCOMPARE(r.code, 0);
    r = cli({"show", vault_, "1", "--show-password"}, kMasterLine);
    QVERIFY(r.out.contains("\nDescription: Savings\n"));
    QVERIFY(r.out.contains("\nBankName: First, \"Big\" Bank\n"));
    QVERIFY(r.out.contains("\nPassword:   pw with blanks  \n"));
    QVERIFY(r.out.contains("\nExpirationPwd: 2031-02-03\n"));
    QVERIFY(r.out.contains("\nMyAccount: yes\n"));
    QCOMPARE(cli({"edit", vault_, "1", "--password", "-"}, kMasterLine + "new one\r\n").code, 0);
    QVERIFY(cli({"show", vault_, "1", "--show-password"}, kMasterLine).out.contains("\nPassword: new one\n"));

    QCOMPARE(cli({"rm", vault_, "2"}, kMasterLine).code, 0);
    QCOMPARE(cli({"ls", vault_}, kMasterLine).out,
             QByteArray("3\tFile\tReport\treport.txt\n1\tBank\tSavings\tbob\n"));
    const QByteArray after = readAll(vault_);
    for (const QStringList& args : {QStringList{"show", vault_, "2"}, QStringList{"rm", vault_, "2"},
                                    QStringList{"edit", vault_, "2", "--field", "Notes=x"}}) {
        r = cli(args, kMasterLine);
        QCOMPARE(r.code, 3);
        QVERIFY(r.err.contains("no account with ID 2"));
    }
    QCOMPARE(readAll(vault_), after);

    // One account, one line, whatever its texts hold.
    QCOMPARE(cli({"edit", vault_, "3", "--field", "Description=Re\tport\nX\x1b[2J"}, kMasterLine).code, 0);
    QCOMPARE(cli({"ls", vault_, "--category", "Files"}, kMasterLine).out,
             QByteArray("3\tFile\tRe port X\xef\xbf\xbd[2J\treport.txt\n"));
}

void TestCli::engineReadsWhatCliWrites() {
    QCOMPARE(
        add({"--category", "Serials", "--description", " Editor ", "--field", "SoftwareName=\tEdit Pro \n",
             "--field", "SoftwareVersion= 2.1 ", "--password", " key with blanks "}),
        QStringLiteral("1"));
    AccountRecord expected;
    expected.Type = Serials;
    expected.ID = 1;
    expected.Description = QStringLiteral("Editor");
    expected.AccountName = QStringLiteral("Edit Pro"); // the software name, trimmed, stands in
    expected.SoftwareName = QStringLiteral("\tEdit Pro \n");
    expected.SoftwareVersion = QStringLiteral(" 2.1 ");
    expected.Password = QStringLiteral(" key with blanks ");
    expected.ExpirationPwd = NoDate;
    AccountRecord got = engineRecord(1);
    QVERIFY(got.RecordDate > 0.0);
    expected.RecordDate = got.RecordDate;
    QCOMPARE(got, expected);

    // The master password is taken without its blanks, as the window program takes it.
    const QString other = dir_->filePath(QStringLiteral("other.qx"));
    QCOMPARE(cli({"create", other, "--kdf-cheap"}, "  " + kMaster + " \r\n").code, 0);
    FileVaultEngine engine(KdfLimits::cheapest());
    QVERIFY(engine.OpenFile(other, QString::fromUtf8(kMaster)));
    QCOMPARE(engine.AccountCount(), 0);
}

void TestCli::cliKeepsRecordRulesOnEngineRecords() {
    // A record another program stored with a stray field of another category and a zero date.
    {
        FileVaultEngine engine(KdfLimits::cheapest());
        QVERIFY(engine.OpenFile(vault_, QString::fromUtf8(kMaster)));
        AccountRecord r;
        r.Type = CreditCards;
        r.Description = QStringLiteral("Card");
        r.AccountName = QStringLiteral("holder");
        r.Password = QStringLiteral("pw");
        r.CardPin = QStringLiteral("1234");
        r.CardNumber = QStringLiteral("4111");
        r.WebsiteName = QStringLiteral("stray");
        r.ExpirationPwd = 0.0;
        QVERIFY(engine.PutRecord(r));
        QVERIFY(engine.SaveFile());
    }
    Result r = cli({"show", vault_, "1"}, kMasterLine);
    QVERIFY(r.out.contains("\nCardPin: (hidden)\n"));
    QVERIFY(!r.out.contains("1234"));
    QVERIFY(cli({"show", vault_, "1", "--show-password"}, kMasterLine).out.contains("\nCardPin: 1234\n"));

    QCOMPARE(cli({"edit", vault_, "1", "--field", "Notes=new"}, kMasterLine).code, 0);
    const AccountRecord got = engineRecord(1);
    QCOMPARE(got.Notes, QStringLiteral("new"));
    QCOMPARE(got.CardPin, QStringLiteral("1234"));
    QCOMPARE(got.CardNumber, QStringLiteral("4111"));
    QCOMPARE(got.Password, QStringLiteral("pw"));
    QCOMPARE(got.WebsiteName, QString()); // the edit form would never send it back
    QCOMPARE(got.ExpirationPwd, NoDate);
}

void TestCli::wrongPasswordOrUnreadableVault() {
    QCOMPARE(add({"--category", "Misc", "--description", "d", "--account-name", "a"}), QStringLiteral("1"));
    const QByteArray before = readAll(vault_);
    const QStringList commands[] = {
        {"ls", vault_},
        {"rm", vault_, "1"},
        {"export", vault_, "--csv"},
        {"add", vault_, "--category", "Misc", "--description", "x", "--account-name", "y"}};
    for (const QStringList& args : commands) {
        Result r = cli(args, "Wr0ngPass\n");
        QCOMPARE(r.code, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY(r.err.contains("wrong master password"));
        QVERIFY(!r.err.contains("Wr0ngPass"));
        r = cli(args); // nothing on standard input: a clear refusal, not a wait
        QCOMPARE(r.code, 2);
        QVERIFY(r.err.contains("no master password"));
    }
    QCOMPARE(readAll(vault_), before);
    // Blanks around the master password do not count when opening either.
    QCOMPARE(cli({"ls", vault_}, "  " + kMaster + "\t\n").code, 0);

    QFile junk(dir_->filePath(QStringLiteral("junk.qx")));
    QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write(before.left(before.size() / 2)) > 0);
    junk.close();
    for (const QString& path : {junk.fileName(), dir_->filePath(QStringLiteral("missing.qx")), dir_->path()})
        QCOMPARE(cli({"ls", path}, kMasterLine).code, 2);
}

void TestCli::createRules() {
    const QString fresh = dir_->filePath(QStringLiteral("fresh.qx"));
    Result r = cli({"create", fresh, "--kdf-cheap"}, "abcd\n"); // four characters
    QCOMPARE(r.code, 1);
    QVERIFY(!QFile::exists(fresh));
    QCOMPARE(cli({"create", fresh, "--kdf-cheap"}, "   \n").code, 1);
    QVERIFY(!QFile::exists(fresh));
    QCOMPARE(cli({"create", fresh, "--kdf-cheap"}).code, 2);
    QVERIFY(!QFile::exists(fresh));

    QCOMPARE(cli({"create", fresh, "--kdf-cheap"}, "abcde\n").code, 0);
    const QFile::Permissions others =
        QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
    QCOMPARE(QFile::permissions(fresh) & others, QFile::Permissions());
    QVERIFY(QFile::permissions(fresh) & QFile::ReadUser);

    // --force replaces the vault: the old password no longer opens it, the new one does.
    add({"--category", "Misc", "--description", "d", "--account-name", "a"});
    QCOMPARE(cli({"create", vault_, "--kdf-cheap", "--force"}, "other pw\n").code, 0);
    QCOMPARE(cli({"ls", vault_}, kMasterLine).code, 2);
    r = cli({"ls", vault_}, "other pw\n");
    QCOMPARE(r.code, 0);
    QVERIFY(r.out.isEmpty());
}

void TestCli::csvExport() {
    const QString tricky = QStringLiteral("say \"hi\", ok");
    const QString lines = QStringLiteral("one\ntwo\r\nthree");
    QCOMPARE(add({"--category", "Forums", "--description", "Fórum, the", "--account-name", "me", "--password",
                  tricky, "--field", "Notes=" + lines, "--field", "ForumUrl= spaced ", "--field",
                  "ExpirationPwd=2029-12-31"}),
             QStringLiteral("1"));
    QCOMPARE(add({"--category", "Pins", "--description", "=1+1", "--account-name", "pin", "--field",
                  "MyAccount=1"}),
             QStringLiteral("2"));

    const Result r = cli({"export", vault_, "--csv"}, kMasterLine);
    QCOMPARE(r.code, 0);
    QVERIFY(r.out.contains(",\"say \"\"hi\"\", ok\","));
    QVERIFY(r.out.contains(",\" spaced \",1,")); // blanks at either end are quoted too
    bool ok = false;
    const QList<QStringList> rows = parseCsv(QString::fromUtf8(r.out), &ok);
    QVERIFY2(ok, r.out.constData());
    QCOMPARE(rows.size(), 3);

    QStringList header;
    for (const AccountField& f : accountFields()) {
        if (f.kind != FieldKind::Reserved)
            header << QString::fromLatin1(f.name);
    }
    header.insert(1, QStringLiteral("Category"));
    QCOMPARE(rows[0], header);
    for (const QStringList& row : rows)
        QCOMPARE(row.size(), header.size());

    auto cell = [&](int row, const char* name) { return rows[row][header.indexOf(QLatin1StringView(name))]; };
    QCOMPARE(cell(1, "ID"), QStringLiteral("1"));
    QCOMPARE(cell(1, "Type"), QStringLiteral("12"));
    QCOMPARE(cell(1, "Category"), QStringLiteral("Forums"));
    QCOMPARE(cell(1, "Description"), QStringLiteral("Fórum, the"));
    QCOMPARE(cell(1, "Password"), tricky);
    QCOMPARE(cell(1, "Notes"), lines);
    QCOMPARE(cell(1, "ForumUrl"), QStringLiteral(" spaced "));
    QCOMPARE(cell(1, "ExpirationPwd"), QStringLiteral("2029-12-31"));
    QCOMPARE(cell(1, "MyAccount"), QStringLiteral("0"));
    QVERIFY(!cell(1, "RecordDate").isEmpty());
    QCOMPARE(cell(2, "Description"), QStringLiteral("=1+1"));
    QCOMPARE(cell(2, "ExpirationPwd"), QString());
    QCOMPARE(cell(2, "MyAccount"), QStringLiteral("1"));
}

void TestCli::generate() {
    Result r = cli({"generate", "--count", "50", "--length", "24"});
    QCOMPARE(r.code, 0);
    const QStringList passwords = QString::fromUtf8(r.out).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(passwords.size(), 50);
    for (const QString& p : passwords)
        QCOMPARE(p.size(), 24);
    QCOMPARE(QSet<QString>(passwords.begin(), passwords.end()).size(), 50);
    r = cli({"generate"});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out.size(), 11); // one password of the default length and its line break
}

void TestCli::writeFailuresAreReported() {
    QCOMPARE(add({"--category", "Misc", "--description", "d", "--account-name", "a"}), QStringLiteral("1"));
    // Output that cannot be written is a failure, not a silent success.
    QProcess p;
    p.setStandardOutputFile(QStringLiteral("/dev/full"));
    p.start(QStringLiteral(VANTREL_CLI), {"export", vault_, "--csv"});
    p.write(kMasterLine);
    p.closeWriteChannel();
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 4);

    // A vault whose replacement cannot be written next to it (the temporary name is too long,
    // even for root) stays as it was.
    const QString longName = dir_->filePath(QString(255, u'v'));
    QVERIFY(QFile::copy(vault_, longName));
    const QByteArray before = readAll(longName);
    const Result r = cli({"add", longName, "--category", "Misc", "--description", "e", "--account-name", "b"},
                         kMasterLine);
    QCOMPARE(r.code, 4);
    QVERIFY(r.out.isEmpty());
    QVERIFY(r.err.contains("could not write"));
    QCOMPARE(readAll(longName), before);
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
