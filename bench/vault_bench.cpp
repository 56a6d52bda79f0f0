// Plain-timing benchmark of the vault engine on vaults of 1,000, 10,000 and 100,000 accounts.
//
// Prints one "name value" line per figure: times in milliseconds (median of several runs),
// sizes in bytes, memory in MiB. See the Benchmarks section of the README for what each means.
//
//   vault_bench                 every size
//   vault_bench --quick         1,000 and 10,000 only
//   vault_bench --dir PATH      keep the temporary vaults under PATH (default: the temp folder)
//   vault_bench --cli PATH      time this vantrel-cli (default: the one built beside the benchmark)
//   vault_bench --rss-child F   internal: open F in this fresh process and print the memory it took
//   vault_bench --cli-child ... internal: time the command-line tool from this fresh process

#include "AccountRecord.h"
#include "Categories.h"
#include "FileVaultEngine.h"
#include "PayloadCodec.h"
#include "VaultFormat.h"

#include "BenchAccounts.h"
#include "BenchCommon.h"

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

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace BenchAccounts;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "vault_bench: %s\n", what);
    std::exit(1);
}

// ---- timing -------------------------------------------------------------------------------------

using namespace BenchCommon;

void report(const QString& name, double value, int decimals = 3) {
    std::printf("%s %.*f\n", qPrintable(name), decimals, value);
    std::fflush(stdout);
}

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

constexpr int kRuns = 5;

// ---- the command-line tool, whole processes -----------------------------------------------------

// One run of the tool from its start to its end, its output to /dev/null and its standard input
// from the file (the master password); the time in milliseconds and the peak resident memory in MiB.
std::pair<double, double> runCli(const QString& cli, const QStringList& args, const QString& input) {
    std::vector<QByteArray> bytes{QFile::encodeName(cli)};
    for (const QString& a : args)
        bytes.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, QFile::encodeName(input).constData(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int status = 0;
    struct rusage usage {};
    const double ms = timeMs([&] {
        if (posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), environ) != 0 ||
            ::wait4(pid, &status, 0, &usage) != pid)
            fail("the command-line tool did not run");
    });
    posix_spawn_file_actions_destroy(&files);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fail("the command-line tool failed");
    return {ms, double(usage.ru_maxrss) / 1024};
}

// Runs in a fresh, small process: a process started from this one's memory would count this one's
// peak as its own.
int measureCli(const QString& cli, const QString& folder, const QString& path, int accounts) {
    const QString input = folder + QStringLiteral("/master.txt");
    QFile f(input);
    if (!f.open(QIODevice::WriteOnly) || f.write((kMasterPassword + u'\n').toUtf8()) < 0)
        fail("cannot write the master password file");
    f.close();
    const QString n = QString::number(accounts);
    const std::pair<const char*, QStringList> commands[] = {
        {"cli_show_", {QStringLiteral("show"), path, QString::number(accounts / 2)}},
        {"cli_find_", {QStringLiteral("find"), path, kRareQuery}},
        {"cli_ls_", {QStringLiteral("ls"), path}},
    };
    double showPeak = 0;
    for (const auto& [name, args] : commands) {
        std::vector<double> times, peaks;
        for (int run = 0; run < kRuns; ++run) {
            const auto [ms, peakMb] = runCli(cli, args, input);
            times.push_back(ms);
            peaks.push_back(peakMb);
        }
        report(QLatin1StringView(name) + n, median(times));
        if (args.first() == u"show")
            showPeak = median(peaks);
    }
    report(QStringLiteral("cli_show_rss_%1_mb").arg(accounts), showPeak, 1);
    return 0;
}

// ---- the figures --------------------------------------------------------------------------------

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

    // The first saves of a run also have the file system take its pages and blocks from memory
    // and disk not yet used (on a virtual machine, memory the host has yet to hand over), which
    // the raw write it is compared with never pays: those are not timed.
    for (int warm = 0; warm < 3; ++warm) {
        if (!engine.SaveFile())
            fail("save failed");
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
    std::vector<double> close, open, listFirst, listAgain, release, find, inUse, rowsFirst, rowsAgain;
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
        // The list's rows, first on a file just opened (so with the sort into display order), as
        // the list and the command line get them.
        engine.CloseFile();
        if (!engine.OpenFile(path, kMasterPassword))
            fail("open failed");
        settleHeap();
        AccountRows rows;
        rowsFirst.push_back(timeMs([&] { engine.ListRows(rows, AllCategories); }));
        if (rows.size() != accounts)
            fail("ListRows missed accounts");
        rows.clear();
        settleHeap();
        rowsAgain.push_back(timeMs([&] { engine.ListRows(rows, AllCategories); }));
        rows.clear();
    }
    // Opening includes one key derivation at the cheapest limits; it is measured on its own
    // (kdf_cheapest) and taken off, leaving read, decryption and decoding.
    report(QStringLiteral("open_") + n, median(open) - kdfCheapestMs);
    report(QStringLiteral("open_with_kdf_") + n, median(open));
    report(QStringLiteral("close_") + n, median(close));
    report(QStringLiteral("getrecords_all_") + n, median(listFirst));
    report(QStringLiteral("getrecords_all_cached_") + n, median(listAgain));
    report(QStringLiteral("release_all_") + n, median(release));
    report(QStringLiteral("listrows_all_") + n, median(rowsFirst));
    report(QStringLiteral("listrows_all_cached_") + n, median(rowsAgain));
    report(QStringLiteral("find_") + n, median(find));
    report(QStringLiteral("inuse_") + n, median(inUse));
    report(QStringLiteral("raw_decrypt_") + n,
           rawDecryptMs(fileBytes - VaultFormat::HeaderBytes - VaultFormat::TagBytes, kRuns));
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
    if (argc == 6 && std::strcmp(argv[1], "--cli-child") == 0)
        return measureCli(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                          QString::fromLocal8Bit(argv[4]), std::atoi(argv[5]));

    QCoreApplication app(argc, argv);
    if (sodium_init() < 0)
        fail("libsodium did not start");
    bool quick = false;
    QString base;
    QString cli = QCoreApplication::applicationDirPath() + QStringLiteral("/../src/cli/vantrel-cli");
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == u"--quick")
            quick = true;
        else if (args[i] == u"--dir" && i + 1 < args.size())
            base = args[++i];
        else if (args[i] == u"--cli" && i + 1 < args.size())
            cli = args[++i];
        else
            fail("usage: vault_bench [--quick] [--dir PATH] [--cli PATH]");
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
    if (QFileInfo(cli).isExecutable()) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--cli-child"), cli, dir.path(), largest, QString::number(sizes.back())});
        if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
            fail("the command-line measurements failed");
    } else
        std::fprintf(stderr, "vault_bench: no command-line tool at %s; its figures are left out\n",
                     qPrintable(cli));
    return 0;
}
