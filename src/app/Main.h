#pragma once

#include "BrowserHost.h"
#include "Find.h"
#include "MainApi.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>

class AccountCommands;
class Browser;
class ClipboardCommands;
class FileLifecycle;
class Form_about;
class InactivityLock;
class InputPassword;
class Menus;
class RecentFiles;
enum class MenuCommand;

// Where the running program finds its files.
struct MainPaths {
    QString executablePath; // full path of the running binary
    QString languageFile;   // "" when none was found
    QString skinFile;       // "" when none was found
    QString settingsFile;   // QX.ini
    QString fileToOpen;     // named on the command line; "" offers the file opened last
};

// The main window. It owns the program's start-up and exit and composes one object per concern:
// the menus, the category bar and list, the file lifecycle, the recent files, the account
// commands. Dialogs and forms only see it through MainApi.
class Main : public QMainWindow, public MainApi, public BrowserHost {
    Q_OBJECT
public:
    Main(AppServices& services, MainPaths paths, QWidget* parent = nullptr);
    ~Main() override;

    // The start-up sequence; every step runs even when an earlier one failed.
    void Form_Load();
    bool ExitRoutine(bool SaveWithoutAsking); // false when the user chose to stay
    void menu_kw_languages_Click(int index);

    // MainApi
    QWidget* mainWindow() override { return this; }
    AppServices& services() override { return services_; }
    void update_caption() override;
    void set_Modified(bool value) override;
    bool isModified() const override;
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

    // The parts, for the composition and for tests.
    Menus& menus() const { return *menus_; }
    FileLifecycle& files() const { return *files_; }
    RecentFiles& recentFiles() const { return *recent_; }
    Browser& browser() const { return *browser_; }
    AccountCommands& commands() const { return *commands_; }
    InactivityLock& inactivity() const { return *inactivity_; }
    ClipboardCommands& clipboardCommands() const { return *clipboard_; }
    Find* findDialog() const { return find_; } // while it is showing
    InputPassword* inputPassword() const;      // while it is showing
    void setQuitHandler(std::function<void()> quit) { quit_ = std::move(quit); }
    bool hasExited() const { return exited_; }

    static constexpr QSize OuterSize{681, 520}; // frame included

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void run(MenuCommand command, bool checked);
    void keepClipboardSecret(const QString& digest);
    void applySkin();
    void keepOuterSize();
    void ShowFindDialog();

    AppServices& services_;
    MainPaths paths_;
    bool exited_ = false;
    std::function<void()> quit_;
    Menus* menus_ = nullptr;
    Browser* browser_ = nullptr;
    AccountCommands* commands_ = nullptr;
    RecentFiles* recent_ = nullptr;
    FileLifecycle* files_ = nullptr;
    InactivityLock* inactivity_ = nullptr;
    QPointer<Form_about> about_;
    ClipboardCommands* clipboard_ = nullptr;
    QPointer<Find> find_;
};
