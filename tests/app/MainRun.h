#pragma once

// One run of the program on the real language file and skin: the services, then the main window
// on them, driven as a person would. It brings what the window's tests reach into.

#include "AccountCommands.h"
#include "Browser.h"
#include "CatalogChecks.h"
#include "Clipboard.h"
#include "EditForm.h"
#include "ExplorerBar.h"
#include "FieldSets.h"
#include "FileLifecycle.h"
#include "InactivityLock.h"
#include "InputPassword.h"
#include "KW_Inactivity.h"
#include "Main.h"
#include "Menus.h"
#include "Product.h"
#include "TestServices.h"

#include <QTest>
#include <QtWidgets>

// The window's title while no file is open.
inline QString baseTitle() {
    return Product::name() + ' ' + Product::version() + " - " + Product::webAddress();
}

struct MainRun : TestServices {
    std::unique_ptr<Main> main;
    int quits = 0;

    // Starts the program, with a file named on its command line or none.
    Main& start(const QString& fileToOpen = {}) {
        MainPaths paths;
        paths.executablePath = dir.filePath("vantrel");
        paths.languageFile = QStringLiteral(VANTREL_LAN_FILE);
        paths.settingsFile = iniPath;
        paths.skinFile = QFileInfo(paths.languageFile).dir().filePath("winaqua.skn");
        paths.fileToOpen = fileToOpen;
        main = std::make_unique<Main>(services, paths);
        main->setQuitHandler([this] { ++quits; });
        main->Form_Load();
        return *main;
    }
    bool showActive() {
        main->show();
        return QTest::qWaitForWindowActive(main.get());
    }
    void trigger(MenuCommand command) { main->menus().action(command)->trigger(); }
    bool enabled(MenuCommand command) const { return main->menus().action(command)->isEnabled(); }
    bool writeFile(const QString& name, const QByteArray& bytes) const {
        QFile file(path(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    // Types into the master password dialog and confirms, as a person would.
    void enterPassword(const QString& text) {
        InputPassword* dialog = main->inputPassword();
        QVERIFY(dialog);
        auto* box = dialog->findChild<QLineEdit*>("Text_LogIn");
        box->clear();
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
        const QPointer<InputPassword> watched = dialog;
        QTRY_VERIFY(!watched || !watched->isWorking()); // the key is derived on a thread of its own
    }
    Main& startWithOpenVault(const QString& name = "a.qx", const QString& password = "secret1") {
        makeVault(name, password);
        start();
        main->files().OpenGivenFile(path(name));
        enterPassword(password);
        return *main;
    }
    // An account stored in the open file but not yet written, as an edit form leaves it.
    void addUnsavedAccount(const QString& description) {
        put(Banks, description, "me");
        main->set_Modified(true);
    }
    // A new vault through File, New and the master password dialog.
    void createThroughWindow(const QString& name, const QString& password) {
        files.choose(path(name));
        trigger(MenuCommand::New);
        enterPassword(password);
        enterPassword(password);
    }
    // Idle periods (of a minute unless told) go by, each ended by a tick of the inactivity lock.
    void idle(int periods, int secs = 60) {
        for (int i = 0; i < periods; ++i) {
            clock.advanceSecs(secs);
            main->inactivity().component().tick();
        }
    }
};
