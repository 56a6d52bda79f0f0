// The CSV importer: the reader, each export format field by field, refusals with their line, and
// duplicates against an open vault.

#include "CsvImport.h"
#include "FileVaultEngine.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

// An account as "Field=value" for each field that holds something, Type always; the unset
// dates and the identifier left out.
QStringList filled(const AccountRecord& r) {
    QStringList out;
    for (const AccountField& f : accountFields()) {
        const QString value = fieldText(r, f);
        const bool empty = f.kind == FieldKind::String ? value.isEmpty() : value == u"0";
        if (qstrcmp(f.name, "Type") == 0 || (!empty && qstrcmp(f.name, "ID") != 0))
            out << QLatin1StringView(f.name) + u'=' + value;
    }
    return out;
}

QList<QStringList> accounts(const ImportBatch& batch) {
    QList<QStringList> out;
    for (size_t i = 0; i < batch.accounts.size(); ++i)
        out << filled(batch.account(i));
    return out;
}

// Reads the rows a reader gives, "|"-joined, with their line; the problem's kind and line last.
QStringList readAll(const QByteArray& bytes) {
    CsvReader reader(bytes);
    QStringList out;
    QStringList fields;
    int line = 0;
    while (reader.next(fields, line))
        out << QString::number(line) + u':' + fields.join(u'|');
    if (reader.problem())
        out << QStringLiteral("problem %1 on %2").arg(reader.problem().kind).arg(reader.problem().line);
    return out;
}

} // namespace

class TestImport : public QObject {
    Q_OBJECT
private slots:
    void reader_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("rows");
        using P = ImportProblem;
        auto problem = [](P::Kind kind, int line) {
            return QStringLiteral("problem %1 on %2").arg(kind).arg(line);
        };
        QTest::newRow("quotes, commas, kept line breaks, BOM, CRLF")
            << QByteArray("\xEF\xBB\xBF"
                          "a,\"b,\"\"c\"\"\",d\r\n\"x\r\ny\nz\",,\"\"\r\nlast,row,without break")
            << QStringList{"1:a|b,\"c\"|d", "2:x\r\ny\nz||", "5:last|row|without break"};
        QTest::newRow("blank lines skipped, a lone empty quoted value kept")
            << QByteArray("\n\na\n\r\n\"\"\n\n") << QStringList{"3:a", "5:"};
        QTest::newRow("unclosed quote reported where it opens")
            << QByteArray("h\n\"ok\"\n\"open\nstill\nopen")
            << QStringList{"1:h", "2:ok", problem(P::UnclosedQuote, 3)};
        QTest::newRow("text after a closing quote")
            << QByteArray("h,i\n\"a\nb\"x,c") << QStringList{"1:h|i", problem(P::StrayQuote, 3)};
        QTest::newRow("quote inside an unquoted value")
            << QByteArray("h,i\na,b\"c") << QStringList{"1:h|i", problem(P::StrayQuote, 2)};
        QTest::newRow("not UTF-8") << QByteArray("h\nok\n\"multi\nline \xff\"")
                                   << QStringList{problem(P::NotUtf8, 4)};
    }

    void reader() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, rows);
        QCOMPARE(readAll(bytes), rows);
    }

    // Our own samples of each export, checked field by field.
    void formats_data() {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<int>("category"); // asked for; -1 for none
        QTest::addColumn<QString>("format");
        QTest::addColumn<QList<QStringList>>("expected");

        QTest::newRow("KeePassXC")
            << QByteArray(
                   "\xEF\xBB\xBF\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\","
                   "\"Icon\",\"Last Modified\",\"Created\"\r\n"
                   "\"Root/Web\",\" Mail, private \",\" ann \",\"p\"\"w,1 \",\"https://mail.example.com/in\","
                   "\"line 1\nline "
                   "2\",\"otpauth://totp/x?secret=JBSW\",\"0\",\"2024-01-02T03:04:05Z\",\"\"\r\n"
                   "\"Root\",\"\",\"bob\",\"pw2\",\"\",\"\",\"\",\"0\",\"\",\"\"\r\n")
            << -1 << "KeePassXC"
            << QList<QStringList>{
                   {"Type=0", "WebsiteUrl=https://mail.example.com/in", "Description=Mail, private",
                    "AccountName=ann", "Password=p\"w,1 ", "ExpirationPwd=2",
                    "Notes=line 1\nline 2\n\nGroup: Root/Web\nTOTP: otpauth://totp/x?secret=JBSW"},
                   {"Type=9", "Description=bob", "AccountName=bob", "Password=pw2", "ExpirationPwd=2",
                    "Notes=Group: Root"}};

        QTest::newRow("Bitwarden, with a card")
            << QByteArray(
                   "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,"
                   "login_totp,card_cardholderName,card_brand,card_number,card_expMonth,card_expYear,card_"
                   "code\n"
                   "Social,1,login,\xc3\x9cn\xc3\xaf"
                   "code \xe2\x9c\x93,,\"twitter: @me\npin: 1\",0,"
                   "https://example.org,me@example.org,pa ss ,SEED,,,,,,\n"
                   ",,note,Wi-Fi,\"SSID home\nkey abc\",,0,,,,,,,,,,\n"
                   ",,card,My Visa,,,0,,,,,Ann Smith,Visa,4111111111111111,3,2027,123\n"
                   ",,identity,Me,,,0,,,,,,,,,,\n")
            << -1 << "Bitwarden"
            << QList<QStringList>{
                   {"Type=0", "WebsiteUrl=https://example.org", "Description=\u00dcn\u00efcode \u2713",
                    "AccountName=me@example.org", "Password=pa ss ", "ExpirationPwd=2",
                    "Notes=Folder: Social\nCustom fields: twitter: @me\npin: 1\nTOTP: SEED"},
                   {"Type=9", "Description=Wi-Fi", "ExpirationPwd=2", "Notes=SSID home\nkey abc"},
                   {"Type=11", "CardCompanyOwner=Visa", "CardNumber=4111111111111111",
                    "CardExpiration=03/2027", "CardOwner=Ann Smith", "Description=My Visa", "ExpirationPwd=2",
                    "Notes=Security code: 123"},
                   {"Type=9", "Description=Me", "ExpirationPwd=2"}};

        QTest::newRow("Chromium, names from the address")
            << QByteArray("name,url,username,password,note\n"
                          "example.com,https://example.com/,,secret,\n"
                          ",https://login.example.net:8443/x,joe,pw,remember me\n")
            << -1 << "Chromium"
            << QList<QStringList>{{"Type=0", "WebsiteUrl=https://example.com/", "Description=example.com",
                                   "Password=secret", "ExpirationPwd=2"},
                                  {"Type=0", "WebsiteUrl=https://login.example.net:8443/x",
                                   "Description=login.example.net", "AccountName=joe", "Password=pw",
                                   "ExpirationPwd=2", "Notes=remember me"}};

        QTest::newRow("Firefox")
            << QByteArray(
                   "\"url\",\"username\",\"password\",\"httpRealm\",\"formActionOrigin\",\"guid\","
                   "\"timeCreated\",\"timeLastUsed\",\"timePasswordChanged\"\r\n"
                   "\"https://shop.example.com\",\"buyer\",\"p,w\",,\"https://shop.example.com\",\"{a}\","
                   "\"1700000000000\",\"1700000000000\",\"1700000000000\"\r\n"
                   "\"ftp://files.example.com\",\"\",\"x\",\"Files\",\"\",\"{b}\",\"1\",\"1\",\"1\"\r\n")
            << -1 << "Firefox"
            << QList<QStringList>{
                   {"Type=0", "WebsiteUrl=https://shop.example.com", "Description=shop.example.com",
                    "AccountName=buyer", "Password=p,w", "ExpirationPwd=2"},
                   {"Type=0", "WebsiteUrl=ftp://files.example.com", "Description=files.example.com",
                    "Password=x", "ExpirationPwd=2", "Notes=HTTP realm: Files"}};

        QTest::newRow("generic: synonyms, e-mail as the user, other columns in Notes")
            << QByteArray("Entry Name,E-mail,PASS,Web Site,Comments,Group / Folder,Empty\n"
                          "Bank,me@x.org,pw,,\"multi\nline\",Finance,\n")
            << -1 << "Generic CSV"
            << QList<QStringList>{{"Type=9", "Description=Bank", "AccountName=me@x.org", "Password=pw",
                                   "ExpirationPwd=2", "Notes=multi\nline\n\nGroup / Folder: Finance"}};

        QTest::newRow("a category asked for takes the address into its own field")
            << QByteArray(
                   "title,username,email,password,url\nMy bank,me,me@bank.example,pw,https://bank.example\n"
                   "PIN,,,1234,\n")
            << int(Banks) << "Generic CSV"
            << QList<QStringList>{{"Type=10", "BankWebSite=https://bank.example", "Description=My bank",
                                   "AccountName=me", "Password=pw", "ExpirationPwd=2",
                                   "Email=me@bank.example"},
                                  {"Type=10", "Description=PIN", "Password=1234", "ExpirationPwd=2"}};

        QTest::newRow("a category without an address field keeps it in Notes")
            << QByteArray("name,url,username,password\nRouter,http://192.168.1.1,admin,pw\n") << int(Pins)
            << "Chromium"
            << QList<QStringList>{{"Type=5", "Description=Router", "AccountName=admin", "Password=pw",
                                   "ExpirationPwd=2", "Notes=URL: http://192.168.1.1"}};
    }

    void formats() {
        QFETCH(QByteArray, csv);
        QFETCH(int, category);
        QFETCH(QString, format);
        QFETCH(QList<QStringList>, expected);
        ImportBatch batch;
        const ImportProblem p = readCsvImport(csv, {ImportFormat::Auto, category}, batch);
        QVERIFY2(!p, qPrintable(describe(p)));
        QCOMPARE(formatName(batch.format), format);
        QCOMPARE(accounts(batch), expected);
    }

    // Nothing is read from a file with a fault anywhere; the problem names its line.
    void refusals_data() {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("message");
        using P = ImportProblem;
        const int automatic = int(ImportFormat::Auto);
        QTest::newRow("too many values after a multi-line one")
            << QByteArray("title,password\r\nok,1\r\n\"two\r\nlines\",x\r\na,b,c\r\n") << automatic
            << int(P::FieldCount) << 5 << "line 5: 3 values where the header has 2";
        QTest::newRow("unclosed quote at the end")
            << QByteArray("title,password\na,\"b\n") << automatic << int(P::UnclosedQuote) << 2
            << "line 2: the quoted value that starts on line 2 never ends";
        QTest::newRow("unknown header")
            << QByteArray("foo,bar\n1,2\n") << automatic << int(P::UnknownHeader) << 1
            << "line 1: the header is not one of a known export, and names no title "
               "and password columns";
        QTest::newRow("empty file") << QByteArray("\xEF\xBB\xBF\r\n") << automatic << int(P::UnknownHeader)
                                    << 1 << "line 1: the file is empty";
        QTest::newRow("format asked for, column missing")
            << QByteArray("name,url,username,password\n") << int(ImportFormat::KeePassXC)
            << int(P::UnknownHeader) << 1
            << "line 1: the header has no column 'group', which a KeePassXC export has";
        QTest::newRow("Vantrel: a date")
            << QByteArray("Type,Description,ExpirationPwd\n10,a,2030-01-31\n10,b,31/01/2030\n") << automatic
            << int(P::BadValue) << 3 << "line 3: ExpirationPwd '31/01/2030' is not a date";
        QTest::newRow("Vantrel: a category")
            << QByteArray("Type,Description\n13,a\n") << automatic << int(P::BadValue) << 2
            << "line 2: Type '13' is not a category code";
        QTest::newRow("Vantrel: Category and Type differ")
            << QByteArray("Type,Category,Description\n10,Pins,a\n") << automatic << int(P::BadValue) << 2
            << "line 2: Category does not match Type";
        QTest::newRow("Vantrel: a flag")
            << QByteArray("Type,Description,MyAccount\n9,a,maybe\n") << automatic << int(P::BadValue) << 2
            << "line 2: MyAccount 'maybe' is not 1 or 0";
        QTest::newRow("Vantrel asked for, other columns")
            << QByteArray("Type,Description,Group\n") << int(ImportFormat::Vantrel) << int(P::UnknownHeader)
            << 1 << "line 1: 'Group' is not a field of a Vantrel export";
    }

    void refusals() {
        QFETCH(QByteArray, csv);
        QFETCH(int, format);
        QFETCH(int, kind);
        QFETCH(int, line);
        QFETCH(QString, message);
        ImportBatch batch;
        const ImportProblem p = readCsvImport(csv, {ImportFormat(format), -1}, batch);
        QCOMPARE(int(p.kind), kind);
        QCOMPARE(p.line, line);
        QCOMPARE(describe(p), message);
        QVERIFY(batch.accounts.empty());
    }

    void duplicatesAreSkippedAndTheRestAdded() {
        QTemporaryDir dir;
        FileVaultEngine engine(KdfLimits::cheapest());
        QVERIFY(engine.CreateFile(dir.filePath("v.qx"), "master"));
        AccountRecord kept;
        kept.Type = Banks;
        kept.Description = "Bank";
        kept.AccountName = "me";
        kept.Password = "pw";
        QVERIFY(engine.PutRecord(kept));

        ImportBatch batch;
        QVERIFY(!readCsvImport("title,username,password,url\n"
                               "Bank,me,pw,\n"                    // already there, in another category
                               "Bank,me,pw,https://x.example\n"   // twice
                               "Bank,me,PW,\n"                    // another password
                               "Bank ,me,pw2,https://x.example\n" // another password again
                               ",,,\n",
                               {}, batch));
        QCOMPARE(batch.emptyRows, 1);
        dropDuplicates(batch, engine);
        QCOMPARE(batch.duplicates, 2);
        QCOMPARE(batch.perCategory()[Misc], 1);
        QCOMPARE(batch.perCategory()[WebSites], 1);
        QVERIFY(addAll(batch, engine));
        QCOMPARE(engine.AccountCount(), 3);
        AccountRecords webSites;
        engine.GetRecords(webSites, WebSites);
        QCOMPARE(webSites.size(), size_t(1));
        QCOMPARE(webSites[0].Password, u"pw2");
    }

    void shreddingLeavesNothing() {
        QTemporaryDir dir;
        const QString csv = dir.filePath("export.csv");
        QFile file(csv);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(100000, 'p')) == 100000);
        file.close();
        QVERIFY(QFile::link(csv, dir.filePath("link.csv")));
        QVERIFY(!shredFile(dir.filePath("link.csv"))); // never through a link: it would stay behind
        // A second name for the same bytes shows what became of them.
        const QString other = dir.filePath("other name");
        QCOMPARE(::link(QFile::encodeName(csv).constData(), QFile::encodeName(other).constData()), 0);
        QVERIFY(shredFile(csv));
        QVERIFY(!QFile::exists(csv));
        QFile left(other);
        QVERIFY(left.open(QIODevice::ReadOnly));
        QCOMPARE(left.readAll(), QByteArray(100000, '\0'));
    }
};

QTEST_GUILESS_MAIN(TestImport)
#include "tst_import.moc"
