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
    QByteArray out, err;
};

// Runs the tool (or a shell) as a script would: arguments, standard input from a pipe, standard
// output to a file when one is named, and nothing else but the environment entries given.
Result run(const QStringList& args, const QByteArray& input = kMasterLine, const QString& outFile = {},
           const QStringList& environment = {}, const QString& program = VANTREL_CLI) {
    QProcess p;
    p.setStandardOutputFile(outFile);
    p.setEnvironment(QProcess::systemEnvironment() + environment);
    p.start(program, args);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000))
        return {-2, {}, "did not start or finish"}; // QProcess ends it
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -3, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// An engine open on a vault, or nothing.
std::unique_ptr<FileVaultEngine> opened(const QString& path, const QString& master = kMaster) {
    auto engine = std::make_unique<FileVaultEngine>(KdfLimits::cheapest());
    return engine->OpenFile(path, master) ? std::move(engine) : nullptr;
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
    // Each cell where the last one ended (\\G), quoted or plain, then a comma or a line break.
    static const QRegularExpression cell("\\G(?:\"((?:[^\"]|\"\")*)\"|([^\",\r\n]*))(,|\r\n)");
    QList<QStringList> rows(1);
    qsizetype end = 0;
    for (const QRegularExpressionMatch& m : cell.globalMatch(text)) {
        rows.last() << (m.hasCaptured(1) ? m.captured(1).replace("\"\"", "\"") : m.captured(2));
        if (m.captured(3) == u"\r\n")
            rows.append(QStringList());
        end = m.capturedEnd();
    }
    return end == text.size() && rows.takeLast().isEmpty() ? std::optional(rows) : std::nullopt;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;
    QString vault_; // created empty for every test

    QString file(const QString& name) const { return dir_->filePath(name); }
    // The text with VAULT and DIR standing for the vault and its folder.
    QString placed(QString text) const { return text.replace("VAULT", vault_).replace("DIR", dir_->path()); }
    // A command line split at blanks (tabs and line breaks among them) as a shell would, with
    // 'quotes' around an argument that holds blanks or nothing.
    QStringList args(const QString& line) const {
        static const QRegularExpression word("'([^']*)'|[^\\s']+");
        QStringList out;
        for (const QRegularExpressionMatch& m : word.globalMatch(placed(line)))
            out << (m.hasCaptured(1) ? m.captured(1) : m.captured(0));
        return out;
    }
    Result cli(const QString& line, const QByteArray& input = kMasterLine, const QString& outFile = {},
               const QStringList& environment = {}) const {
        return run(args(line), input, outFile, environment);
    }
    // Standard output of a run that must succeed and say nothing on standard error; otherwise what
    // went wrong, which no expected output holds.
    QByteArray ok(const QString& line, const QByteArray& input = kMasterLine) const {
        const Result r = cli(line, input);
        return r.code == 0 && r.err.isEmpty() ? r.out : "exit " + QByteArray::number(r.code) + ": " + r.err;
    }
    // The new account's identifier as printed.
    QString add(const QString& line, const QByteArray& extraInput = {}) {
        return QString(ok("add VAULT " + line, kMasterLine + extraInput)).trimmed();
    }
    // What show prints, the moment of the last change masked.
    QString show(const QString& options) {
        static const QRegularExpression date("\nRecordDate: [^\n]+\n");
        return QString(ok("show VAULT " + options)).replace(date, "\nRecordDate: *\n");
    }
    // The account as the engine reads it, the moment of its last change left out (-1 when unset,
    // which no expected record has).
    AccountRecord engineRecord(int id) {
        AccountRecord r;
        if (auto engine = opened(vault_))
            engine->GetRecord(id, AllCategories, r);
        r.RecordDate = r.RecordDate > 0.0 ? 0.0 : -1.0;
        return r;
    }

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        vault_ = file("test.qx");
        QCOMPARE(ok("create VAULT --kdf-cheap"), "");
    }

    void helpTextsAndGenerate() {
        const QByteArray main = ok("--help");
        QVERIFY(main.contains("Exit status"));
        for (const char* c :
             {"create", "ls", "show", "find", "add", "edit", "rm", "passwd", "generate", "export"}) {
            // Help needs no vault and no password, and wins over other mistakes before "--".
            const QByteArray help = ok(c + QString(" /no/such/vault.qx -x --bogus --help"), {});
            QVERIFY2(main.contains("  " + QByteArray(c) + ' ') &&
                         help.startsWith("Usage: vantrel-cli " + QByteArray(c)),
                     help.constData());
            QCOMPARE(ok(QString("help ") + c), help);
        }
        QVERIFY(ok("create -h").contains("--kdf-cheap") && ok("import --help").contains("plain text"));
        // Every field a user may set is named in the field list, under its own category.
        const QString addHelp = ok("add --help");
        QVERIFY(addHelp.contains(u"process list"));
        const QString fieldList = addHelp.section("Fields for --field", 1).section("\n\n", 0, 0);
        for (const AccountField& f : accountFields()) {
            const bool settable = f.kind == FieldKind::String || f.kind == FieldKind::Boolean ||
                                  qstrcmp(f.name, "ExpirationPwd") == 0;
            QVERIFY2(fieldList.contains(QRegularExpression(QString("\\b%1\\b").arg(f.name))) == settable,
                     f.name);
        }
        QVERIFY(fieldList.contains(
            u"Banks (10): BankName BankWebSite BankLocation BankIdCode BankAccountNumber\n"));

        const QString many = ok("generate --count 50 --length 24");
        QVERIFY2(QRegularExpression("^([^\n]{24}\n){50}\\z").match(many).hasMatch(), qPrintable(many));
        QCOMPARE(ok("generate").size(), 11); // one password of the default length and its line break
    }

    // Refused commands say why in one line that starts as given here, ends with the usage hint just
    // when the exit status is 1 and shows no secret (given on the command line or as the master
    // password); they print nothing else and change no file. One row per check in the tool, not
    // per way of failing it. Command lines are split at blanks, VAULT and DIR standing for the vault
    // and its folder, with the arguments that hold blanks or nothing given apart. A master password
    // and an account password are offered: a command that wrongly went on would change the file.
    void refusalsChangeNothing() {
        QCOMPARE(add("--category Banks --description bank --account-name me"), u"1");
        const QByteArray before = readAll(vault_);
        const QByteArray badCsv = "title,password\r\nfine,1\r\n\"two\r\nlines\",2\r\nthree,3,extra\r\n";
        QVERIFY(writeAll(file("bad.csv"), badCsv) &&
                writeAll(file("junk.qx"), before.left(before.size() / 2)) &&
                writeAll(file("notes.qx"), "not a vault\n"));
        const QString longName = file(QString(250, u'v'));
        QVERIFY(::mkfifo(qPrintable(file("pipe.qx")), 0600) == 0 && QFile::copy(vault_, longName));
        const QString bank = "add VAULT --category Banks --description d --account-name a ";
        struct Refusal {
            QString line, message;
            int code = 1;
            QByteArray input = kMasterLine + "pw\n";
        };
        QList<Refusal> rows = {
            {"", "no command given"},
            {"frob VAULT", "unknown command 'frob'"},
            {"ls", "ls: missing FILE"},
            {"ls ''", "ls: the FILE name is empty"},
            {"show VAULT", "show: missing ID"},
            {"show VAULT 1 S3cr3t", "show: too many arguments"},
            {"rm VAULT 0", "rm: ID must be a whole number from 1 to 2147483647"},
            {"rm VAULT -- -1", "rm: ID must be"},
            {"rm VAULT 2147483648", "rm: ID must be"},
            {"rm VAULT +1", "rm: ID must be"},
            // Option problems: the first in argument order, whatever follows it; never a value.
            {"ls VAULT --bogus=S3cr3t -x", "ls: unknown option '--bogus'"},
            {"ls VAULT extra -xyz --bogus", "ls: unknown option '-x'"},
            {"show VAULT 1 --show-password=S3cr3t --bogus", "show: option '--show-password' takes no value"},
            {bank + "--description e --bogus", "add: option '--description' given more than once"},
            {"generate --count=S3cr3t --count", "generate: option '--count' needs a value"},
            {bank + "--field", "add: option '--field' needs a value"},
            {"ls VAULT - -- --help", "ls: too many arguments"},
            {"ls VAULT --category Bankz", "ls: unknown category 'Bankz'; use a code from 0 to 12"},
            {"ls VAULT --category 13", "ls: unknown category '13'"},
            {"add VAULT --description d --account-name a", "add: --category is required"},
            {"add VAULT --category 0 --account-name a", "add: --description is required"},
            {bank + "--field WebsiteUrl=x",
             "add: field 'WebsiteUrl' belongs to category WebSites, not Banks"},
            {bank + "--field ID=7", "add: field 'ID' cannot be set"},
            {bank + "--field RecordDate=2030-01-01", "add: field 'RecordDate' cannot be set"},
            {bank + "--field Reserved=1", "add: field 'Reserved' cannot be set"},
            {bank + "--field notes=x", "add: unknown field 'notes'"},
            {bank + "--field 'Password S3cr3t'", "add: --field needs NAME=VALUE"},
            {bank + "--field Notes=a --field Notes=b", "add: field 'Notes' given more than once"},
            {bank + "--field Description=x", "add: Description given by both --description and --field"},
            {bank + "--field ExpirationPwd=31/12/2030", "add: ExpirationPwd must be a date written"},
            {bank + "--field MyAccount=maybe", "add: MyAccount must be yes or no"},
            {"add VAULT --category 0 --description d --account-name '   '", "add: an account name is"},
            {"add VAULT --category 2 --description d --field 'FileShortName= '", "add: an account name or a"},
            {bank + "--password S3cr3t --generate 5", "add: give --password or --generate, not both"},
            {bank + "--password S3cr3t --field Password=S3cr3t", "add: Password given by both --field and"},
            {bank + "--generate 0", "add: --generate must be a whole number from 1 to 4096"},
            {"edit VAULT 1", "edit: nothing to change"},
            {"show VAULT 2", "show: no account with ID 2 in 'VAULT'", 3},
            {"rm VAULT 2", "rm: no account with ID 2", 3},
            {"edit VAULT 2 --field Notes=x", "edit: no account with ID 2", 3},
            {"edit VAULT 1 --field WebsiteUrl=x", "edit: field 'WebsiteUrl' belongs to category WebSites"},
            {"edit VAULT 1 --field 'AccountName= '", "edit: an account name is required"},
            {"find VAULT ''", "find: the text to find is empty"},
            {"export VAULT", "export: choose the format with --csv"},
            {"create VAULT --kdf-cheap", "create: 'VAULT' already exists; add --force"},
            {"generate --length 4097", "generate: --length must be a whole number from 1 to 4096"},
            {"generate --count 16385 --length 4096",
             "generate: --count times --length may be at most 67108864"},
            // Files that are no vault, a FIFO refused without waiting for a writer.
            {"rm DIR/junk.qx 1", "rm: wrong master password, or 'DIR/junk.qx'", 2},
            {"rm DIR/notes.qx 1", "rm: 'DIR/notes.qx' is not a Vantrel vault", 2}, // said before the password
            {"rm DIR/missing.qx 1", "rm: 'DIR/missing.qx' does not exist", 2},
            {"rm DIR 1", "rm: 'DIR' is a folder, not a vault", 2},
            {"rm DIR/pipe.qx 1", "rm: 'DIR/pipe.qx' is not a regular file", 2},
            {"rm /dev/zero 1", "rm: '/dev/zero' is not a regular file", 2},
            {"create DIR/pipe.qx --force", "create: 'DIR/pipe.qx' is not a regular file"},
            // Master passwords: at least five characters besides the blanks around them.
            {"create DIR/fresh.qx --kdf-cheap", "create: the master password must have at least 5", 1,
             "abcd\n"},
            {"create DIR/fresh.qx --kdf-cheap", "create: the master password is empty", 1, "   \n"},
            {"create DIR/fresh.qx --kdf-cheap", "create: no master password on standard input", 2, ""},
            {"passwd VAULT --kdf-cheap", "passwd: wrong master password", 2, "S3cr3t\nnew master\n"},
            {"passwd VAULT --kdf-cheap", "passwd: the master password must have at least 5", 1,
             kMasterLine + "abcd\n"},
            {"passwd VAULT --kdf-cheap",
             "passwd: no master password on standard input (it must be the second", 2, kMasterLine},
            // A bad file is refused before the master password is asked for; standard input after it.
            {"import VAULT DIR/bad.csv",
             "import: 'DIR/bad.csv', line 5: 3 values where the header has 2; nothing was imported\n", 2, ""},
            {"import VAULT -", "import: standard input, line 5: 3 values", 2, kMasterLine + badCsv},
            {"import VAULT -", "import: standard input, line 1: the header is not one of a known export", 2,
             kMasterLine + "a;b\n"},
            {"import VAULT DIR/none.csv", "import: 'DIR/none.csv': the file does not exist", 2},
            {"import VAULT - --shred", "import: --shred needs a CSV file, not standard input", 1,
             kMasterLine + "title,password\nx,y\n"},
            {"import VAULT - --category Banks", "import: --category does not go with a Vantrel export", 1,
             kMasterLine + "Type,Description\n9,x\n"},
            // A copy of the vault whose replacement cannot be written next to it: the temporary
            // name is too long, even for root.
            {"add " + longName + " --category Misc --description e --account-name b", "add: could not write",
             4},
        };
        // A wrong master password or none, whether the command reads or changes the vault.
        for (const QString line : {"ls VAULT", "export VAULT --csv", "rm VAULT 1",
                                   "add VAULT --category Misc --description x --account-name y"}) {
            const QString command = line.section(' ', 0, 0);
            rows.append(
                {line, command + ": wrong master password, or 'VAULT' is not a vault", 2, "S3cr3t\n"});
            rows.append({line, command + ": no master password on standard input (it must be the first line)",
                         2, ""});
        }
        for (const auto& [line, message, code, input] : rows) {
            const Result r = cli(line, input);
            const QByteArray start = "vantrel-cli: " + placed(message).toUtf8();
            QVERIFY2(r.code == code && r.out.isEmpty() && r.err.startsWith(start) && r.err.count('\n') == 1 &&
                         r.err.endsWith(" --help')\n") == (code == 1) && !r.err.contains("S3cr3t"),
                     qPrintable(line + ": " + r.err));
            QVERIFY(readAll(vault_) == before && readAll(longName) == before &&
                    !QFile::exists(file("fresh.qx")));
        }
        // Only a shell passes bytes that are no text; Qt would encode every argument.
        const Result r = run({"-c",
                              "printf 'master pw 1\\n' | \"$0\" add \"$1\" --category 0 --account-name a "
                              "--description \"$(printf 'd\\377')\"",
                              VANTREL_CLI, vault_},
                             {}, {}, {}, "/bin/sh");
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err, "vantrel-cli: argument 8 is not valid UTF-8 text (see 'vantrel-cli --help')\n");
        QCOMPARE(readAll(vault_), before);
    }

    void roundTrip() {
        QCOMPARE(add("--category Banks --password - --description '  My bank  ' --account-name ' bob ' "
                     "--field 'BankName=First, \"Big\" Bank' --field 'Notes=line 1\nline 2'",
                     "  pw with blanks  \n"),
                 u"1");
        QCOMPARE(add("--category websites --description Alpha --account-name -al --generate 16"), u"2");
        QCOMPARE(add("--category 2 --description Report --field 'FileShortName=  report.txt '"), u"3");

        // By description, whatever the order of adding; tabs between the four columns. Options
        // may stand anywhere before "--", which lets a text start with "-".
        QCOMPARE(ok("ls VAULT"),
                 "2\tWeb site\tAlpha\t-al\n1\tBank\tMy bank\tbob\n3\tFile\tReport\treport.txt\n");
        QCOMPARE(ok("ls --category=10 VAULT"), "1\tBank\tMy bank\tbob\n");
        QCOMPARE(ok("find VAULT BIG"), "1\tBank\tMy bank\tbob\n");
        QCOMPARE(ok("find VAULT -- -AL"), "2\tWeb site\tAlpha\t-al\n");

        // Secrets hidden unless asked for; account passwords keep their blanks.
        QVERIFY(show("1").contains("\nAccountName: bob\nPassword: (hidden)\nNotes:"));
        QVERIFY(show("2 --show-password").contains(QRegularExpression("\nPassword: \\S{16}\n")));

        // Edit changes what it is told and keeps the rest, the password included.
        QCOMPARE(ok("edit VAULT 1 --field ExpirationPwd=2031-02-03 --field MyAccount=yes --field "
                    "'Description=  Savings  '"),
                 "");
        QCOMPARE(show("1 --show-password"),
                 "ID: 1\nType: 10 (Banks)\nBankName: First, \"Big\" Bank\nDescription: Savings\n"
                 "AccountName: bob\nPassword:   pw with blanks  \nExpirationPwd: 2031-02-03\n"
                 "Notes: line 1\n    line 2\nRecordDate: *\nMyAccount: yes\n");
        QCOMPARE(ok("edit VAULT 1 --password -", kMasterLine + "new one\r\n"), "");
        QVERIFY(show("1 --show-password").contains("\nPassword: new one\n"));

        QCOMPARE(ok("rm VAULT 2"), "");
        QCOMPARE(ok("ls VAULT"), "3\tFile\tReport\treport.txt\n1\tBank\tSavings\tbob\n");
        QCOMPARE(cli("show VAULT 2").code, 3); // as every command on an identifier not in use

        // One account, one line, whatever its texts hold.
        QCOMPARE(ok("edit VAULT 3 --field 'Description=Re\tport\nX\x1b[2J\u202Egpj.exe\u2066'"), "");
        QCOMPARE(ok("ls VAULT --category Files"),
                 "3\tFile\tRe port X\ufffd[2J\ufffdgpj.exe\ufffd\treport.txt\n");
        QVERIFY(show("3").contains("\nDescription: Re\tport\n    X\ufffd[2J\ufffdgpj.exe\ufffd\n"));
    }

    void engineAndCliAgree() {
        // Names trimmed, the software name standing in for the account name, the rest as given.
        QCOMPARE(add("--category Serials --description ' Editor ' --field 'SoftwareName=\tEdit Pro \n' "
                     "--field 'SoftwareVersion= 2.1 ' --password ' key with blanks '"),
                 u"1");
        QCOMPARE(engineRecord(1), record({"Type=6", "ID=1", "Description=Editor", "AccountName=Edit Pro",
                                          "SoftwareName=\tEdit Pro \n", "SoftwareVersion= 2.1 ",
                                          "Password= key with blanks ", "ExpirationPwd=2"}));
        // A record another program stored with a stray field of another category and a zero date
        // comes back from an edit as the edit form would send it.
        AccountRecord card = record({"Type=11", "Description=Card", "AccountName=holder", "Password=pw",
                                     "CardPin=1234", "WebsiteName=stray"});
        auto engine = opened(vault_);
        QVERIFY(engine && engine->PutRecord(card) && engine->SaveFile());
        QCOMPARE(ok("edit VAULT 2 --field Notes=new"), "");
        QCOMPARE(engineRecord(2), record({"Type=11", "ID=2", "Description=Card", "AccountName=holder",
                                          "Password=pw", "CardPin=1234", "Notes=new", "ExpirationPwd=2"}));
    }

    void masterPasswordChanges() {
        QCOMPARE(add("--category Misc --description kept --account-name a"), u"1");
        // Blanks around the master password do not count, as in the window program.
        QCOMPARE(ok("ls VAULT", "  " + kMaster + "\t\n"), "1\tMisc\tkept\ta\n");
        QCOMPARE(ok("create DIR/fresh.qx --kdf-cheap", "  abcde \r\n"), "");
        QVERIFY(opened(file("fresh.qx"), "abcde"));

        QCOMPARE(ok("passwd VAULT --kdf-cheap", kMasterLine + "  new master \n"), "");
        QCOMPARE(cli("ls VAULT").code, 2);
        QCOMPARE(ok("ls VAULT", "new master\n"), "1\tMisc\tkept\ta\n");
        // --force replaces the vault: the old password no longer opens it, the new one does.
        QCOMPARE(ok("create VAULT --kdf-cheap --force", "other pw\n"), "");
        QCOMPARE(cli("ls VAULT", "new master\n").code, 2);
        QCOMPARE(ok("ls VAULT", "other pw\n"), "");
    }

    void csvExport() {
        const QString tricky = "say \"hi\", ok", lines = "one\ntwo\r\nthree";
        QCOMPARE(
            add(QString("--category Forums --account-name me --field ExpirationPwd=2029-12-31 --description "
                        "'Fórum, the' --password '%1' --field 'Notes=%2' --field 'ForumUrl= spaced '")
                    .arg(tricky, lines)),
            u"1");
        QCOMPARE(add("--category Pins --description =1+1 --account-name pin --field MyAccount=1"), u"2");

        const QByteArray csv = ok("export VAULT --csv");
        QVERIFY(csv.contains(",\" spaced \",1,")); // blanks at either end are quoted too
        std::optional<QList<QStringList>> rows = parseCsv(csv);
        QVERIFY2(rows && rows->size() == 3, csv.constData());
        QStringList header;
        for (const AccountField& f : accountFields())
            header << f.name;
        header.removeOne("Reserved");
        header.insert(1, "Category");
        QCOMPARE(rows->at(0), header);
        // Whole rows by their filled cells, the moment of the last change masked; a formula stays
        // as it was.
        auto filled = [&](qsizetype row) {
            QStringList out;
            for (qsizetype i = 0; i < header.size(); ++i)
                if (const QString value = rows->at(row).value(i); !value.isEmpty())
                    out << header[i] + u'=' + (header[i] == u"RecordDate" ? "*" : value);
            return rows->at(row).size() == header.size() ? out : QStringList{"wrong size"};
        };
        QCOMPARE(filled(1),
                 (QStringList{"Type=12", "Category=Forums", "ForumUrl= spaced ", "ID=1",
                              "Description=Fórum, the", "AccountName=me", "Password=" + tricky,
                              "ExpirationPwd=2029-12-31", "Notes=" + lines, "RecordDate=*", "MyAccount=0"}));
        QCOMPARE(filled(2), (QStringList{"Type=5", "Category=Pins", "ID=2", "Description==1+1",
                                         "AccountName=pin", "RecordDate=*", "MyAccount=1"}));

        // For spreadsheets, what could start a formula is made text; the rest stays as it was.
        QCOMPARE(ok("edit VAULT 2 --field 'PinWhat=+39 5' --field 'Notes=\r@x' --field Password=-pw "
                    "--field 'KeyNotes=\tk' --field Email=@me --field FirstName=a=b"),
                 "");
        rows = parseCsv(ok("export VAULT --safe-csv"));
        QVERIFY(rows && rows->size() == 3);
        QCOMPARE(filled(2),
                 (QStringList{"Type=5", "Category=Pins", "PinWhat='+39 5", "ID=2", "Description='=1+1",
                              "AccountName=pin", "Password='-pw", "Email='@me", "KeyNotes='\tk",
                              "FirstName=a=b", "Notes='\r@x", "RecordDate=*", "MyAccount=1"}));
        QCOMPARE(rows->at(1), parseCsv(csv)->at(1));

        // Output that cannot be written is a failure, not a silent success.
        QCOMPARE(cli("export VAULT --csv", kMasterLine, "/dev/full").code, 4);
        // A terminal gets no export unless forced. Held open here too, so the terminal keeps what
        // the tool wrote after the tool is gone.
        const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(terminal >= 0 && ::grantpt(terminal) == 0 && ::unlockpt(terminal) == 0);
        const int keepOpen = ::open(::ptsname(terminal), O_RDWR | O_NOCTTY);
        QVERIFY(keepOpen >= 0);
        const Result refused = cli("export VAULT --csv", kMasterLine, ::ptsname(terminal));
        QVERIFY(refused.code == 1 && refused.err.contains("add --force"));
        QCOMPARE(cli("export VAULT --csv --force", kMasterLine, ::ptsname(terminal)).code, 0);
        struct pollfd ready = {terminal, POLLIN, 0};
        char shown[64] = {};
        QVERIFY(::poll(&ready, 1, 60000) == 1 && ::read(terminal, shown, sizeof shown - 1) > 0);
        QVERIFY(QByteArray(shown).startsWith("Type,Category,"));
        ::close(keepOpen);
        ::close(terminal);
    }

    // Every field of every category, with commas, quotes, line breaks and blanks at either end,
    // comes back from our own export; only the identifier and the date of the last change are new.
    void importRestoresAnExport() {
        std::vector<AccountRecord> written;
        auto engine = opened(vault_);
        QVERIFY(engine);
        for (const CategoryInfo& c : categories()) {
            AccountRecord r;
            r.Type = c.code;
            r.MyAccount = c.code % 2 == 1;
            r.ExpirationPwd = c.code % 3 == 0 ? NoDate : 46000.0 + c.code + (c.code % 3 == 1 ? 0.25 : 0.0);
            for (const AccountField& f : accountFields())
                if (f.kind == FieldKind::String && (f.owner < 0 || f.owner == c.code))
                    r.*f.text = QString(" %1, \"%2\" é\r\n2nd line ").arg(f.name, c.key);
            QVERIFY(engine->PutRecord(r));
            written.push_back(r);
        }
        QVERIFY(engine->SaveFile());
        QCOMPARE(cli("export VAULT --csv", kMasterLine, file("export.csv")).code, 0);
        QCOMPARE(ok("create DIR/copy.qx --kdf-cheap"), "");
        const Result r = cli("import DIR/copy.qx DIR/export.csv");
        QVERIFY(r.code == 0 &&
                r.out.startsWith("Format: Vantrel\nAccounts added: 13\n  Bank: 1\n  Credit card: 1\n") &&
                r.err.contains("still holds the passwords in plain text"));
        engine = opened(file("copy.qx"));
        QVERIFY(engine);
        for (AccountRecord expected : written) {
            AccountRecord back;
            engine->GetRecord(expected.ID, AllCategories, back); // imported in export order
            expected.RecordDate = back.RecordDate > 0.0 ? back.RecordDate : -1.0;
            QCOMPARE(back, expected);
        }
    }

    void importSkipsDuplicatesAndShreds() {
        const QString csv = file("logins.csv");
        QVERIFY(writeAll(
            csv, "name,url,username,password\nMail,https://mail.example,me,pw\nRouter,,admin,1234\n"));
        const QByteArray empty = readAll(vault_);
        QCOMPARE(ok("import VAULT --dry-run --category Services DIR/logins.csv"),
                 "Format: Chromium\nAccounts to add: 2\n  Service: 2\nDuplicates skipped: 0\n"
                 "Nothing was written (--dry-run).\n");
        QCOMPARE(readAll(vault_), empty);
        QCOMPARE(ok("import VAULT --format chrome -",
                    kMasterLine + "name,url,username,password\nRouter,,admin,1234\n"),
                 "Format: Chromium\nAccounts added: 1\n  Misc: 1\nDuplicates skipped: 0\n");
        const QByteArray one = readAll(vault_);
        QCOMPARE(ok("import VAULT --shred DIR/logins.csv"),
                 "Format: Chromium\nAccounts added: 1\n  Web site: 1\nDuplicates skipped: 1\n");
        QVERIFY(!QFile::exists(csv));
        QVERIFY(readAll(vault_) != one);
        QCOMPARE(ok("ls VAULT"), "2\tWeb site\tMail\tme\n1\tMisc\tRouter\tadmin\n");
    }

    void writersTakeTurns() {
        VaultFile::Lock held;
        QCOMPARE(held.acquire(vault_, 0), VaultFile::Lock::Result::Locked);
        const QByteArray before = readAll(vault_);
        for (const char* line : {"add VAULT --category Misc --description d --account-name a", "rm VAULT 1",
                                 "edit VAULT 1 --field Notes=x", "passwd VAULT --kdf-cheap"}) {
            const Result r = cli(line, kMasterLine + "new master\n", {}, {"VANTREL_LOCK_WAIT=0"});
            QVERIFY2(r.code == 4 && r.err.contains("another program is changing"), r.err.constData());
        }
        QCOMPARE(readAll(vault_), before);
        QCOMPARE(ok("ls VAULT"), ""); // readers need no lock
        held.release();
        // Six at once each read the vault, add an account and save; none may save over another's
        // account, and any that failed would say so on standard error.
        const Result writers = run({"-c",
                                    "for i in 0 1 2 3 4 5; do printf 'master pw 1\\n' | \"$0\" add \"$1\" "
                                    "--category Misc --account-name a --description writer$i & done; wait",
                                    VANTREL_CLI, vault_},
                                   {}, {}, {}, "/bin/sh");
        QVERIFY2(writers.code == 0 && writers.err.isEmpty(), writers.err.constData());
        const QByteArray listed = ok("ls VAULT");
        for (int i = 0; i < 6; ++i)
            QVERIFY2(listed.contains("\twriter" + QByteArray::number(i) + '\t'), listed.constData());
        QVERIFY(!QFile::exists(vault_ + ".lock"));
    }

    void processKeepsSecretsToItself() {
        QCOMPARE(ok("self-check"), "dumpable 0\ncore limit 0 0\n");
#ifndef __SANITIZE_ADDRESS__
        // Nothing the tool frees holds the master password, however long it is: a long one makes
        // the input buffer grow on the way.
        const QByteArray secret = "Jx4-long-master-secret-Wq9", master = secret + QByteArray(20000, 'm');
        const QStringList watched{"LD_PRELOAD=" VANTREL_FREECHECK, "FREECHECK_SECRET=" + secret};
        QCOMPARE(cli("create VAULT --force --kdf-cheap", master + '\n', {}, watched).err, "");
        const Result added =
            cli("add VAULT --category Misc --description d --account-name a", master + '\n', {}, watched);
        QVERIFY2(added.err.isEmpty() && added.out == "1\n", added.err.constData());
        const Result wrong = cli("ls VAULT", master + "x\n", {}, watched);
        QVERIFY2(wrong.code == 2 && !wrong.err.contains("freecheck"), wrong.err.constData());
        // The watch works: a search text is no secret, and its copies go unwiped.
        QVERIFY(cli("find VAULT " + secret, master + '\n', {}, watched).err.startsWith("freecheck: "));
#endif
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
