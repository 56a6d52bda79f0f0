#include "AccountRecord.h"
#include "Categories.h"
#include "FileVaultEngine.h"
#include "VaultFile.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray kMaster = "master pw 1";
const QByteArray kMasterLine = kMaster + '\n';

struct Result {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

// Runs the tool as a script would: arguments, standard input from a pipe, nothing else but the
// environment entries given.
Result cli(const QStringList& args, const QByteArray& input = kMasterLine, const QString& outFile = {},
           const QStringList& environment = {}) {
    QProcess p;
    if (!outFile.isEmpty())
        p.setStandardOutputFile(outFile);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& e : environment)
        env.insert(e.section(u'=', 0, 0), e.section(u'=', 1));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VANTREL_CLI), args);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000))
        return {-2, {}, "did not start or finish"}; // QProcess ends it
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -3, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

// Standard output of a run that must succeed and say nothing on standard error; otherwise what
// went wrong, which no expected output holds.
QByteArray ok(const QStringList& args, const QByteArray& input = kMasterLine) {
    const Result r = cli(args, input);
    return r.code == 0 && r.err.isEmpty() ? r.out : "exit " + QByteArray::number(r.code) + ": " + r.err;
}

unsigned mode(const QString& path) {
    struct stat info {};
    return ::stat(qPrintable(path), &info) == 0 ? info.st_mode & 0777 : 0;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A record with the given fields, written as the command line writes them.
AccountRecord record(std::initializer_list<QString> pairs) {
    AccountRecord r;
    for (const QString& p : pairs) {
        const int i = accountFieldIndex(p.section(u'=', 0, 0));
        if (i < 0 || !setFieldText(r, accountFields()[size_t(i)], p.section(u'=', 1)))
            qFatal("bad field %s", qPrintable(p));
    }
    return r;
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

    // A command line split at blanks, VAULT standing for the vault, followed by the arguments
    // that hold blanks or nothing.
    QStringList args(const QString& line, const QStringList& more = {}) const {
        QStringList out = line.split(u' ', Qt::SkipEmptyParts) + more;
        return out.replaceInStrings(QStringLiteral("VAULT"), vault_);
    }
    // The new account's identifier as printed.
    QString add(const QString& line, const QStringList& more = {}, const QByteArray& extraInput = {}) {
        return QString::fromUtf8(ok(args("add VAULT " + line, more), kMasterLine + extraInput)).trimmed();
    }
    // What show prints, the moment of the last change masked.
    QString show(const QString& options) {
        static const QRegularExpression date(QStringLiteral("\nRecordDate: [^\n]+\n"));
        return QString::fromUtf8(ok(args("show VAULT " + options))).replace(date, "\nRecordDate: *\n");
    }
    // The account as the engine reads it, the moment of its last change left out (-1 when unset,
    // which no expected record has).
    AccountRecord engineRecord(int id) {
        FileVaultEngine engine(KdfLimits::cheapest());
        AccountRecord r;
        if (engine.OpenFile(vault_, QString::fromUtf8(kMaster)))
            engine.GetRecord(id, AllCategories, r);
        r.RecordDate = r.RecordDate > 0.0 ? 0.0 : -1.0;
        return r;
    }

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        vault_ = dir_->filePath(QStringLiteral("test.qx"));
        QCOMPARE(ok({"create", vault_, "--kdf-cheap"}), "");
    }

    void helpTexts() {
        const QByteArray main = ok({"--help"});
        QVERIFY(main.contains("Exit status"));
        for (const char* c :
             {"create", "ls", "show", "find", "add", "edit", "rm", "passwd", "generate", "export"}) {
            QVERIFY2(main.contains("  " + QByteArray(c) + ' '), c);
            // Help needs no vault and no password, and wins over other mistakes before "--".
            const QByteArray help = ok({c, "/no/such/vault.qx", "-x", "--bogus", "--help"}, {});
            QVERIFY2(help.startsWith("Usage: vantrel-cli " + QByteArray(c)), help.constData());
            QCOMPARE(ok({"help", c}), help);
        }
        QVERIFY(ok({"create", "-h"}).contains("--kdf-cheap"));

        // Every field a user may set is named in the field list, under its own category.
        const QString addHelp = QString::fromUtf8(ok({"add", "--help"}));
        QVERIFY(addHelp.contains(u"process list"));
        const QString fieldList =
            addHelp.section(QStringLiteral("Fields for --field"), 1).section(QStringLiteral("\n\n"), 0, 0);
        for (const AccountField& f : accountFields()) {
            const bool settable = f.kind == FieldKind::String || f.kind == FieldKind::Boolean ||
                                  qstrcmp(f.name, "ExpirationPwd") == 0;
            const QRegularExpression word(QStringLiteral("\\b%1\\b").arg(QLatin1StringView(f.name)));
            QVERIFY2(fieldList.contains(word) == settable, f.name);
        }
        QVERIFY(fieldList.contains(
            u"Banks (10): BankName BankWebSite BankLocation BankIdCode BankAccountNumber\n"));
    }

    // One row per check in the tool, not per way of failing it, with the start of its message.
    // Command lines are split at blanks, with the arguments that hold blanks or nothing given apart.
    void badArgumentsChangeNothing_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("more");
        QTest::addColumn<QString>("message");
        auto row = [](const QString& line, const QString& message, const QStringList& more = {}) {
            QTest::addRow("%s", qPrintable((QStringList{line} + more).join(u'|'))) << line << more << message;
        };
        const QString bank = QStringLiteral("add VAULT --category Banks --description d --account-name a ");
        row("", "no command given");
        row("frob VAULT", "unknown command 'frob'");
        row("ls", "ls: missing FILE");
        row("ls", "ls: the FILE name is empty", {""});
        row("show VAULT", "show: missing ID");
        row("show VAULT 1 S3cr3t", "show: too many arguments");
        row("rm VAULT 0", "rm: ID must be a whole number from 1 to 2147483647");
        row("rm VAULT -- -1", "rm: ID must be");
        row("rm VAULT 2147483648", "rm: ID must be");
        row("rm VAULT +1", "rm: ID must be");
        // Option problems: the first in argument order, whatever follows it; never a value.
        row("ls VAULT --bogus=S3cr3t -x", "ls: unknown option '--bogus'");
        row("ls VAULT extra -xyz --bogus", "ls: unknown option '-x'");
        row("show VAULT 1 --show-password=S3cr3t --bogus", "show: option '--show-password' takes no value");
        row(bank + "--description e --bogus", "add: option '--description' given more than once");
        row("generate --count=S3cr3t --count", "generate: option '--count' needs a value");
        row(bank + "--field", "add: option '--field' needs a value");
        row("ls VAULT - -- --help", "ls: too many arguments");
        row("ls VAULT --category Bankz", "ls: unknown category 'Bankz'; use a code from 0 to 12");
        row("ls VAULT --category 13", "ls: unknown category '13'");
        row("add VAULT --description d --account-name a", "add: --category is required");
        row("add VAULT --category 0 --account-name a", "add: --description is required");
        row(bank + "--field WebsiteUrl=x", "add: field 'WebsiteUrl' belongs to category WebSites, not Banks");
        row(bank + "--field ID=7", "add: field 'ID' cannot be set");
        row(bank + "--field RecordDate=2030-01-01", "add: field 'RecordDate' cannot be set");
        row(bank + "--field Reserved=1", "add: field 'Reserved' cannot be set");
        row(bank + "--field notes=x", "add: unknown field 'notes'");
        row(bank + "--field", "add: --field needs NAME=VALUE", {"Password S3cr3t"});
        row(bank + "--field Notes=a --field Notes=b", "add: field 'Notes' given more than once");
        row(bank + "--field Description=x", "add: Description given by both --description and --field");
        row(bank + "--field ExpirationPwd=31/12/2030", "add: ExpirationPwd must be a date written");
        row(bank + "--field MyAccount=maybe", "add: MyAccount must be yes or no");
        row("add VAULT --category 0 --description d --account-name", "add: an account name is", {"   "});
        row("add VAULT --category 2 --description d --field", "add: an account name or a",
            {"FileShortName= "});
        row(bank + "--password S3cr3t --generate 5", "add: give --password or --generate, not both");
        row(bank + "--password S3cr3t --field Password=S3cr3t", "add: Password given by both --field and");
        row(bank + "--generate 0", "add: --generate must be a whole number from 1 to 4096");
        row("edit VAULT 1", "edit: nothing to change");
        row("edit VAULT 1 --field WebsiteUrl=x", "edit: field 'WebsiteUrl' belongs to category WebSites");
        row("edit VAULT 1 --field", "edit: an account name is required", {"AccountName= "});
        row("find VAULT", "find: the text to find is empty", {""});
        row("export VAULT", "export: choose the format with --csv");
        row("create VAULT --kdf-cheap", "create: 'VAULT' already exists; add --force");
        row("generate --length 4097", "generate: --length must be a whole number from 1 to 4096");
        row("generate --count 1000000 --length 4096", "generate: Too many characters");
    }

    void badArgumentsChangeNothing() {
        QFETCH(QString, line);
        QFETCH(QStringList, more);
        QFETCH(QString, message);
        QCOMPARE(add("--category Banks --description bank --account-name me"), u"1");
        const QByteArray before = readAll(vault_);
        // A master password and an account password are offered: a command that wrongly went on
        // would succeed and change the file.
        const Result r = cli(args(line, more), kMasterLine + "pw\n");
        QCOMPARE(r.code, 1);
        QVERIFY(r.out.isEmpty());
        const QByteArray start = "vantrel-cli: " + message.replace(QStringLiteral("VAULT"), vault_).toUtf8();
        QVERIFY2(r.err.startsWith(start) && r.err.endsWith(" --help')\n") && r.err.count('\n') == 1,
                 r.err.constData());
        QVERIFY(!r.err.contains("S3cr3t"));
        QCOMPARE(readAll(vault_), before);
    }

    void roundTrip() {
        QCOMPARE(add("--category Banks --password - --description",
                     {"  My bank  ", "--account-name", " bob ", "--field", "BankName=First, \"Big\" Bank",
                      "--field", "Notes=line 1\nline 2"},
                     "  pw with blanks  \n"),
                 u"1");
        QCOMPARE(add("--category websites --description Alpha --account-name -al --generate 16"), u"2");
        QCOMPARE(add("--category 2 --description Report --field", {"FileShortName=  report.txt "}), u"3");

        // By description, whatever the order of adding; tabs between the four columns. Options
        // may stand anywhere before "--", which lets a text start with "-".
        QCOMPARE(ok(args("ls VAULT")),
                 "2\tWeb site\tAlpha\t-al\n1\tBank\tMy bank\tbob\n3\tFile\tReport\treport.txt\n");
        QCOMPARE(ok(args("ls --category=10 VAULT")), "1\tBank\tMy bank\tbob\n");
        QCOMPARE(ok(args("find VAULT BIG")), "1\tBank\tMy bank\tbob\n");
        QCOMPARE(ok(args("find VAULT -- -AL")), "2\tWeb site\tAlpha\t-al\n");

        // Secrets hidden unless asked for; account passwords keep their blanks.
        QVERIFY(show("1").contains("\nAccountName: bob\nPassword: (hidden)\nNotes:"));
        QVERIFY(show("2 --show-password").contains(QRegularExpression("\nPassword: \\S{16}\n")));

        // Edit changes what it is told and keeps the rest, the password included.
        QCOMPARE(ok(args("edit VAULT 1 --field ExpirationPwd=2031-02-03 --field MyAccount=yes --field",
                         {"Description=  Savings  "})),
                 "");
        QCOMPARE(show("1 --show-password"),
                 "ID: 1\nType: 10 (Banks)\nBankName: First, \"Big\" Bank\nDescription: Savings\n"
                 "AccountName: bob\nPassword:   pw with blanks  \nExpirationPwd: 2031-02-03\n"
                 "Notes: line 1\n    line 2\nRecordDate: *\nMyAccount: yes\n");
        QCOMPARE(ok(args("edit VAULT 1 --password -"), kMasterLine + "new one\r\n"), "");
        QVERIFY(show("1 --show-password").contains("\nPassword: new one\n"));

        QCOMPARE(ok(args("rm VAULT 2")), "");
        QCOMPARE(ok(args("ls VAULT")), "3\tFile\tReport\treport.txt\n1\tBank\tSavings\tbob\n");
        const QByteArray after = readAll(vault_);
        for (const char* line : {"show VAULT 2", "rm VAULT 2", "edit VAULT 2 --field Notes=x"}) {
            const Result r = cli(args(line));
            QCOMPARE(r.code, 3);
            QVERIFY(r.err.contains("no account with ID 2"));
        }
        QCOMPARE(readAll(vault_), after);

        // One account, one line, whatever its texts hold.
        QCOMPARE(ok(args("edit VAULT 3 --field Description=Re\tport\nX\x1b[2J\u202Egpj.exe\u2066")), "");
        QCOMPARE(ok(args("ls VAULT --category Files")),
                 "3\tFile\tRe port X\ufffd[2J\ufffdgpj.exe\ufffd\treport.txt\n");
        QVERIFY(show("3").contains("\nDescription: Re\tport\n    X\ufffd[2J\ufffdgpj.exe\ufffd\n"));
    }

    void engineAndCliAgree() {
        // Names trimmed, the software name standing in for the account name, the rest as given.
        QCOMPARE(add("--category Serials --description",
                     {" Editor ", "--field", "SoftwareName=\tEdit Pro \n", "--field", "SoftwareVersion= 2.1 ",
                      "--password", " key with blanks "}),
                 u"1");
        QCOMPARE(engineRecord(1), record({"Type=6", "ID=1", "Description=Editor", "AccountName=Edit Pro",
                                          "SoftwareName=\tEdit Pro \n", "SoftwareVersion= 2.1 ",
                                          "Password= key with blanks ", "ExpirationPwd=2"}));

        // A record another program stored with a stray field of another category and a zero date
        // comes back from an edit as the edit form would send it.
        AccountRecord card = record({"Type=11", "Description=Card", "AccountName=holder", "Password=pw",
                                     "CardPin=1234", "WebsiteName=stray"});
        {
            FileVaultEngine engine(KdfLimits::cheapest());
            QVERIFY(engine.OpenFile(vault_, QString::fromUtf8(kMaster)));
            QVERIFY(engine.PutRecord(card) && engine.SaveFile());
        }
        QCOMPARE(ok(args("edit VAULT 2 --field Notes=new")), "");
        QCOMPARE(engineRecord(2), record({"Type=11", "ID=2", "Description=Card", "AccountName=holder",
                                          "Password=pw", "CardPin=1234", "Notes=new", "ExpirationPwd=2"}));
    }

    void wrongPasswordOrUnreadableVault() {
        QCOMPARE(add("--category Misc --description d --account-name a"), u"1");
        const QByteArray before = readAll(vault_);
        for (const char* line : {"ls VAULT", "rm VAULT 1", "export VAULT --csv",
                                 "add VAULT --category Misc --description x --account-name y"}) {
            Result r = cli(args(line), "Wr0ngPass\n");
            QCOMPARE(r.code, 2);
            QVERIFY(r.out.isEmpty());
            QVERIFY(r.err.contains("wrong master password"));
            QVERIFY(!r.err.contains("Wr0ngPass"));
            r = cli(args(line), {}); // nothing on standard input: a clear refusal, not a wait
            QCOMPARE(r.code, 2);
            QVERIFY(r.err.contains("no master password"));
        }
        QCOMPARE(readAll(vault_), before);
        // Blanks around the master password do not count when opening either.
        QCOMPARE(ok(args("ls VAULT"), "  " + kMaster + "\t\n"), "1\tMisc\td\ta\n");

        QFile junk(dir_->filePath(QStringLiteral("junk.qx")));
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write(before.left(before.size() / 2)) > 0);
        junk.close();
        // A FIFO is refused without waiting for a writer, as are other non-files.
        QVERIFY(::mkfifo(qPrintable(dir_->filePath(QStringLiteral("pipe.qx"))), 0600) == 0);
        for (const QString& path :
             {junk.fileName(), dir_->filePath(QStringLiteral("missing.qx")), dir_->path(),
              dir_->filePath(QStringLiteral("pipe.qx")), QStringLiteral("/dev/zero")})
            QCOMPARE(cli({"add", path, "--category", "0", "--description", "d", "--account-name", "a"}).code,
                     2);
        QCOMPARE(cli({"create", dir_->filePath(QStringLiteral("pipe.qx")), "--force"}).code, 1);
    }

    void createRules() {
        const QString fresh = dir_->filePath(QStringLiteral("fresh.qx"));
        // Four characters, blanks only, nothing at all.
        for (const auto& [input, code] : {std::pair<QByteArray, int>{"abcd\n", 1}, {"   \n", 1}, {"", 2}}) {
            QCOMPARE(cli({"create", fresh, "--kdf-cheap"}, input).code, code);
            QVERIFY(!QFile::exists(fresh));
        }
        // Five are enough; blanks around the master password do not count, as in the window program.
        QCOMPARE(ok({"create", fresh, "--kdf-cheap"}, "  abcde \r\n"), "");
        FileVaultEngine engine(KdfLimits::cheapest());
        QVERIFY(engine.OpenFile(fresh, QStringLiteral("abcde")));

        // --force replaces the vault: the old password no longer opens it, the new one does; and
        // the new vault is the owner's alone, whatever the old file allowed.
        QCOMPARE(add("--category Misc --description d --account-name a"), u"1");
        QVERIFY(::chmod(qPrintable(vault_), 0666) == 0);
        QCOMPARE(ok(args("create VAULT --kdf-cheap --force"), "other pw\n"), "");
        QCOMPARE(mode(vault_), 0600u);
        QCOMPARE(cli(args("ls VAULT")).code, 2);
        QCOMPARE(ok(args("ls VAULT"), "other pw\n"), "");
    }

    void csvExport() {
        const QString tricky = QStringLiteral("say \"hi\", ok");
        const QString lines = QStringLiteral("one\ntwo\r\nthree");
        QCOMPARE(add("--category Forums --account-name me --field ExpirationPwd=2029-12-31 --description",
                     {"Fórum, the", "--password", tricky, "--field", "Notes=" + lines, "--field",
                      "ForumUrl= spaced "}),
                 u"1");
        QCOMPARE(add("--category Pins --description =1+1 --account-name pin --field MyAccount=1"), u"2");

        const QByteArray csv = ok(args("export VAULT --csv"));
        QVERIFY(csv.contains(",\" spaced \",1,")); // blanks at either end are quoted too
        std::optional<QList<QStringList>> rows = parseCsv(QString::fromUtf8(csv));
        QVERIFY2(rows && rows->size() == 3, csv.constData());

        QStringList header;
        for (const AccountField& f : accountFields())
            header << QString::fromLatin1(f.name);
        header.removeOne(QStringLiteral("Reserved"));
        header.insert(1, QStringLiteral("Category"));
        QCOMPARE(rows->at(0), header);
        // Whole rows by their filled cells, the moment of the last change masked; a formula stays
        // as it was.
        auto filled = [&](qsizetype row) {
            QStringList out;
            for (qsizetype i = 0; i < header.size(); ++i) {
                if (const QString value = rows->at(row).value(i); !value.isEmpty())
                    out << header[i] + u'=' + (header[i] == u"RecordDate" ? QStringLiteral("*") : value);
            }
            return rows->at(row).size() == header.size() ? out : QStringList{QStringLiteral("wrong size")};
        };
        QCOMPARE(filled(1),
                 (QStringList{"Type=12", "Category=Forums", "ForumUrl= spaced ", "ID=1",
                              "Description=Fórum, the", "AccountName=me", "Password=" + tricky,
                              "ExpirationPwd=2029-12-31", "Notes=" + lines, "RecordDate=*", "MyAccount=0"}));
        QCOMPARE(filled(2), (QStringList{"Type=5", "Category=Pins", "ID=2", "Description==1+1",
                                         "AccountName=pin", "RecordDate=*", "MyAccount=1"}));

        // For spreadsheets, what could start a formula is made text; the rest stays as it was.
        QCOMPARE(ok(args("edit VAULT 2 --field",
                         {"PinWhat=+39 5", "--field", "Notes=\r@x", "--field", "Password=-pw", "--field",
                          "KeyNotes=\tk", "--field", "Email=@me", "--field", "FirstName=a=b"})),
                 "");
        rows = parseCsv(QString::fromUtf8(ok(args("export VAULT --safe-csv"))));
        QVERIFY(rows && rows->size() == 3);
        QCOMPARE(filled(2),
                 (QStringList{"Type=5", "Category=Pins", "PinWhat='+39 5", "ID=2", "Description='=1+1",
                              "AccountName=pin", "Password='-pw", "Email='@me", "KeyNotes='\tk",
                              "FirstName=a=b", "Notes='\r@x", "RecordDate=*", "MyAccount=1"}));
        QCOMPARE(rows->at(1), parseCsv(QString::fromUtf8(csv))->at(1));
    }

    void exportRefusesATerminal() {
        const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(terminal >= 0 && ::grantpt(terminal) == 0 && ::unlockpt(terminal) == 0);
        const QString screen = QString::fromLocal8Bit(::ptsname(terminal));
        // Held open here too, so the terminal keeps what the tool wrote after the tool is gone.
        const int keepOpen = ::open(::ptsname(terminal), O_RDWR | O_NOCTTY);
        QVERIFY(keepOpen >= 0);
        const Result refused = cli(args("export VAULT --csv"), kMasterLine, screen);
        QCOMPARE(refused.code, 1);
        QVERIFY(refused.err.contains("add --force"));
        QCOMPARE(cli(args("export VAULT --csv --force"), kMasterLine, screen).code, 0);
        struct pollfd ready = {terminal, POLLIN, 0};
        char shown[64] = {};
        QVERIFY(::poll(&ready, 1, 60000) == 1 && ::read(terminal, shown, sizeof shown - 1) > 0);
        QVERIFY(QByteArray(shown).startsWith("Type,Category,"));
        ::close(keepOpen);
        ::close(terminal);
    }

    void concurrentChangesAreAllKept() {
        // Each reads the vault, adds its account and saves; none may save over another's account.
        // Standard input from a file lets them all go at once.
        QFile input(dir_->filePath(QStringLiteral("input")));
        QVERIFY(input.open(QIODevice::WriteOnly) && input.write(kMasterLine) == kMasterLine.size());
        input.close();
        std::vector<std::unique_ptr<QProcess>> runs;
        for (int i = 0; i < 6; ++i) {
            runs.push_back(std::make_unique<QProcess>());
            runs.back()->setStandardInputFile(input.fileName());
            runs.back()->start(QStringLiteral(VANTREL_CLI),
                               args(QStringLiteral("add VAULT --category Misc --account-name a --description "
                                                   "writer%1")
                                        .arg(i)));
        }
        for (auto& p : runs) {
            QVERIFY(p->waitForFinished(60000));
            QVERIFY2(p->exitCode() == 0, p->readAllStandardError().constData());
        }
        const QByteArray listed = ok(args("ls VAULT"));
        for (int i = 0; i < 6; ++i)
            QVERIFY2(listed.contains("\twriter" + QByteArray::number(i) + '\t'), listed.constData());
        QVERIFY(!QFile::exists(vault_ + ".lock"));
    }

    void busyOrChangedVaultIsLeftAlone() {
        VaultFile::Lock held;
        QCOMPARE(held.acquire(vault_, 0), VaultFile::Lock::Result::Locked);
        const QByteArray before = readAll(vault_);
        for (const char* line : {"add VAULT --category Misc --description d --account-name a", "rm VAULT 1",
                                 "edit VAULT 1 --field Notes=x", "passwd VAULT --kdf-cheap"}) {
            const Result r = cli(args(line), kMasterLine + "new master\n", {}, {"VANTREL_LOCK_WAIT=0"});
            QCOMPARE(r.code, 4);
            QVERIFY2(r.err.contains("another program is changing"), r.err.constData());
        }
        QCOMPARE(readAll(vault_), before);
        // Readers need no lock.
        QCOMPARE(ok(args("ls VAULT")), "");
        held.release();
        QCOMPARE(add("--category Misc --description d --account-name a"), u"1");
    }

    void passwdReseals() {
        QCOMPARE(add("--category Misc --description kept --account-name a"), u"1");
        const QByteArray before = readAll(vault_);
        // A wrong current password, and new ones the rules refuse, change nothing.
        QCOMPARE(cli(args("passwd VAULT --kdf-cheap"), "wrong one\nnew master\n").code, 2);
        QCOMPARE(cli(args("passwd VAULT --kdf-cheap"), kMasterLine + "abcd\n").code, 1);
        QCOMPARE(cli(args("passwd VAULT --kdf-cheap"), kMasterLine).code, 2);
        QCOMPARE(readAll(vault_), before);

        QCOMPARE(ok(args("passwd VAULT --kdf-cheap"), kMasterLine + "  new master \n"), "");
        QVERIFY(readAll(vault_).mid(32, 16) != before.mid(32, 16)); // a fresh salt
        for (const QString& file : {vault_, vault_ + ".bak"}) {
            QCOMPARE(cli({"ls", file}).code, 2);
            QCOMPARE(ok({"ls", file}, "new master\n"), "1\tMisc\tkept\ta\n");
        }
    }

    void argumentsThatAreNotUtf8AreRefused() {
        // Only a shell passes bytes that are no text; Qt would encode every argument.
        const QByteArray before = readAll(vault_);
        QProcess p;
        p.start("/bin/sh", {"-c",
                            "printf 'master pw 1\\n' | \"$0\" add \"$1\" --category 0 --account-name a "
                            "--description \"$(printf 'd\\377')\"",
                            QStringLiteral(VANTREL_CLI), vault_});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);
        QCOMPARE(p.readAllStandardError(),
                 "vantrel-cli: argument 8 is not valid UTF-8 text (see 'vantrel-cli --help')\n");
        QCOMPARE(readAll(vault_), before);
    }

    void processKeepsSecretsToItself() {
        QCOMPARE(ok({"self-check"}), "dumpable 0\ncore limit 0 0\n");
#ifndef __SANITIZE_ADDRESS__
        // Nothing the tool frees holds the master password, however long it is: a long one makes
        // the input buffer grow on the way.
        const QByteArray secret = "Jx4-long-master-secret-Wq9";
        const QByteArray master = secret + QByteArray(20000, 'm');
        const QStringList watched{QStringLiteral("LD_PRELOAD=" VANTREL_FREECHECK),
                                  "FREECHECK_SECRET=" + secret};
        const Result created = cli(args("create VAULT --force --kdf-cheap"), master + '\n', {}, watched);
        QCOMPARE(created.err, "");
        const Result added = cli(args("add VAULT --category Misc --description d --account-name a"),
                                 master + '\n', {}, watched);
        QCOMPARE(added.err, "");
        QCOMPARE(added.out, "1\n");
        const Result wrong = cli(args("ls VAULT"), master + "x\n", {}, watched);
        QCOMPARE(wrong.code, 2);
        QVERIFY2(!wrong.err.contains("freecheck"), wrong.err.constData());
        // The watch works: a search text is no secret, and its copies go unwiped.
        QVERIFY(cli(args("find VAULT", {secret}), master + '\n', {}, watched).err.startsWith("freecheck: "));
#endif
    }

    // Every field of every category, with commas, quotes, line breaks and blanks at either end,
    // comes back from our own export; only the identifier and the date of the last change are new.
    void importRestoresAnExport() {
        std::vector<AccountRecord> written;
        {
            FileVaultEngine engine(KdfLimits::cheapest());
            QVERIFY(engine.OpenFile(vault_, QString::fromUtf8(kMaster)));
            for (const CategoryInfo& c : categories()) {
                AccountRecord r;
                r.Type = c.code;
                r.MyAccount = c.code % 2 == 1;
                r.ExpirationPwd =
                    c.code % 3 == 0 ? NoDate : 46000.0 + c.code + (c.code % 3 == 1 ? 0.25 : 0.0);
                for (const AccountField& f : accountFields()) {
                    if (f.kind == FieldKind::String && (f.owner < 0 || f.owner == c.code))
                        r.*f.text = QStringLiteral(" %1, \"%2\" é\r\n2nd line ").arg(f.name, c.key);
                }
                QVERIFY(engine.PutRecord(r));
                written.push_back(r);
            }
            QVERIFY(engine.SaveFile());
        }
        const QString csv = dir_->filePath(QStringLiteral("export.csv"));
        QCOMPARE(cli(args("export VAULT --csv"), kMasterLine, csv).code, 0);
        const QString copy = dir_->filePath(QStringLiteral("copy.qx"));
        QCOMPARE(ok({"create", copy, "--kdf-cheap"}), "");
        const Result r = cli({"import", copy, csv});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.startsWith("Format: Vantrel\nAccounts added: 13\n  Bank: 1\n  Credit card: 1\n"));
        QVERIFY(r.err.contains("still holds the passwords in plain text"));

        FileVaultEngine engine(KdfLimits::cheapest());
        QVERIFY(engine.OpenFile(copy, QString::fromUtf8(kMaster)));
        for (AccountRecord expected : written) {
            AccountRecord back;
            engine.GetRecord(expected.ID, AllCategories, back); // imported in export order
            QVERIFY(back.RecordDate > 0.0);
            back.RecordDate = expected.RecordDate;
            QCOMPARE(back, expected);
        }
    }

    void importRefusesBadFilesAndKeepsTheVault() {
        QCOMPARE(add("--category Misc --description d --account-name a"), u"1");
        const QByteArray before = readAll(vault_);
        const QString bad = dir_->filePath(QStringLiteral("bad.csv"));
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray csv = "title,password\r\nfine,1\r\n\"two\r\nlines\",2\r\nthree,3,extra\r\n";
        file.write(csv);
        file.close();
        // A bad file is refused before the master password is asked for; standard input after it.
        Result r = cli(args("import VAULT", {bad}), {});
        QCOMPARE(r.code, 2);
        QCOMPARE(r.err, "vantrel-cli: import: '" + bad.toUtf8() +
                            "', line 5: 3 values where the header has 2; nothing was imported\n");
        r = cli(args("import VAULT -"), kMasterLine + csv);
        QCOMPARE(r.code, 2);
        QVERIFY(r.err.contains("import: standard input, line 5: 3 values"));
        QCOMPARE(cli(args("import VAULT -"), kMasterLine + "a;b\n").code, 2);
        QCOMPARE(cli(args("import VAULT", {dir_->filePath("none.csv")})).code, 2);
        QCOMPARE(cli(args("import VAULT - --shred"), kMasterLine + "title,password\nx,y\n").code, 1);
        QCOMPARE(cli(args("import VAULT - --category Banks"), kMasterLine + "Type,Description\n9,x\n").code,
                 1);
        QCOMPARE(readAll(vault_), before);
        QVERIFY(ok({"import", "--help"}).contains("plain text"));
    }

    void importSkipsDuplicatesAndShreds() {
        const QString csv = dir_->filePath(QStringLiteral("logins.csv"));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("name,url,username,password\nMail,https://mail.example,me,pw\nRouter,,admin,1234\n");
        file.close();
        const QByteArray empty = readAll(vault_);
        QCOMPARE(ok(args("import VAULT --dry-run --category Services", {csv})),
                 "Format: Chromium\nAccounts to add: 2\n  Service: 2\nDuplicates skipped: 0\n"
                 "Nothing was written (--dry-run).\n");
        QCOMPARE(readAll(vault_), empty);

        QCOMPARE(ok(args("import VAULT --format chrome -"), kMasterLine + "name,url,username,password\n"
                                                                          "Router,,admin,1234\n"),
                 "Format: Chromium\nAccounts added: 1\n  Misc: 1\nDuplicates skipped: 0\n");
        const QByteArray one = readAll(vault_);
        QCOMPARE(ok(args("import VAULT --shred", {csv})),
                 "Format: Chromium\nAccounts added: 1\n  Web site: 1\nDuplicates skipped: 1\n");
        QVERIFY(!QFile::exists(csv));
        QVERIFY(readAll(vault_) != one);
        QCOMPARE(ok(args("ls VAULT")), "2\tWeb site\tMail\tme\n1\tMisc\tRouter\tadmin\n");
    }

    void generate() {
        const QString many = QString::fromUtf8(ok(args("generate --count 50 --length 24")));
        QVERIFY2(QRegularExpression(QStringLiteral("^([^\n]{24}\n){50}\\z")).match(many).hasMatch(),
                 qPrintable(many));
        QCOMPARE(ok({"generate"}).size(), 11); // one password of the default length and its line break
    }

    void writeFailuresAreReported() {
        QCOMPARE(add("--category Misc --description d --account-name a"), u"1");
        // Output that cannot be written is a failure, not a silent success.
        QCOMPARE(cli(args("export VAULT --csv"), kMasterLine, QStringLiteral("/dev/full")).code, 4);

        // A vault whose replacement cannot be written next to it (the temporary name is too long,
        // even for root) stays as it was.
        const QString longName = dir_->filePath(QString(250, u'v'));
        QVERIFY(QFile::copy(vault_, longName));
        const QByteArray before = readAll(longName);
        const Result r =
            cli({"add", longName, "--category", "Misc", "--description", "e", "--account-name", "b"});
        QCOMPARE(r.code, 4);
        QVERIFY(r.out.isEmpty());
        QVERIFY(r.err.contains("could not write"));
        QCOMPARE(readAll(longName), before);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
