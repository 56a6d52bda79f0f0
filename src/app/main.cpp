#include "Main.h"
#include "AppServices.h"
#include "Artwork.h"
#include "Clock.h"
#include "FileDialog.h"
#include "FileVaultEngine.h"
#include "Funzioni.h"
#include "ProcessHardening.h"
#include "Product.h"
#include "Prompts.h"
#include "Settings.h"
#include "SharedForm.h"

#include <QApplication>
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

} // namespace

int main(int argc, char* argv[]) {
    keepSecretsOutOfCoreDumps(); // before any secret is in memory
    QApplication app(argc, argv);
    QApplication::setOrganizationName(Product::name());
    QApplication::setApplicationName(Product::name());
    QApplication::setApplicationVersion(Product::version());
    QApplication::setWindowIcon(QIcon(Artwork::logo(64)));

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
    window.show();
    splash.finish(&window);
    window.Form_Load();
    return app.exec();
}
