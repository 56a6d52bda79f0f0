#pragma once

#include "MainApi.h"

#include "BrowserHost.h"
#include "InputPassword.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <functional>

class AccountCommands;
class Browser;
class InputPassword;
class QAction;
class QMenu;
class RecentFiles;

// Where the running program finds its files.
struct MainPaths {
    QString executablePath; // full path of the running binary
    QString languageFile;   // "" when none was found
    QString skinFile;       // "" when none was found
    QString settingsFile;   // QX.ini
};

// The main window. It owns the program's life and composes one object per concern: the
// category bar and list, the recent files, the account commands; dialogs and forms only see
// it through MainApi.
class Main : public QMainWindow, public MainApi, public BrowserHost {
    Q_OBJECT
public:
    Main(AppServices& services, MainPaths paths, QWidget* parent = nullptr);
    ~Main() override;

    // The start-up sequence; every step runs even when an earlier one failed.
    void Form_Load();

    // MainApi
    QWidget* mainWindow() override { return this; }
    AppServices& services() override { return services_; }
    void update_caption() override;
    void set_Modified(bool value) override;
    bool isModified() const override { return Modified_; }
    void UpdateMenus() override;
    void add_LastUsed(const QString& path) override;
    bool SavePrompt(bool SaveWithoutAsking) override;
    void UpdateBar() override;
    void ListAccounts(int category) override;
    void Find_Account(const QString& text) override;
    int CurrentCategory() const override;
    void setCurrentCategory(int category) override;
    int SelectedAccountID(const QString& key = {}) override;
    int SelectedAccountType(const QString& key = {}) override;
    int CountSelectedAccounts() override;
    QStringList selectedRowKeys() override;
    void set_UndoNew() override;

    // BrowserHost
    void UpdateContextMenus() override;
    void popupContextMenu(const QPoint& globalPos) override;
    void OpenAccountForm(int id, int category, bool ignoreId) override;
    void runBarTask(const QString& key) override;

    // File commands.
    void menu_new_Click();
    void menu_open_Click();
    void menu_save_Click();
    void menu_close_Click();
    void menu_exit_Click();
    void OpenGivenFile(const QString& path);
    bool Save();                              // false when the file could not be written
    bool CloseFile();                         // false when the user's save failed and the file stays open
    bool ExitRoutine(bool SaveWithoutAsking); // false when the user chose to stay

    // Languages menu.
    void BuildLanguagesMenu();
    void MarkLanguage(const QString& language);
    void menu_kw_languages_Click(int index);

    // Tests and composition.
    QAction* action(const QString& name) const { return actions_.value(name); }
    QMenu* menu(const QString& name) const { return menus_.value(name); }
    QList<QAction*> languageItems() const { return languageItems_; }
    // The master password dialog while it is showing.
    InputPassword* inputPassword() const {
        return inputPassword_ && inputPassword_->isVisible() ? inputPassword_ : nullptr;
    }
    RecentFiles& recentFiles() const { return *recent_; }
    Browser& browser() const { return *browser_; }
    AccountCommands& commands() const { return *commands_; }
    void setQuitHandler(std::function<void()> quit) { quit_ = std::move(quit); }
    bool hasExited() const { return exited_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    QAction* addAction(QMenu* menu, const char* name, const QString& caption,
                       const QKeySequence& shortcut = {});
    QMenu* addMenu(QMenu* parent, const char* name, const QString& caption);
    void applySkin();
    InputPassword* prepareInputPassword(const QString& path, bool newFile);
    QString askForVaultPath(bool save);

    AppServices& services_;
    MainPaths paths_;
    bool Modified_ = false;
    bool SaveFailed_ = false;
    bool exited_ = false;
    std::function<void()> quit_;
    QHash<QString, QAction*> actions_;
    QHash<QString, QMenu*> menus_;
    QList<QAction*> languageItems_;
    Browser* browser_ = nullptr;
    AccountCommands* commands_ = nullptr;
    RecentFiles* recent_ = nullptr;
    QPointer<InputPassword> inputPassword_;
};
