#pragma once

#include "AccountRecord.h"

#include <QObject>
#include <QString>

#include <optional>

class Clipboard;

class AppServices;
class Browser;
enum class TextId;

// The commands that take account data out of the program without opening the account: the
// selected account's name or password to the clipboard, the selected accounts as quoted lines,
// the selected account's web address to the browser.
class ClipboardCommands final : public QObject {
    Q_OBJECT
public:
    ClipboardCommands(AppServices& services, Browser& browser, QObject* parent = nullptr);

    void CopyAccountName();
    void CopyPassword();
    void ExportAccounts();
    // The address the web-site entries carry for the selected account.
    void VisitWebSite(const QString& address);

    // Whether the clipboard still holds the password copied last (compared by digest).
    bool holdsCopiedPassword();
    // Empties the clipboard when it holds that password, so it does not outlive the program.
    void clearCopiedPassword();

private:
    int selectedOrFirst();
    // The account a copy works on, the clipboard emptied first; nullopt when there is none. A
    // VaultError from reading it reaches the caller.
    std::optional<AccountRecord> accountToCopy(Clipboard& clipboard);
    void notice(const QString& text, int kind);
    void notice(TextId id, int kind);

    AppServices& services_;
    Browser& browser_;
};
