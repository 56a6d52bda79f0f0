#include "ClipboardCommands.h"

#include "AppServices.h"
#include "Browser.h"
#include "Clipboard.h"
#include "Clock.h"
#include "Funzioni.h"
#include "SharedForm.h"
#include "TextCatalog.h"
#include "WaitCursor.h"

namespace {

// Puts the text on the clipboard and tells whether it is really there: another program may hold
// on to the clipboard, and a copy that did not happen must not be reported as done.
bool putOn(Clipboard& clipboard, const QString& text, Clipboard::Kind kind) {
    clipboard.put(text, kind);
    return clipboard.text() == text;
}

} // namespace

ClipboardCommands::ClipboardCommands(AppServices& services, Browser& browser, QObject* parent)
    : QObject(parent), services_(services), browser_(browser) {}

void ClipboardCommands::notice(const QString& text, int kind) {
    services_.notices.ShowPopUpMessage(text, 10, kind);
}

void ClipboardCommands::notice(TextId id, int kind) {
    notice(Text(id), kind);
}

// The selected account's identifier. With none selected the first row is selected and 0 comes
// back all the same: the user sees which account it is and repeats the command.
int ClipboardCommands::selectedOrFirst() {
    if (const int id = browser_.SelectedAccountID(); id != 0)
        return id;
    browser_.SelectFirstAccount();
    if (browser_.SelectedAccountID() == 0)
        notice(TextId::SelectAccountFirst, 2);
    return 0;
}

std::optional<AccountRecord> ClipboardCommands::accountToCopy(Clipboard& clipboard) {
    const int id = selectedOrFirst();
    if (id == 0)
        return std::nullopt;
    clipboard.clear();
    AccountRecord record;
    services_.engine().GetRecord(id, browser_.SelectedAccountType(), record);
    return record;
}

void ClipboardCommands::CopyAccountName() {
    Clipboard clipboard;
    try {
        const std::optional<AccountRecord> record = accountToCopy(clipboard);
        if (!record)
            return;
        if (!putOn(clipboard, record->AccountName, Clipboard::Kind::Plain))
            return notice(TextId::AccountNameNotCopied, 2);
        notice(Text(TextId::AccountNameCopiedBefore) + record->AccountName +
                   Text(TextId::AccountNameCopiedAfter),
               0);
    } catch (const VaultError&) {
        notice(TextId::AccountNameNotCopied, 2);
    }
}

void ClipboardCommands::CopyPassword() {
    Clipboard clipboard;
    try {
        const std::optional<AccountRecord> record = accountToCopy(clipboard);
        if (!record)
            return;
        // The digest first: a password that reached the clipboard is always one the wipe knows.
        const QString digest = services_.engine().DigestText(record->Password);
        if (!putOn(clipboard, record->Password, Clipboard::Kind::Secret))
            return notice(TextId::PasswordNotCopied, 2);
        browser_.recordCopiedPassword(digest, services_.clock.monotonicMs());
        notice(Text(TextId::PasswordCopiedBefore) + record->AccountName + Text(TextId::PasswordCopiedAfter),
               0);
    } catch (const VaultError&) {
        notice(TextId::PasswordNotCopied, 2);
    }
}

void ClipboardCommands::ExportAccounts() {
    if (browser_.CountSelectedAccounts() == 0)
        return notice(TextId::SelectAccountFirst, 2); // nobody's row is chosen for them here
    WaitCursor wait;
    const QString quote = QStringLiteral("\"");
    const QString between = QStringLiteral("\",\"");
    QString text;
    try {
        for (const QString& key : browser_.selectedRowKeys()) {
            AccountRecord record;
            services_.engine().GetRecord(browser_.SelectedAccountID(key), browser_.SelectedAccountType(key),
                                         record);
            text += quote + record.Description + between + record.AccountName + between + record.Password +
                    quote + QStringLiteral("\r\n");
        }
    } catch (const VaultError&) {
        return; // the clipboard is left as it was
    }
    // The passwords go with the rest: the export is wiped a minute later like a copied password.
    QString digest;
    try {
        digest = services_.engine().DigestText(text);
    } catch (const VaultError&) {
        return;
    }
    Clipboard clipboard;
    if (!putOn(clipboard, text, Clipboard::Kind::Secret))
        return;
    browser_.recordClipboardSecret(digest, services_.clock.monotonicMs());
    notice(TextId::AccountsExported, 0);
}

void ClipboardCommands::VisitWebSite(const QString& address) {
    OpenLink(services_.links, address);
}

bool ClipboardCommands::holdsCopiedPassword() {
    const QString digest = browser_.copiedPasswordToWipe();
    const QString text = Clipboard().text();
    if (digest.isEmpty() || text.isEmpty())
        return false; // nothing copied, or nothing there to wipe
    try {
        return services_.engine().DigestText(text) == digest;
    } catch (const VaultError&) {
        return false;
    }
}

void ClipboardCommands::clearCopiedPassword() {
    if (!holdsCopiedPassword())
        return; // the user copied something else since: not ours to touch
    Clipboard().clear();
    browser_.forgetCopiedPassword();
}
