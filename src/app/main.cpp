#include "Main.h"
#include "AppServices.h"
#include "Artwork.h"
#include "Clock.h"
#include "FileDialog.h"
#include "FileVaultEngine.h"
#include "Funzioni.h"
#include "InputPassword.h"
#include "ProcessHardening.h"
#include "Product.h"
#include "Prompts.h"
#include "Settings.h"
#include "SharedForm.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QSplashScreen>
#include <QStandardPaths>
#include <QTimer>

namespace {

// Beside the binary first (a build folder or a portable copy), then the install's data folder.
QString findBesideOrInstalled(const QString& fileName) {
    const QString here = QCoreApplication::applicationDirPath();
    for (const QString& candidate :
         {here + u'/' + fileName, here + QStringLiteral("/../share/vantrel/") + fileName}) {
        if (QFileInfo(candidate).isFile())
            return QDir::cleanPath(candidate);
    }
    return {};
}

void describeOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Vantrel keeps your accounts and passwords in one encrypted file protected by a master password."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A password file (*.qx) to unlock."),
                                 QStringLiteral("[FILE]"));
}

// --help and --version are answered before any window, so they work without a display.
void answerTextOnlyOptions(int argc, char* argv[]) {
    const QByteArrayList textOnly = {"-h", "--help", "--help-all", "-v", "--version"};
    for (int i = 1; i < argc; ++i) {
        if (textOnly.contains(QByteArray(argv[i]))) {
            QCoreApplication probe(argc, argv);
            QCoreApplication::setApplicationVersion(Product::version());
            QCommandLineParser parser;
            describeOptions(parser);
            parser.process(probe); // prints and ends the program
        }
    }
}

// The file named on the command line, absolute; "" for none. Qt's own options are gone by now.
QString fileFromCommandLine(const QApplication& app) {
    QCommandLineParser parser;
    describeOptions(parser);
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
        parser.showHelp(1);
    return files.isEmpty() ? QString() : QFileInfo(files.first()).absoluteFilePath();
}

} // namespace

int main(int argc, char* argv[]) {
    keepSecretsOutOfCoreDumps(); // before any secret is in memory
    answerTextOnlyOptions(argc, argv);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(Product::name());
    QApplication::setApplicationName(Product::name());
    QApplication::setApplicationVersion(Product::version());
    const QString fileToOpen = fileFromCommandLine(app);
    QApplication::setDesktopFileName(QStringLiteral("org.vantrel.Vantrel"));
    QApplication::setWindowIcon(Artwork::programIcon());

    // The start window: the logo while the main window gets ready.
    QPixmap splashPicture(360, 200);
    splashPicture.fill(QColor(0xf4, 0xf7, 0xfb));
    {
        QPainter p(&splashPicture);
        p.drawPixmap(24, 52, Artwork::logo(96));
        QFont f = p.font();
        f.setPointSize(22);
        f.setBold(true);
        p.setFont(f);
        p.setPen(QColor(0x1b, 0x3f, 0x7a));
        p.drawText(QRect(136, 60, 220, 40), Qt::AlignLeft | Qt::AlignVCenter, Product::name());
        f.setPointSize(10);
        f.setBold(false);
        p.setFont(f);
        p.drawText(QRect(136, 100, 220, 30), Qt::AlignLeft | Qt::AlignVCenter, Product::version());
    }
    QSplashScreen splash(splashPicture);
    splash.show();
    app.processEvents();

    const QString exeDir = QCoreApplication::applicationDirPath();
    const QString exeBase = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    MainPaths paths;
    paths.executablePath = QCoreApplication::applicationFilePath();
    paths.languageFile = findBesideOrInstalled(exeBase + QStringLiteral(".lan"));
    paths.skinFile = findBesideOrInstalled(QStringLiteral("winaqua.skn"));
    paths.settingsFile =
        settingsFilePath(exeDir, QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                                     QStringLiteral("/Vantrel"));
    paths.fileToOpen = fileToOpen;

    SystemClock clock;
    KW_ini ini(paths.settingsFile);
    Preferences prefs(ini, clock, exeDir);
    UserStore store;
    QtPrompts prompts;
    SharedForm notices;
    PlatformFileDialogs fileDialogs;
    DesktopLinkOpener links;
    AppServices services([] { return std::make_unique<FileVaultEngine>(); }, prefs, store, prompts, clock,
                         notices, fileDialogs, links);

    Main window(services, paths);
    window.Form_Load(); // texts, menus and the file to offer are in place before the window shows
    window.show();
    splash.finish(&window);
    if (InputPassword* dialog = window.inputPassword()) {
        dialog->raise();
        dialog->activateWindow();
    }
    return app.exec();
}
