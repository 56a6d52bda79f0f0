// Plain-timing benchmark of the vault engine on vaults of 1,000, 10,000 and 100,000 accounts.
//
// Prints one "name value" line per figure: times in milliseconds (median of several runs),
// sizes in bytes, memory in MiB. See the Benchmarks section of the README for what each means.
//
//   vault_bench                 every size
//   vault_bench --quick         1,000 and 10,000 only
//   vault_bench --dir PATH      keep the temporary vaults under PATH (default: the temp folder)
//   vault_bench --rss-child F   internal: open F in this fresh process and print the memory it took

#include "AccountRecord.h"
#include "Categories.h"
#include "FileVaultEngine.h"
#include "PayloadCodec.h"
#include "VaultFormat.h"

#include "BenchRandom.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <sodium.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <unistd.h>

namespace {

const QString kMasterPassword = QStringLiteral("bench master password");
// The rare word planted in the notes of every hundredth account; the search uses other case.
const QString kRareWord = QStringLiteral("quetzalcoatl");
const QString kRareQuery = QStringLiteral("QuetZal");

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "vault_bench: %s\n", what);
    std::exit(1);
}

// ---- timing -------------------------------------------------------------------------------------

using Clock = std::chrono::steady_clock;

template <typename F> double timeMs(F&& f) {
    const auto start = Clock::now();
    f();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void report(const QString& name, double value, int decimals = 3) {
    std::printf("%s %.*f\n", qPrintable(name), decimals, value);
    std::fflush(stdout);
}

// ---- realistic accounts -------------------------------------------------------------------------

const char* const kWords[] = {
    "amber",   "anchor",  "apple",   "arrow",   "autumn",   "badger", "banner",   "basket",  "beacon",
    "birch",   "blossom", "bramble", "breeze",  "bridge",   "bronze", "cabin",    "candle",  "canyon",
    "castle",  "cedar",   "chapel",  "cherry",  "cinder",   "clover", "cobalt",   "comet",   "copper",
    "coral",   "cottage", "crystal", "dahlia",  "delta",    "desert", "dragon",   "ember",   "falcon",
    "fennel",  "fern",    "fjord",   "forest",  "fountain", "garden", "garnet",   "glacier", "granite",
    "harbor",  "hazel",   "heron",   "hollow",  "island",   "ivory",  "jasmine",  "juniper", "kettle",
    "lantern", "lemon",   "linen",   "maple",   "marble",   "meadow", "mirror",   "nectar",  "nutmeg",
    "oasis",   "orchard", "otter",   "pebble",  "pepper",   "pine",   "prairie",  "quartz",  "quill",
    "raven",   "ribbon",  "river",   "saffron", "silver",   "spruce", "summit",   "thistle", "timber",
    "tulip",   "valley",  "velvet",  "walnut",  "willow",   "winter", "zephyr",   "café",    "naïve",
    "Zürich",  "Ærø",     "Łódź",    "smörgås", "crème",    "façade", "jalapeño", "über",    "señor",
};
const char* const kFirstNames[] = {"Anna",   "Bruno", "Chiara",  "David",  "Elena", "Fabio",
                                   "Giulia", "Hans",  "Ingrid",  "José",   "Karin", "Luca",
                                   "Marta",  "Nils",  "Olga",    "Paolo",  "Renée", "Sven",
                                   "Teresa", "Ugo",   "Valérie", "Walter", "Yusuf", "Zoë"};
const char* const kLastNames[] = {"Rossi",   "Müller",  "Schmidt",  "Bianchi",  "Dupont", "García",
                                  "Novak",   "Larsen",  "Kowalski", "Ferrari",  "Moreau", "Jensen",
                                  "Silva",   "Horvath", "Nowak",    "Esposito", "Weber",  "Lindqvist",
                                  "Bernard", "Costa",   "Øster"};
const char* const kDomains[] = {"example.com",    "mail.example.org",  "posteo.example", "corp.example.net",
                                "web.example.de", "libero.example.it", "home.example"};
const char* const kTlds[] = {"com", "org", "net", "de", "it", "fr", "io", "eu"};

QString capitalised(const QString& s) {
    return s.left(1).toUpper() + s.mid(1);
}

QString words(Rng& rng, int count) {
    QStringList parts;
    for (int i = 0; i < count; ++i)
        parts << rng.pick(kWords);
    return parts.join(u' ');
}

QString digits(Rng& rng, int count) {
    QString s(count, Qt::Uninitialized);
    for (int i = 0; i < count; ++i)
        s[i] = QChar(u'0' + rng.below(10));
    return s;
}

QString fromAlphabet(Rng& rng, const char* alphabet, int count) {
    const int n = int(std::strlen(alphabet));
    QString s(count, Qt::Uninitialized);
    for (int i = 0; i < count; ++i)
        s[i] = QChar::fromLatin1(alphabet[rng.below(n)]);
    return s;
}

QString password(Rng& rng) {
    return fromAlphabet(rng, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789!#$%&*+-?@_",
                        12 + rng.below(9));
}

QString hostName(Rng& rng, const char* prefix) {
    return QString::fromLatin1(prefix) + u'.' + rng.pick(kWords) + rng.pick(kWords) + u'.' + rng.pick(kTlds);
}

QString email(Rng& rng, const QString& first, const QString& last) {
    return (first + u'.' + last).toLower() + QString::number(rng.below(100)) + u'@' + rng.pick(kDomains);
}

QString ipAddress(Rng& rng) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(10 + rng.below(200))
        .arg(rng.below(256))
        .arg(rng.below(256))
        .arg(1 + rng.below(254));
}

// A plausible value for a category's own field, chosen by what the field's name says it holds.
QString categoryValue(Rng& rng, const QString& field, const QString& first, const QString& last) {
    auto has = [&](const char* part) { return field.contains(QLatin1StringView(part)); };
    if (has("Url") || has("WebSite"))
        return QStringLiteral("https://www.") + rng.pick(kWords) + u'-' + rng.pick(kWords) + u'.' +
               rng.pick(kTlds) + u'/' + rng.pick(kWords);
    if (has("Email"))
        return email(rng, first, last);
    if (has("Ip") || has("Dns"))
        return ipAddress(rng);
    if (has("Pop3"))
        return hostName(rng, "pop");
    if (has("Smtp"))
        return hostName(rng, "smtp");
    if (has("Server") || has("News") || has("Proxy"))
        return hostName(rng, "srv");
    if (has("Port"))
        return QString::number(1024 + rng.below(60000));
    if (has("Password"))
        return password(rng);
    if (field == u"CardPin")
        return digits(rng, 4 + rng.below(3));
    if (has("Number") || has("IdCode"))
        return digits(rng, 8 + rng.below(12));
    if (has("Expiration"))
        return QStringLiteral("%1/%2").arg(1 + rng.below(12), 2, 10, QChar(u'0')).arg(25 + rng.below(10));
    if (has("Path") || has("FullName"))
        return QStringLiteral("/home/") + first.toLower() + u'/' + rng.pick(kWords) + u'/' +
               rng.pick(kWords) + QStringLiteral(".kdbx");
    if (has("Version"))
        return QStringLiteral("%1.%2.%3").arg(rng.below(20)).arg(rng.below(30)).arg(rng.below(200));
    if (has("Owner") || has("Username") || has("Alias"))
        return first + u' ' + last;
    return capitalised(words(rng, 1 + rng.below(3)));
}

// Each category's own fields; an account fills these besides the common ones.
const QStringList& categoryFields(int category) {
    static const std::vector<QStringList> table = {
        {"WebsiteName", "WebsiteUrl"},
        {"ProviderName", "PhoneNumber", "ConnectionType", "DnsPrimary", "DnsSecondary", "Parameters",
         "DialupPop3", "DialupSmtp", "News", "Proxy", "Port", "IpConfiguration"},
        {"FileShortName", "FileFullName"},
        {"ComputerName", "ComputerIp", "ComputerPath", "Domain"},
        {"MailboxName", "WebEmail", "MailboxPop3", "MailboxSmtp", "OutgoingUsername", "OutgoingPassword"},
        {"PinWhat"},
        {"SoftwareName", "SoftwareVersion"},
        {"MessengerType", "MessengerServer", "AccountAlias"},
        {"ServiceWhat"},
        {"MiscWhat"},
        {"BankName", "BankWebSite", "BankLocation", "BankIdCode", "BankAccountNumber"},
        {"CardBankName", "CardBankWebSite", "CardBankLocation", "CardBankIdCode", "CardAccountNumber",
         "CardCompanyOwner", "CardNumber", "CardExpiration", "CardOwner", "CardPin"},
        {"ForumName", "ForumUrl"},
    };
    return table[size_t(category)];
}

void setField(AccountRecord& r, const QString& name, const QString& value) {
    const int index = accountFieldIndex(name);
    if (index < 0 || accountFields()[size_t(index)].kind != FieldKind::String)
        fail("the benchmark names a field the record does not have");
    r.*accountFields()[size_t(index)].text = value;
}

// Account number i of a vault: every common field filled, plus its category's fields.
AccountRecord makeAccount(Rng& rng, int i) {
    AccountRecord r;
    r.Type = i % CategoryCountTotal;
    const QString first = rng.pick(kFirstNames), last = rng.pick(kLastNames);
    r.Description = capitalised(rng.pick(kWords)) + u' ' + capitalised(rng.pick(kWords));
    if (rng.below(3) == 0)
        r.Description += u' ' + QString::number(rng.below(1000));
    r.AccountName = (first + u'.' + last).toLower() + QString::number(rng.below(1000));
    r.Password = password(rng);
    r.ExpirationPwd = rng.below(4) == 0 ? 45000.0 + rng.below(3000) : NoDate;
    r.RemindPhrase = QStringLiteral("Name of my first ") + rng.pick(kWords) + QStringLiteral(" in ") +
                     capitalised(rng.pick(kWords)) + u'?';
    r.RemindAnswer = capitalised(rng.pick(kWords));
    r.Email = email(rng, first, last);
    r.PublicKey = QStringLiteral("ssh-ed25519 AAAAC3NzaC1lZDI1NTE5AAAAI") +
                  fromAlphabet(rng, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/", 43);
    r.PrivateKey = fromAlphabet(rng, "0123456789abcdef", 64);
    r.KeyNotes = QStringLiteral("Key for ") + words(rng, 2 + rng.below(3));
    r.FirstName = first;
    r.LastName = last;
    r.OwnerEmail = email(rng, first, last);
    QString notes = capitalised(rng.pick(kWords));
    const bool plant = i % 100 == 42;
    while (notes.size() < 95) {
        notes += u' ' + rng.pick(kWords);
        if (plant && notes.size() > 40 && !notes.contains(kRareWord))
            notes += u' ' + kRareWord;
    }
    r.Notes = notes + u'.';
    for (const QString& field : categoryFields(r.Type))
        setField(r, field, categoryValue(rng, field, first, last));
    r.MyAccount = rng.below(5) == 0;
    return r;
}

int plantedCount(int accounts) {
    return (accounts + 57) / 100;
} // i % 100 == 42 for i < accounts

// ---- memory -------------------------------------------------------------------------------------

// A "Vm...:  1234 kB" line of /proc/self/status, in KiB.
qint64 statusKb(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        fail("cannot read /proc/self/status");
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    }
    fail("no such line in /proc/self/status");
}

// Runs in a fresh process so nothing the parent allocated hides in the figure. The key
// derivation at the cheapest limits uses 8 KiB, so the difference is the vault in memory.
int rssChild(const QString& path) {
    FileVaultEngine engine(KdfLimits::cheapest());
    const qint64 before = statusKb("VmRSS");
    if (!engine.OpenFile(path, kMasterPassword))
        fail("the child could not open the vault");
    const qint64 after = statusKb("VmRSS");
    const qint64 peak = statusKb("VmHWM");
    std::printf("%lld %lld %d\n", static_cast<long long>(after - before),
                static_cast<long long>(peak - before), engine.AccountCount());
    return 0;
}

void measureRss(const QString& path, int accounts) {
    std::vector<double> added, peak;
    for (int run = 0; run < 3; ++run) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--rss-child"), path});
        if (!child.waitForFinished(-1) || child.exitCode() != 0)
            fail("the memory child failed");
        const QList<QByteArray> parts = child.readAllStandardOutput().trimmed().split(' ');
        if (parts.size() != 3 || parts[2].toInt() != accounts)
            fail("the memory child opened a different vault");
        added.push_back(parts[0].toDouble() / 1024);
        peak.push_back(parts[1].toDouble() / 1024);
    }
    report(QStringLiteral("rss_open_%1_mb").arg(accounts), median(added), 1);
    report(QStringLiteral("rss_peak_open_%1_mb").arg(accounts), median(peak), 1);
}

// ---- the figures --------------------------------------------------------------------------------

constexpr int kRuns = 5;

// Makes glibc merge the small blocks freed so far now rather than inside the next timed
// operation: a request too big for its caches takes that path. Called through a volatile
// pointer so the compiler cannot drop the pair.
void settleHeap() {
    static void* (*volatile allocate)(size_t) = std::malloc;
    std::free(allocate(size_t(64) << 10));
}

// Argon2id at the given limits, as the engine calls it (same algorithm, salt and key size).
double kdfMs(KdfLimits limits, int runs) {
    unsigned char salt[crypto_pwhash_SALTBYTES];
    unsigned char key[crypto_aead_xchacha20poly1305_ietf_KEYBYTES];
    randombytes_buf(salt, sizeof salt);
    const QByteArray utf8 = kMasterPassword.toUtf8();
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        times.push_back(timeMs([&] {
            if (crypto_pwhash(key, sizeof key, utf8.constData(), quint64(utf8.size()), salt, limits.opsLimit,
                              size_t(limits.memLimit), crypto_pwhash_ALG_ARGON2ID13) != 0)
                fail("key derivation failed");
        }));
    }
    return median(times);
}

// The floor for opening: authenticated decryption of as many bytes as the payload, into a
// buffer that is already mapped.
double rawDecryptMs(qint64 payloadBytes) {
    unsigned char key[crypto_aead_xchacha20poly1305_ietf_KEYBYTES];
    unsigned char nonce[crypto_aead_xchacha20poly1305_ietf_NPUBBYTES];
    crypto_aead_xchacha20poly1305_ietf_keygen(key);
    randombytes_buf(nonce, sizeof nonce);
    const size_t bytes = size_t(payloadBytes);
    std::vector<unsigned char> plain(bytes);
    std::vector<unsigned char> sealed(bytes + crypto_aead_xchacha20poly1305_ietf_ABYTES);
    randombytes_buf(plain.data(), plain.size());
    unsigned long long sealedBytes = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(sealed.data(), &sealedBytes, plain.data(), plain.size(),
                                               nullptr, 0, nullptr, nonce, key);
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        times.push_back(timeMs([&] {
            unsigned long long plainBytes = 0;
            if (crypto_aead_xchacha20poly1305_ietf_decrypt(plain.data(), &plainBytes, nullptr, sealed.data(),
                                                           sealedBytes, nullptr, 0, nonce, key) != 0)
                fail("raw decryption failed");
        }));
    }
    return median(times);
}

// The I/O floor of saving: the same number of bytes through QSaveFile, synced and renamed.
double rawWriteMs(const QString& folder, qint64 bytes) {
    const QByteArray data(bytes, 'x');
    const QString path = folder + QStringLiteral("/raw_write.bin");
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        times.push_back(timeMs([&] {
            QSaveFile out(path);
            if (!out.open(QIODevice::WriteOnly) || out.write(data) != data.size() || !out.flush() ||
                ::fsync(out.handle()) != 0 || !out.commit())
                fail("raw write failed");
        }));
    }
    QFile::remove(path);
    return median(times);
}

// The decrypted payload of a vault, so the payload codec can be timed on its own.
QByteArray decryptVault(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        fail("cannot read the vault");
    VaultFormat::Opened opened = VaultFormat::open(f.readAll(), kMasterPassword);
    if (opened.result != VaultFormat::OpenResult::Opened)
        fail("the vault does not open");
    return opened.payload;
}

// decodePayload and encodePayload alone: the parts of opening and saving that are neither
// I/O nor cryptography.
void benchCodec(const QString& path, const QString& n) {
    const QByteArray plain = decryptVault(path);
    std::vector<double> decode, encode;
    for (int run = 0; run < kRuns; ++run) {
        VaultContents contents;
        decode.push_back(timeMs([&] {
            if (!decodePayload(plain, contents))
                fail("the payload does not decode");
        }));
        QByteArray again;
        encode.push_back(timeMs([&] { again = encodePayload(contents); }));
        if (again != plain)
            fail("encoding the decoded payload gives other bytes");
        contents = {};
        again.clear();
        settleHeap();
    }
    report(QStringLiteral("decode_") + n, median(decode));
    report(QStringLiteral("encode_") + n, median(encode));
}

void benchSize(const QString& folder, int accounts, double kdfCheapestMs, QString* keepPath) {
    const QString path = folder + QStringLiteral("/bench_%1.vtl").arg(accounts);
    const QString n = QString::number(accounts);

    // Build the vault through the engine, as the program would.
    FileVaultEngine engine(KdfLimits::cheapest());
    engine.setClock([] { return 45500.5; });
    if (!engine.CreateFile(path, kMasterPassword))
        fail("cannot create the vault");
    Rng rng(0x5EED0000u + quint64(accounts));
    for (int i = 0; i < accounts; ++i) {
        AccountRecord r = makeAccount(rng, i);
        if (!engine.PutRecord(r))
            fail("the engine refused an account");
    }

    std::vector<double> save;
    for (int run = 0; run < kRuns; ++run) {
        save.push_back(timeMs([&] {
            if (!engine.SaveFile())
                fail("save failed");
        }));
    }
    report(QStringLiteral("save_") + n, median(save));
    const qint64 fileBytes = QFileInfo(path).size();
    report(QStringLiteral("filesize_") + n, double(fileBytes), 0);

    // Each figure is one operation's own cost. Closing (which wipes and frees every account)
    // and dropping a listing are timed apart, each with the heap settled afterwards: glibc
    // merges freed small blocks lazily at the next large allocation, which would otherwise
    // charge one operation for the previous one's garbage.
    std::vector<double> close, open, listFirst, listAgain, release, find, inUse;
    for (int run = 0; run < kRuns; ++run) {
        close.push_back(timeMs([&] {
            engine.CloseFile();
            settleHeap();
        }));
        open.push_back(timeMs([&] {
            if (!engine.OpenFile(path, kMasterPassword))
                fail("open failed");
        }));
        if (engine.AccountCount() != accounts)
            fail("the vault lost accounts");
        // The first listing after opening also sorts the accounts into display order.
        AccountRecords listing;
        listFirst.push_back(timeMs([&] { engine.GetRecords(listing, AllCategories); }));
        if (int(listing.size()) != accounts)
            fail("GetRecords missed accounts");
        release.push_back(timeMs([&] {
            AccountRecords().swap(listing);
            settleHeap();
        }));
        listAgain.push_back(timeMs([&] { engine.GetRecords(listing, AllCategories); }));
        AccountRecords().swap(listing);
        settleHeap();
        int found = 0;
        find.push_back(timeMs([&] { found = engine.FindRecords(kRareQuery, listing); }));
        if (found != plantedCount(accounts))
            fail("FindRecords found a different number of accounts than were planted");
        for (int k = 0; k < 3; ++k) {
            QString owner;
            bool used = true;
            inUse.push_back(timeMs(
                [&] { used = engine.PasswordInUse(QStringLiteral("no account has this one"), owner, 0); }));
            if (used)
                fail("PasswordInUse found a password nobody has");
        }
    }
    // Opening includes one key derivation at the cheapest limits; it is measured on its own
    // (kdf_cheapest) and taken off, leaving read, decryption and decoding.
    report(QStringLiteral("open_") + n, median(open) - kdfCheapestMs);
    report(QStringLiteral("open_with_kdf_") + n, median(open));
    report(QStringLiteral("close_") + n, median(close));
    report(QStringLiteral("getrecords_all_") + n, median(listFirst));
    report(QStringLiteral("getrecords_all_cached_") + n, median(listAgain));
    report(QStringLiteral("release_all_") + n, median(release));
    report(QStringLiteral("find_") + n, median(find));
    report(QStringLiteral("inuse_") + n, median(inUse));
    report(QStringLiteral("raw_decrypt_") + n,
           rawDecryptMs(fileBytes - VaultFormat::HeaderBytes - VaultFormat::TagBytes));
    report(QStringLiteral("raw_write_") + n, rawWriteMs(folder, fileBytes));
    benchCodec(path, n);
    engine.CloseFile();
    if (keepPath)
        *keepPath = path;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--rss-child") == 0)
        return rssChild(QString::fromLocal8Bit(argv[2]));

    QCoreApplication app(argc, argv);
    if (sodium_init() < 0)
        fail("libsodium did not start");
    bool quick = false;
    QString base;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == u"--quick")
            quick = true;
        else if (args[i] == u"--dir" && i + 1 < args.size())
            base = args[++i];
        else
            fail("usage: vault_bench [--quick] [--dir PATH]");
    }
    QTemporaryDir dir(base.isEmpty() ? QString() : base + QStringLiteral("/vault_bench-XXXXXX"));
    if (!dir.isValid())
        fail("cannot make a temporary folder");

    const double kdfCheapest = kdfMs(KdfLimits::cheapest(), 21);
    report(QStringLiteral("kdf_cheapest"), kdfCheapest);
    report(QStringLiteral("kdf_default"), kdfMs(KdfLimits::moderate(), kRuns));

    std::vector<int> sizes = {1000, 10000};
    if (!quick)
        sizes.push_back(100000);
    QString largest;
    for (int accounts : sizes)
        benchSize(dir.path(), accounts, kdfCheapest, &largest);
    measureRss(largest, sizes.back());
    return 0;
}
