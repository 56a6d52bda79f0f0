// Plain-timing benchmark of the account list on vaults of 10,000 and 100,000 accounts (those of
// vault_bench), offscreen.
//
// Prints one "name value" line per figure, times in milliseconds (median of several runs):
//   raw_decrypt_<N>      decryption of as many bytes as the vault's payload, the floor to compare with
//   list_rows_<N>        ListRows(99) alone, the engine's share of a fill
//   list_fill_<N>        ListAccounts(99) until the rows are in the view, painted, first row selected
//   list_populate_<N>    Populate_ListView alone, with the rows already fetched (the list's share)
//   list_sort_<N>        one click on the "Description" header (sort and repaint)
//   list_sort_type_<N>   one click on the "Type" header (few distinct values, many ties)
//   ..._cpu_<N>          the same step in CPU time of this process, less sensitive to a busy machine
//   list_rss_mb_<N>      resident memory after the fill, MiB (the vault's accounts included)
//   list_base_rss_mb_<N> resident memory before the first fill, MiB
//   list_peak_rss_mb_<N> peak resident memory of the run, MiB
//   gui_open_<N>         the whole window: from Enter in the master password dialog until the list
//                        shows every account (the key is derived on a thread of its own)
//
//   list_bench              both sizes, each in a fresh process so memory figures stay apart
//   list_bench --size N     one size in this process

#include "AccountListView.h"
#include "AppServices.h"
#include "Browser.h"
#include "BrowserHost.h"
#include "Categories.h"
#include "Clock.h"
#include "FileDialog.h"
#include "FileLifecycle.h"
#include "FileVaultEngine.h"
#include "Funzioni.h"
#include "InputPassword.h"
#include "Main.h"
#include "Prompts.h"
#include "Settings.h"
#include "SharedForm.h"
#include "VaultFormat.h"

#include "BenchAccounts.h"
#include "BenchCommon.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProcess>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "list_bench: %s\n", what);
    std::exit(1);
}

using SteadyClock = std::chrono::steady_clock;

double msSince(SteadyClock::time_point start) {
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

// Wall and CPU time of one step.
struct Timer {
    SteadyClock::time_point wall = SteadyClock::now();
    std::clock_t cpu = std::clock();
    double wallMs() const { return msSince(wall); }
    double cpuMs() const { return double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC; }
};

using BenchCommon::median;

void report(const QString& name, double value) {
    std::printf("%s %.1f\n", qPrintable(name), value);
    std::fflush(stdout);
}

// VmRSS / VmHWM of this process in MiB.
double procStatusMb(const char* field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

class NullHost final : public BrowserHost {
public:
    void UpdateContextMenus() override { ++menuUpdates; }
    void popupContextMenu(const QPoint&) override {}
    void OpenAccountForm(int, int, bool) override {}
    void runBarTask(const QString&) override {}
    int menuUpdates = 0;
};

// The program's main window on its own services (the engine with the cheapest key derivation),
// the vault offered at start as if named on the command line; each run types the master password,
// presses Enter and waits until every account is in the list.
double guiOpenMs(const QTemporaryDir& dir, const QString& path, int n) {
    KW_ini ini(dir.filePath(QStringLiteral("QX-main.ini")));
    SystemClock clock;
    Preferences prefs(ini, clock, dir.path());
    prefs.setLastType(AllCategories);
    UserStore store(dir.filePath(QStringLiteral("user-main.ini")));
    QtPrompts prompts;
    SharedForm notices;
    PlatformFileDialogs fileDialogs;
    DesktopLinkOpener links;
    AppServices services([] { return std::make_unique<FileVaultEngine>(KdfLimits::cheapest()); }, prefs,
                         store, prompts, clock, notices, fileDialogs, links);
    MainPaths paths;
    paths.executablePath = dir.filePath(QStringLiteral("vantrel"));
    paths.languageFile = QStringLiteral(VANTREL_LAN_FILE);
    paths.skinFile = QFileInfo(paths.languageFile).dir().filePath(QStringLiteral("winaqua.skn"));
    paths.settingsFile = ini.defaultFile();
    paths.fileToOpen = path;
    Main window(services, paths);
    window.Form_Load();
    window.show();
    QApplication::processEvents();

    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
        if (run > 0) {
            window.files().CloseFile();
            window.files().OpenGivenFile(path);
            QApplication::processEvents();
        }
        InputPassword* dialog = window.inputPassword();
        auto* box = dialog ? dialog->findChild<QLineEdit*>(QStringLiteral("Text_LogIn")) : nullptr;
        if (!box)
            fail("the master password dialog did not show");
        box->setText(BenchAccounts::kMasterPassword);
        const SteadyClock::time_point start = SteadyClock::now();
        QTest::keyClick(box, Qt::Key_Return);
        while (window.inputPassword() || window.browser().rowCount() != n) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (msSince(start) > 60000)
                fail("the file did not open");
        }
        QApplication::processEvents(); // layout and paint of the filled list
        times.push_back(msSince(start));
    }
    return median(times);
}

int runOneSize(int n) {
    QTemporaryDir dir;
    if (!dir.isValid())
        fail("no temporary folder");
    KW_ini ini(dir.filePath(QStringLiteral("QX.ini")));
    SystemClock clock;
    Preferences prefs(ini, clock, dir.path());
    UserStore store(dir.filePath(QStringLiteral("user.ini")));
    QtPrompts prompts; // never asked: nothing here needs an answer
    SharedForm notices;
    PlatformFileDialogs fileDialogs;
    DesktopLinkOpener links;
    AppServices services([] { return std::make_unique<FileVaultEngine>(KdfLimits::cheapest()); }, prefs,
                         store, prompts, clock, notices, fileDialogs, links);
    VaultEngine& engine = services.engine();
    const QString path = dir.filePath(QStringLiteral("bench.qx"));
    if (!engine.CreateFile(path, BenchAccounts::kMasterPassword))
        fail("cannot create the vault");
    Rng rng(0x5EED0000u + quint64(n)); // vault_bench's vault of this size
    for (int i = 0; i < n; ++i) {
        AccountRecord r = BenchAccounts::makeAccount(rng, i);
        if (!engine.PutRecord(r))
            fail("PutRecord refused an account");
    }
    if (!engine.SaveFile())
        fail("cannot save the vault");
    const QString suffix = QLatin1Char('_') + QString::number(n);
    report(QStringLiteral("raw_decrypt") + suffix,
           BenchCommon::rawDecryptMs(
               QFileInfo(path).size() - VaultFormat::HeaderBytes - VaultFormat::TagBytes, 5));

    QWidget window;
    window.setObjectName(QStringLiteral("Main"));
    NullHost host;
    Browser browser(services, host, &window);
    auto* rows = new QHBoxLayout;
    rows->addWidget(browser.categoryBar());
    rows->addWidget(browser.accountList(), 1);
    auto* outer = new QVBoxLayout(&window);
    outer->addLayout(rows, 1);
    outer->addWidget(browser.statusBar());
    browser.BuildBar();
    browser.SetupAccountColumns();
    browser.UpdateBar();
    window.resize(681, 520);
    window.show();
    QApplication::processEvents();

    {
        std::vector<double> times, cpu;
        for (int run = 0; run < 3; ++run) {
            AccountRows rows;
            const Timer t;
            engine.ListRows(rows, AllCategories);
            times.push_back(t.wallMs());
            cpu.push_back(t.cpuMs());
        }
        report(QStringLiteral("list_rows") + suffix, median(times));
        report(QStringLiteral("list_rows_cpu") + suffix, median(cpu));
    }
    report(QStringLiteral("list_base_rss_mb") + suffix, procStatusMb("VmRSS"));

    std::vector<double> fills, fillsCpu;
    for (int run = 0; run < 5; ++run) {
        browser.clearList();
        QApplication::processEvents();
        const Timer t;
        browser.ListAccounts(AllCategories);
        QApplication::processEvents(); // layout and paint of the filled view
        fills.push_back(t.wallMs());
        fillsCpu.push_back(t.cpuMs());
        if (browser.rowCount() != n || browser.SelectedAccountID() == 0 ||
            browser.CountSelectedAccounts() != 1)
            fail("the list was not filled with the first row selected");
    }
    report(QStringLiteral("list_fill") + suffix, median(fills));
    report(QStringLiteral("list_fill_cpu") + suffix, median(fillsCpu));
    {
        std::vector<double> times, cpu;
        for (int run = 0; run < 5; ++run) {
            browser.clearList();
            AccountRows rows;
            engine.ListRows(rows, AllCategories);
            QApplication::processEvents();
            const Timer t;
            browser.Populate_ListView(std::move(rows));
            QApplication::processEvents();
            times.push_back(t.wallMs());
            cpu.push_back(t.cpuMs());
        }
        report(QStringLiteral("list_populate") + suffix, median(times));
        report(QStringLiteral("list_populate_cpu") + suffix, median(cpu));
    }
    report(QStringLiteral("list_rss_mb") + suffix, procStatusMb("VmRSS"));

    auto timeClicks = [&](const QString& name, int column) {
        std::vector<double> times, cpu;
        for (int run = 0; run < 5; ++run) {
            const Timer t;
            browser.ListView_Accounts_ColumnClick(column);
            QApplication::processEvents();
            times.push_back(t.wallMs());
            cpu.push_back(t.cpuMs());
        }
        report(name + suffix, median(times));
        report(name + QStringLiteral("_cpu") + suffix, median(cpu));
    };
    timeClicks(QStringLiteral("list_sort"), 1);
    timeClicks(QStringLiteral("list_sort_type"), 0);
    report(QStringLiteral("list_peak_rss_mb") + suffix, procStatusMb("VmHWM"));
    engine.CloseFile();
    report(QStringLiteral("gui_open") + suffix, guiOpenMs(dir, path, n));
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc == 3 && qstrcmp(argv[1], "--size") == 0) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        // The offscreen platform's remarks on what it cannot do would only clutter the figures.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                std::fprintf(stderr, "%s\n", qPrintable(message));
        });
        QApplication app(argc, argv);
        const int n = QByteArray(argv[2]).toInt();
        if (n < 1)
            fail("the size must be a positive number");
        return runOneSize(n);
    }
    if (argc != 1)
        fail("usage: list_bench [--size N]");
    QCoreApplication app(argc, argv);
    for (int n : {10000, 100000}) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--size"), QString::number(n)});
        if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
            fail("a measuring run failed");
    }
    return 0;
}
