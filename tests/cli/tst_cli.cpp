#include "AccountRecord.h"
#include "Categories.h"
#include "FileVaultEngine.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

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

// Strict RFC 4180 reader, to check what the export really says; nothing when a quote, a line
// break or the last CRLF is out of place.
std::optional<QList<QStringList>> parseCsv(const QString& text) {
    static const QRegularExpression cell(QStringLiteral("(?:\"((?:[^\"]|\"\")*)\"|([^\",\r\n]*))(,|\r\n)"));
    QList<QStringList> rows;
    QStringList row;
    for (qsizetype at = 0; at < text.size();) {
        const QRegularExpressionMatch m = cell.match(text, at, QRegularExpression::NormalMatch,
                                                     QRegularExpression::AnchorAtOffsetMatchOption);
        if (!m.hasMatch())
            return std::nullopt;
        row << (m.capturedStart(1) >= 0 ? m.captured(1).replace(QStringLiteral("\"\""), QStringLiteral("\""))
                                        : m.captured(2));
        if (m.captured(3) == u"\r\n")
            rows << std::exchange(row, {});
        at = m.capturedEnd();
    }
    return row.isEmpty() ? std::optional(rows) : std::nullopt;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;
    QString vault_; // created empty for every test

    // The new account's identifier as printed, empty on failure.
    QString add(const QStringList& options, const QByteArray& extraInput = {}) {
        const Result r = cli(QStringList{"add", vault_} + options, kMasterLine + extraInput);
        if (r.code != 0)
            qWarning() << "add failed:" << r.err;
        return QString::fromUtf8(r.out).trimmed();
    }
    // What show prints, the moment of the last change masked.
    QByteArray show(const QString& id, bool reveal = false) {
        QStringList args = {"show", vault_, id};
        if (reveal)
            args << "--show-password";
        static const QRegularExpression date(QStringLiteral("\nRecordDate: [^\n]+\n"));
        return QString::fromUtf8(cli(args, kMasterLine).out).replace(date, "\nRecordDate: *\n").toUtf8();
    }
    AccountRecord engineRecord(int id) {
        FileVaultEngine engine(KdfLimits::cheapest());
        AccountRecord r;
        if (engine.OpenFile(vault_, QString::fromUtf8(kMaster)))
            engine.GetRecord(id, AllCategories, r);
        return r;
    }

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        vault_ = dir_->filePath(QStringLiteral("test.qx"));
        const Result r = cli({"create", vault_, "--kdf-cheap"}, kMasterLine);
        QCOMPARE(r.code, 0);
        QVERIFY(r.err.isEmpty());
    }

    void helpTexts() {
        const Result main = cli({"--help"});
        QCOMPARE(main.code, 0);
        QVERIFY(main.out.contains("Exit status"));
        for (const char* c : {"create", "ls", "show", "find", "add", "edit", "rm", "generate", "export"}) {
            QVERIFY2(main.out.contains("  " + QByteArray(c) + ' '), c);
            // Help needs no vault and no password, wherever the option stands.
            const Result help = cli({c, "/no/such/vault.qx", "--help"});
            QCOMPARE(help.code, 0);
            QVERIFY(help.err.isEmpty());
            QVERIFY2(help.out.startsWith("Usage: vantrel-cli " + QByteArray(c)), help.out.constData());
            QCOMPARE(cli({"help", c}).out, help.out);
        }
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
            u"Banks (10): BankName BankWebSite BankLocation BankIdCode BankAccountNumber\n"));
    }

    // One row per check in the tool, not per way of failing it. Rows are command lines split at
    // blanks, with the arguments that hold blanks or nothing given apart.
    void badArgumentsChangeNothing_data() {
        QTest::addColumn<QStringList>("args");
        auto row = [](const char* name, const QString& line, const QStringList& more = {}) {
            QTest::newRow(name) << line.split(u' ', Qt::SkipEmptyParts) + more;
        };
        const QString bank = QStringLiteral("add VAULT --category Banks --description d --account-name a ");
        row("no command", "");
        row("unknown command", "frob VAULT");
        row("unknown option", "ls VAULT --bogus=S3cr3t");
        row("single dash option", "ls VAULT -x");
        row("missing file", "ls");
        row("empty file name", "ls", {""});
        row("missing id", "show VAULT");
        row("too many", "show VAULT 1 S3cr3t");
        row("id zero", "rm VAULT 0");
        row("id negative after --", "rm VAULT -- -1");
        row("id too big", "rm VAULT 2147483648");
        row("id with sign", "rm VAULT +1");
        row("category key", "ls VAULT --category Bankz");
        row("category code", "ls VAULT --category 13");
        row("category missing", "add VAULT --description d --account-name a");
        row("description missing", "add VAULT --category 0 --account-name a");
        row("option twice", bank + "--description e");
        row("option without value", bank + "--field");
        row("flag with value", "show VAULT 1 --show-password=yes");
        row("other category field", bank + "--field WebsiteUrl=x");
        row("number not settable", bank + "--field ID=7");
        row("date not settable", bank + "--field RecordDate=2030-01-01");
        row("Reserved not settable", bank + "--field Reserved=1");
        row("unknown field", bank + "--field notes=x");
        row("field without =", bank + "--field", {"Password S3cr3t"});
        row("field twice", bank + "--field Notes=a --field Notes=b");
        row("description twice", bank + "--field Description=x");
        row("bad date", bank + "--field ExpirationPwd=31/12/2030");
        row("bad boolean", bank + "--field MyAccount=maybe");
        row("blank account name", "add VAULT --category 0 --description d --account-name", {"   "});
        row("file without name", "add VAULT --category Files --description d --field", {"FileShortName=  "});
        row("password and generate", bank + "--password S3cr3t --generate 5");
        row("password twice", bank + "--password S3cr3t --field Password=S3cr3t");
        row("generate zero", bank + "--generate 0");
        row("edit nothing", "edit VAULT 1");
        row("edit other category", "edit VAULT 1 --field WebsiteUrl=x");
        row("edit empties name", "edit VAULT 1 --field", {"AccountName= "});
        row("find nothing", "find VAULT", {""});
        row("export format", "export VAULT");
        row("create over vault", "create VAULT --kdf-cheap");
        row("length too big", "generate --length 4097");
        row("too many characters", "generate --count 1000000 --length 4096");
    }

    void badArgumentsChangeNothing() {
        QFETCH(QStringList, args);
        QCOMPARE(add({"--category", "Banks", "--description", "bank", "--account-name", "me"}), u"1");
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

    void roundTrip() {
        QCOMPARE(add({"--category", "Banks", "--description", "  My bank  ", "--account-name", " bob ",
                      "--password", "-", "--field", "BankName=First, \"Big\" Bank", "--field",
                      "Notes=line 1\nline 2"},
                     "  pw with blanks  \n"),
                 u"1");
        QCOMPARE(add({"--category", "websites", "--description", "Alpha site", "--account-name", "al",
                      "--generate", "16"}),
                 u"2");
        QCOMPARE(
            add({"--category", "2", "--description", "Report", "--field", "FileShortName=  report.txt "}),
            u"3");

        // By description, whatever the order of adding; tabs between the four columns.
        Result r = cli({"ls", vault_}, kMasterLine);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, "2\tWeb site\tAlpha site\tal\n1\tBank\tMy bank\tbob\n3\tFile\tReport\treport.txt\n");
        QCOMPARE(cli({"ls", vault_, "--category=10"}, kMasterLine).out, "1\tBank\tMy bank\tbob\n");
        QCOMPARE(cli({"find", vault_, "BIG"}, kMasterLine).out, "1\tBank\tMy bank\tbob\n");

        // Secrets hidden unless asked for; account passwords keep their blanks.
        QCOMPARE(show("1"),
                 "ID: 1\nType: 10 (Banks)\nBankName: First, \"Big\" Bank\nDescription: My bank\n"
                 "AccountName: bob\nPassword: (hidden)\nNotes: line 1\n    line 2\nRecordDate: *\n");
        QVERIFY(QString::fromUtf8(show("2", true)).contains(QRegularExpression("\nPassword: \\S{16}\n")));

        // Edit changes what it is told and keeps the rest, the password included.
        QCOMPARE(cli({"edit", vault_, "1", "--field", "Description=  Savings  ", "--field",
                      "ExpirationPwd=2031-02-03", "--field", "MyAccount=yes"},
                     kMasterLine)
                     .code,
                 0);
        QCOMPARE(show("1", true),
                 "ID: 1\nType: 10 (Banks)\nBankName: First, \"Big\" Bank\nDescription: Savings\n"
                 "AccountName: bob\nPassword:   pw with blanks  \nExpirationPwd: 2031-02-03\n"
                 "Notes: line 1\n    line 2\nRecordDate: *\nMyAccount: yes\n");
        QCOMPARE(cli({"edit", vault_, "1", "--password", "-"}, kMasterLine + "new one\r\n").code, 0);
        QVERIFY(show("1", true).contains("\nPassword: new one\n"));

        QCOMPARE(cli({"rm", vault_, "2"}, kMasterLine).code, 0);
        QCOMPARE(cli({"ls", vault_}, kMasterLine).out,
                 "3\tFile\tReport\treport.txt\n1\tBank\tSavings\tbob\n");
        const QByteArray after = readAll(vault_);
        for (const QStringList& args : {QStringList{"show", vault_, "2"}, QStringList{"rm", vault_, "2"},
                                        QStringList{"edit", vault_, "2", "--field", "Notes=x"}}) {
            r = cli(args, kMasterLine);
            QCOMPARE(r.code, 3);
            QVERIFY(r.err.contains("no account with ID 2"));
        }
        QCOMPARE(readAll(vault_), after);

        // One account, one line, whatever its texts hold.
        QCOMPARE(cli({"edit", vault_, "3", "--field", "Description=Re\tport\nX\x1b[2J"}, kMasterLine).code,
                 0);
        QCOMPARE(cli({"ls", vault_, "--category", "Files"}, kMasterLine).out,
                 "3\tFile\tRe port X\xef\xbf\xbd[2J\treport.txt\n");
    }

    void engineReadsWhatCliWrites() {
        QCOMPARE(add({"--category", "Serials", "--description", " Editor ", "--field",
                      "SoftwareName=\tEdit Pro \n", "--field", "SoftwareVersion= 2.1 ", "--password",
                      " key with blanks "}),
                 u"1");
        AccountRecord expected;
        expected.Type = Serials;
        expected.ID = 1;
        expected.Description = QStringLiteral("Editor");
        expected.AccountName = QStringLiteral("Edit Pro"); // the software name, trimmed, stands in
        expected.SoftwareName = QStringLiteral("\tEdit Pro \n");
        expected.SoftwareVersion = QStringLiteral(" 2.1 ");
        expected.Password = QStringLiteral(" key with blanks ");
        expected.ExpirationPwd = NoDate;
        const AccountRecord got = engineRecord(1);
        QVERIFY(got.RecordDate > 0.0);
        expected.RecordDate = got.RecordDate;
        QCOMPARE(got, expected);

        // The master password is taken without its blanks, as the window program takes it.
        const QString other = dir_->filePath(QStringLiteral("other.qx"));
        QCOMPARE(cli({"create", other, "--kdf-cheap"}, "  " + kMaster + " \r\n").code, 0);
        FileVaultEngine engine(KdfLimits::cheapest());
        QVERIFY(engine.OpenFile(other, QString::fromUtf8(kMaster)));
    }

    void cliKeepsRecordRulesOnEngineRecords() {
        // A record another program stored with a stray field of another category and a zero date.
        AccountRecord expected;
        expected.Type = CreditCards;
        expected.Description = QStringLiteral("Card");
        expected.AccountName = QStringLiteral("holder");
        expected.Password = QStringLiteral("pw");
        expected.CardPin = QStringLiteral("1234");
        expected.WebsiteName = QStringLiteral("stray");
        {
            FileVaultEngine engine(KdfLimits::cheapest());
            QVERIFY(engine.OpenFile(vault_, QString::fromUtf8(kMaster)));
            QVERIFY(engine.PutRecord(expected));
            QVERIFY(engine.SaveFile());
        }
        QCOMPARE(cli({"edit", vault_, "1", "--field", "Notes=new"}, kMasterLine).code, 0);
        expected.Notes = QStringLiteral("new");
        expected.WebsiteName.clear(); // the edit form would never send it back
        expected.ExpirationPwd = NoDate;
        const AccountRecord got = engineRecord(1);
        expected.RecordDate = got.RecordDate;
        QCOMPARE(got, expected);
    }

    void wrongPasswordOrUnreadableVault() {
        QCOMPARE(add({"--category", "Misc", "--description", "d", "--account-name", "a"}), u"1");
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
        for (const QString& path :
             {junk.fileName(), dir_->filePath(QStringLiteral("missing.qx")), dir_->path()})
            QCOMPARE(cli({"ls", path}, kMasterLine).code, 2);
    }

    void createRules() {
        const QString fresh = dir_->filePath(QStringLiteral("fresh.qx"));
        // Four characters, blanks only, nothing at all.
        for (const auto& [input, code] : {std::pair<QByteArray, int>{"abcd\n", 1}, {"   \n", 1}, {"", 2}}) {
            QCOMPARE(cli({"create", fresh, "--kdf-cheap"}, input).code, code);
            QVERIFY(!QFile::exists(fresh));
        }
        QCOMPARE(cli({"create", fresh, "--kdf-cheap"}, "abcde\n").code, 0);

        // --force replaces the vault: the old password no longer opens it, the new one does.
        add({"--category", "Misc", "--description", "d", "--account-name", "a"});
        QCOMPARE(cli({"create", vault_, "--kdf-cheap", "--force"}, "other pw\n").code, 0);
        QCOMPARE(cli({"ls", vault_}, kMasterLine).code, 2);
        const Result r = cli({"ls", vault_}, "other pw\n");
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.isEmpty());
    }

    void csvExport() {
        const QString tricky = QStringLiteral("say \"hi\", ok");
        const QString lines = QStringLiteral("one\ntwo\r\nthree");
        QCOMPARE(add({"--category", "Forums", "--description", "Fórum, the", "--account-name", "me",
                      "--password", tricky, "--field", "Notes=" + lines, "--field", "ForumUrl= spaced ",
                      "--field", "ExpirationPwd=2029-12-31"}),
                 u"1");
        QCOMPARE(add({"--category", "Pins", "--description", "=1+1", "--account-name", "pin", "--field",
                      "MyAccount=1"}),
                 u"2");

        const Result r = cli({"export", vault_, "--csv"}, kMasterLine);
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.contains(",\" spaced \",1,")); // blanks at either end are quoted too
        std::optional<QList<QStringList>> rows = parseCsv(QString::fromUtf8(r.out));
        QVERIFY2(rows && rows->size() == 3, r.out.constData());

        QStringList header;
        for (const AccountField& f : accountFields()) {
            if (f.kind != FieldKind::Reserved)
                header << QString::fromLatin1(f.name);
        }
        header.insert(1, QStringLiteral("Category"));
        QCOMPARE(rows->at(0), header);
        // Whole rows, the moment of the last change aside; a formula stays as it was.
        auto row = [&](std::initializer_list<std::pair<const char*, QString>> cells) {
            QStringList out(header.size());
            for (const auto& [name, value] : cells)
                out[header.indexOf(QLatin1StringView(name))] = value;
            return out;
        };
        const qsizetype date = header.indexOf(u"RecordDate");
        for (qsizetype i = 1; i < rows->size(); ++i) {
            QVERIFY(!(*rows)[i].value(date).isEmpty());
            (*rows)[i][date].clear();
        }
        QCOMPARE(rows->at(1), row({{"ID", "1"},
                                   {"Type", "12"},
                                   {"Category", "Forums"},
                                   {"Description", "Fórum, the"},
                                   {"AccountName", "me"},
                                   {"Password", tricky},
                                   {"Notes", lines},
                                   {"ForumUrl", " spaced "},
                                   {"ExpirationPwd", "2029-12-31"},
                                   {"MyAccount", "0"}}));
        QCOMPARE(rows->at(2), row({{"ID", "2"},
                                   {"Type", "5"},
                                   {"Category", "Pins"},
                                   {"Description", "=1+1"},
                                   {"AccountName", "pin"},
                                   {"MyAccount", "1"}}));
    }

    void generate() {
        Result r = cli({"generate", "--count", "50", "--length", "24"});
        QCOMPARE(r.code, 0);
        const QStringList passwords = QString::fromUtf8(r.out).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(passwords.size(), 50);
        for (const QString& p : passwords)
            QCOMPARE(p.size(), 24);
        r = cli({"generate"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out.size(), 11); // one password of the default length and its line break
    }

    void writeFailuresAreReported() {
        QCOMPARE(add({"--category", "Misc", "--description", "d", "--account-name", "a"}), u"1");
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
        const Result r =
            cli({"add", longName, "--category", "Misc", "--description", "e", "--account-name", "b"},
                kMasterLine);
        QCOMPARE(r.code, 4);
        QVERIFY(r.out.isEmpty());
        QVERIFY(r.err.contains("could not write"));
        QCOMPARE(readAll(longName), before);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
