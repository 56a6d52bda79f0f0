#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class AccountCommands;
class AppServices;
class Browser;
class InputPassword;
class MainApi;
class RecentFiles;
class QWidget;

// New, Open, Save and Close of the password file, the save prompt and the window title with its
// modified mark. One file is open at a time; the engine does the file work.
class FileLifecycle final : public QObject {
    Q_OBJECT
public:
    FileLifecycle(MainApi& main, QWidget& window, Browser& browser, AccountCommands& commands,
                  RecentFiles& recent);

    void update_caption();
    void set_Modified(bool value);
    bool isModified() const { return Modified_; }

    void menu_new_Click();
    void menu_open_Click();
    void menu_save_Click();
    void menu_close_Click() { CloseFile(); }

    // Offers the file through the master password dialog unless it is the one already open.
    void OpenGivenFile(const QString& path);
    // False when the file was not written. Asks before replacing a file another program changed
    // since it was read, when mayAsk (nobody is asked when the program saves on its own).
    bool Save(bool mayAsk = true);
    // Offers to save unsaved changes (and stores the recent files list): whether what asked may
    // go on, stop because the user cancelled, or stop because the changes could not be written.
    enum class Outcome { GoOn, Cancelled, SaveFailed };
    Outcome offerToSave(bool SaveWithoutAsking);
    bool SavePrompt(bool SaveWithoutAsking); // true: go on
    bool CloseFile();                        // false when the user's save failed and the file stays open

    // The master password dialog while it is showing.
    InputPassword* inputPassword() const;

private:
    AppServices& services();
    void prepareInputPassword(const QString& path, bool newFile);
    QString askForVaultPath(bool save);

    MainApi& main_;
    QWidget& window_;
    Browser& browser_;
    AccountCommands& commands_;
    RecentFiles& recent_;
    bool Modified_ = false;
    QPointer<InputPassword> inputPassword_;
};
