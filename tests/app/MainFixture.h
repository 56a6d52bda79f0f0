#pragma once

// A main window on temporary folders: real engine (cheap key derivation), real settings files,
// scripted prompts and file dialogs, a clock that only moves when told.

#include "Clock.h"
#include "FileDialog.h"
#include "FileVaultEngine.h"
#include "InputPassword.h"
#include "Main.h"
#include "Prompts.h"
#include "Settings.h"
#include "SharedForm.h"
#include "TextCatalog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class ScriptedFileDialog : public FileDialogBackend {
public:
    FileDialogAnswer run(const FileDialogRequest& request) override {
        requests.append(request);
        return answers.isEmpty() ? FileDialogAnswer{} : answers.takeFirst();
    }
    void choose(const QString& path) { answers.append(FileDialogAnswer{true, path, 1, 0}); }
    void cancel() { answers.append(FileDialogAnswer{}); }
    QList<FileDialogAnswer> answers;
    QList<FileDialogRequest> requests;
};

struct MainFixture {
    QTemporaryDir dir;
    ManualClock clock{QDateTime(QDate(2026, 12, 6), QTime(10, 0))};
    QString iniPath = dir.filePath("QX.ini");
    KW_ini ini{iniPath};
    Preferences prefs{ini, clock, dir.path()};
    UserStore store{dir.filePath("user.conf")};
    ScriptedPrompts prompts;
    ScriptedFileDialog files;
    std::unique_ptr<AppServices> services;
    std::unique_ptr<Main> main;
    int quits = 0;

    MainFixture() {
        setFileDialogBackend(&files);
        SharedForm::instance().hideAll();
        SharedForm::instance().clearHistory();
        services = std::make_unique<AppServices>(
            [] { return std::make_unique<FileVaultEngine>(KdfLimits::cheapest()); }, prefs, store, prompts,
            clock);
    }
    ~MainFixture() {
        main.reset();
        setFileDialogBackend(nullptr);
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    Main& start() {
        MainPaths paths;
        paths.executablePath = dir.filePath("vantrel");
        paths.languageFile = QStringLiteral(VANTREL_LAN_FILE);
        paths.settingsFile = iniPath;
        main = std::make_unique<Main>(*services, paths);
        main->setQuitHandler([this] { ++quits; });
        main->Form_Load();
        return *main;
    }

    VaultEngine& engine() { return services->engine(); }

    // Types into the master password dialog and confirms, as a person would.
    void enterPassword(const QString& text) {
        InputPassword* dialog = main->inputPassword();
        QVERIFY(dialog);
        auto* box = dialog->findChild<QLineEdit*>("Text_LogIn");
        box->clear();
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }

    // A vault on disk with the given accounts' descriptions, made outside the window.
    void makeVault(const QString& name, const QString& password, const QStringList& descriptions = {}) {
        FileVaultEngine e(KdfLimits::cheapest());
        QVERIFY(e.CreateFile(path(name), password));
        for (const QString& d : descriptions) {
            AccountRecord r;
            r.Type = 10;
            r.Description = d;
            r.AccountName = d + "-user";
            r.ExpirationPwd = 2.0;
            QVERIFY(e.PutRecord(r));
        }
        QVERIFY(e.SaveFile());
    }

    // A vault on disk, opened through the master password dialog.
    Main& startWithOpenVault(const QString& name = "a.qx", const QString& password = "secret1") {
        makeVault(name, password);
        start();
        main->OpenGivenFile(path(name));
        enterPassword(password);
        return *main;
    }

    // An account stored in the open file but not yet written, as an edit form leaves it.
    void addUnsavedAccount(const QString& description) {
        AccountRecord r;
        r.Description = description;
        r.AccountName = "me";
        QVERIFY(engine().PutRecord(r));
        main->set_Modified(true);
    }

    // How many accounts the file on disk holds, read by an engine of its own.
    int accountsOnDisk(const QString& name = "a.qx", const QString& password = "secret1") const {
        FileVaultEngine check(KdfLimits::cheapest());
        return check.OpenFile(path(name), password) ? check.AccountCount() : -1;
    }

    // Creates a new vault through File, New and the master password dialog.
    void createThroughWindow(const QString& name, const QString& password) {
        files.choose(path(name));
        main->menu_new_Click();
        enterPassword(password);
        enterPassword(password);
    }

    QStringList askedPrompts() const {
        QStringList out;
        for (const auto& a : prompts.asked)
            out << a.prompt;
        return out;
    }
};
