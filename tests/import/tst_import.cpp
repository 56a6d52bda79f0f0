// The CSV importer: the reader, each export format field by field, refusals with their line, and
// duplicates against an open vault.

#include "CsvImport.h"
#include "FileVaultEngine.h"

#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

// The accounts as "Field=value" for each field that holds something, Type always; the
// identifier, zero numbers and the unset expiry (1 January 1900) left out.
QList<QStringList> accounts(const ImportBatch& batch) {
    QList<QStringList> out;
    for (size_t i = 0; i < batch.accounts.size(); ++i) {
        out.emplace_back();
        for (const AccountField& f : accountFields()) {
            const QString value = fieldText(batch.account(i), f);
            const QString unset = f.kind == FieldKind::String        ? ""
                                  : qstrcmp(f.name, "ExpirationPwd") ? "0"
                                                                     : "2";
            if (qstrcmp(f.name, "Type") == 0 || (value != unset && qstrcmp(f.name, "ID") != 0))
                out.last() << QLatin1StringView(f.name) + u'=' + value;
        }
    }
    return out;
}

} // namespace

class TestImport : public QObject {
    Q_OBJECT
private slots:
    // Rows come with the line they start on, "|"-joined; a problem gives its kind and line.
    void reader() {
        using P = ImportProblem;
        auto problem = [](P::Kind kind, int line) {
            return QStringLiteral("problem %1 on %2").arg(kind).arg(line);
        };
        const std::pair<QByteArray, QStringList> cases[] = {
            // quotes, commas, kept line breaks, BOM, CRLF
            {"\xEF\xBB\xBF"
             "a,\"b,\"\"c\"\"\",d\r\n\"x\r\ny\nz\",,\"\"\r\nlast,row,without break",
             {"1:a|b,\"c\"|d", "2:x\r\ny\nz||", "5:last|row|without break"}},
            // old Mac line ends (CR alone), a quoted one kept in its value and counted as a line
            {"h,i\ra,\"b\rc\"\r\rd,e\r", {"1:h|i", "2:a|b\rc", "5:d|e"}},
            // blank lines skipped, a lone empty quoted value kept
            {"\n\na\n\r\n\"\"\n\n", {"3:a", "5:"}},
            // an unclosed quote is reported where it opens
            {"h\n\"ok\"\n\"open\nstill\nopen", {"1:h", "2:ok", problem(P::UnclosedQuote, 3)}},
            {"h,i\n\"a\nb\"x,c", {"1:h|i", problem(P::StrayQuote, 3)}}, // text after a closing quote
            {"h,i\na,b\"c", {"1:h|i", problem(P::StrayQuote, 2)}},      // a quote inside an unquoted value
            {"h\nok\n\"multi\nline \xff\"", {problem(P::NotUtf8, 4)}}};
        for (const auto& [bytes, rows] : cases) {
            CsvReader reader(bytes);
            QStringList out, fields;
            int line = 0;
            while (reader.next(fields, line))
                out << QString::number(line) + u':' + fields.join(u'|');
            if (reader.problem())
                out << problem(reader.problem().kind, reader.problem().line);
            QCOMPARE(out, rows);
        }
    }

    // Our own samples of each export, checked field by field.
    void formats() {
        const struct {
            QByteArray csv;
            int category; // asked for; -1 for none
            QString format;
            QList<QStringList> expected;
        } samples[] = {
            {"\xEF\xBB\xBF\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\","
             "\"Last Modified\",\"Created\"\r\n"
             "\"Root/Web\",\" Mail, private \",\" ann \",\"p\"\"w,1 \",\"https://mail.example.com/in\","
             "\"line 1\nline 2\",\"otpauth://totp/x?secret=JBSW\",\"0\",\"2024-01-02T03:04:05Z\",\"\"\r\n"
             "\"Root\",\"\",\"bob\",\"pw2\",\"\",\"\",\"\",\"0\",\"\",\"\"\r\n",
             -1,
             "KeePassXC",
             {{"Type=0", "WebsiteUrl=https://mail.example.com/in", "Description=Mail, private",
               "AccountName=ann", "Password=p\"w,1 ",
               "Notes=line 1\nline 2\n\nGroup: Root/Web\nTOTP: otpauth://totp/x?secret=JBSW"},
              {"Type=9", "Description=bob", "AccountName=bob", "Password=pw2", "Notes=Group: Root"}}},
            {"folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,login_"
             "totp,"
             "card_cardholderName,card_brand,card_number,card_expMonth,card_expYear,card_code\n"
             "Social,1,login,\xc3\x9cn\xc3\xaf"
             "code \xe2\x9c\x93,,\"twitter: @me\npin: 1\",0,https://example.org,me@example.org,pa ss "
             ",SEED,,,,,,\n"
             ",,note,Wi-Fi,\"SSID home\nkey abc\",,0,,,,,,,,,,\n"
             ",,card,My Visa,,,0,,,,,Ann Smith,Visa,4111111111111111,3,2027,123\n"
             ",,identity,Me,,,0,,,,,,,,,,\n",
             -1,
             "Bitwarden",
             {{"Type=0", "WebsiteUrl=https://example.org", "Description=\u00dcn\u00efcode \u2713",
               "AccountName=me@example.org", "Password=pa ss ",
               "Notes=Folder: Social\nCustom fields: twitter: @me\npin: 1\nTOTP: SEED"},
              {"Type=9", "Description=Wi-Fi", "Notes=SSID home\nkey abc"},
              {"Type=11", "CardCompanyOwner=Visa", "CardNumber=4111111111111111", "CardExpiration=03/2027",
               "CardOwner=Ann Smith", "Description=My Visa", "Notes=Security code: 123"},
              {"Type=9", "Description=Me"}}},
            // names from the address
            {"name,url,username,password,note\nexample.com,https://example.com/,,secret,\n"
             ",https://login.example.net:8443/x,joe,pw,remember me\n",
             -1,
             "Chromium",
             {{"Type=0", "WebsiteUrl=https://example.com/", "Description=example.com", "Password=secret"},
              {"Type=0", "WebsiteUrl=https://login.example.net:8443/x", "Description=login.example.net",
               "AccountName=joe", "Password=pw", "Notes=remember me"}}},
            {"\"url\",\"username\",\"password\",\"httpRealm\",\"formActionOrigin\",\"guid\",\"timeCreated\","
             "\"timeLastUsed\",\"timePasswordChanged\"\r\n"
             "\"https://shop.example.com\",\"buyer\",\"p,w\",,\"https://shop.example.com\",\"{a}\","
             "\"1700000000000\",\"1700000000000\",\"1700000000000\"\r\n"
             "\"ftp://files.example.com\",\"\",\"x\",\"Files\",\"\",\"{b}\",\"1\",\"1\",\"1\"\r\n",
             -1,
             "Firefox",
             {{"Type=0", "WebsiteUrl=https://shop.example.com", "Description=shop.example.com",
               "AccountName=buyer", "Password=p,w"},
              {"Type=0", "WebsiteUrl=ftp://files.example.com", "Description=files.example.com", "Password=x",
               "Notes=HTTP realm: Files"}}},
            // synonyms, e-mail as the user, other columns in Notes
            {"Entry Name,E-mail,PASS,Web Site,Comments,Group / Folder,Empty\n"
             "Bank,me@x.org,pw,,\"multi\nline\",Finance,\n",
             -1,
             "Generic CSV",
             {{"Type=9", "Description=Bank", "AccountName=me@x.org", "Password=pw",
               "Notes=multi\nline\n\nGroup / Folder: Finance"}}},
            // a category asked for takes the address into its own field
            {"title,username,email,password,url\nMy "
             "bank,me,me@bank.example,pw,https://bank.example\nPIN,,,1234,\n",
             Banks,
             "Generic CSV",
             {{"Type=10", "BankWebSite=https://bank.example", "Description=My bank", "AccountName=me",
               "Password=pw", "Email=me@bank.example"},
              {"Type=10", "Description=PIN", "Password=1234"}}},
            // a category without an address field keeps it in Notes
            {"name,url,username,password\nRouter,http://192.168.1.1,admin,pw\n",
             Pins,
             "Chromium",
             {{"Type=5", "Description=Router", "AccountName=admin", "Password=pw",
               "Notes=URL: http://192.168.1.1"}}}};
        for (const auto& [csv, category, format, expected] : samples) {
            ImportBatch batch;
            const ImportProblem p = readCsvImport(csv, {ImportFormat::Auto, category}, batch);
            QVERIFY2(!p, qPrintable(describe(p)));
            QCOMPARE(formatName(batch.format), format);
            QCOMPARE(accounts(batch), expected);
        }
    }

    // Nothing is read from a file with a fault anywhere; the problem names its kind and line.
    void refusals() {
        using P = ImportProblem;
        const ImportFormat automatic = ImportFormat::Auto;
        const std::tuple<QByteArray, ImportFormat, P::Kind, QString> cases[] = {
            {"title,password\r\nok,1\r\n\"two\r\nlines\",x\r\na,b,c\r\n", automatic, P::FieldCount,
             "line 5: 3 values where the header has 2"},
            {"title,password\na,\"b\n", automatic, P::UnclosedQuote,
             "line 2: the quoted value that starts on line 2 never ends"},
            {"foo,bar\n1,2\n", automatic, P::UnknownHeader,
             "line 1: the header is not one of a known export, and names no title and password columns"},
            {"\xEF\xBB\xBF\r\n", automatic, P::UnknownHeader, "line 1: the file is empty"},
            {"name,url,username,password\n", ImportFormat::KeePassXC, P::UnknownHeader,
             "line 1: the header has no column 'group', which a KeePassXC export has"},
            {"Type,Description,ExpirationPwd\n10,a,2030-01-31\n10,b,31/01/2030\n", automatic, P::BadValue,
             "line 3: ExpirationPwd '31/01/2030' is not a date"},
            {"Type,Description\n13,a\n", automatic, P::BadValue, "line 2: Type '13' is not a category code"},
            {"Type,Category,Description\n10,Pins,a\n", automatic, P::BadValue,
             "line 2: Category does not match Type"},
            {"Type,Description,MyAccount\n9,a,maybe\n", automatic, P::BadValue,
             "line 2: MyAccount 'maybe' is not 1 or 0"},
            {"Type,Description,Group\n", ImportFormat::Vantrel, P::UnknownHeader,
             "line 1: 'Group' is not a field of a Vantrel export"}};
        for (const auto& [csv, format, kind, message] : cases) {
            ImportBatch batch;
            const ImportProblem p = readCsvImport(csv, {format, -1}, batch);
            QCOMPARE(p.kind, kind);
            QCOMPARE(describe(p), message);
            QCOMPARE(p.line, message.section(u':', 0, 0).mid(5).toInt()); // the line the message names
            QVERIFY(batch.accounts.empty());
        }
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
