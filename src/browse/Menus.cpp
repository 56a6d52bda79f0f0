#include "Menus.h"

#include "Categories.h"
#include "TextCatalog.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace {

using C = MenuCommand;
using M = MenuId;
constexpr auto None = MenuCommand::Count; // a separator nobody needs to reach

enum Flags { Plain = 0, Hidden = 1, Checkable = 2 };

constexpr int ctrl(Qt::Key key) {
    return (Qt::CTRL | key).toCombined();
}

// One row per menu, entry and separator, in the order they appear. A row with a caption and no
// command opens the submenu `opens`; a row without a caption is a separator.
struct Row {
    MenuId in; // MenuId::Count: the menu bar itself
    const char* name;
    const char* caption;
    MenuCommand command = None;
    int shortcut = 0;
    int flags = Plain;
    MenuId opens = M::Count;
    int category = -1; // for the per-category New account entries
};

constexpr M Bar = M::Count;

// clang-format off
const Row kRows[] = {
    {Bar, "menu_file", "&File", None, 0, Plain, M::File},
    {M::File, "menu_new", "New passwords file", C::New},
    {M::File, "menu_open", "Open passwords file", C::Open, ctrl(Qt::Key_O)},
    {M::File, "menu_close", "Close passwords file", C::Close},
    {M::File, "menu_save", "Save passwords file", C::Save, ctrl(Qt::Key_S)},
    {M::File, "split9", nullptr},
    {M::File, "menu_utility", "Utility", None, 0, Plain, M::Utility},
    {M::Utility, "menu_generate_train", "Generate train", C::GenerateTrain},
    {M::Utility, "menu_import_csv", "Import from CSV...", C::ImportCsv},
    {M::File, "last_split", nullptr, C::RecentSeparator, 0, Hidden},
    {M::File, "last_menu_0", "Last", C::RecentFirst, 0, Hidden},
    {M::File, "split5", nullptr, C::RecentEnd},
    {M::File, "menu_exit", "&Exit", C::Exit, ctrl(Qt::Key_Q)},

    {Bar, "menu_manager", "Man&ager", None, 0, Plain, M::Manager},
    {M::Manager, "menu_new_account", "N&ew account", C::NewAccount, ctrl(Qt::Key_N)},
    {M::Manager, "menu_newpassword", "&New account", None, 0, Plain, M::NewAccountOf},
    {M::NewAccountOf, "menu_new_bank", "", C::NewBank, 0, Plain, M::Count, Banks},
    {M::NewAccountOf, "menu_new_computerlogon", "", C::NewComputerLogon, 0, Plain, M::Count, ComputersLogon},
    {M::NewAccountOf, "menu_new_creditcard", "", C::NewCreditCard, 0, Plain, M::Count, CreditCards},
    {M::NewAccountOf, "menu_new_dialup", "", C::NewDialup, 0, Plain, M::Count, Dialup},
    {M::NewAccountOf, "menu_new_file", "", C::NewFile, 0, Plain, M::Count, Files},
    {M::NewAccountOf, "menu_new_forum", "", C::NewForum, 0, Plain, M::Count, Forums},
    {M::NewAccountOf, "menu_new_mailbox", "", C::NewMailBox, 0, Plain, M::Count, MailBoxes},
    {M::NewAccountOf, "menu_new_messenger", "", C::NewMessenger, 0, Plain, M::Count, Messengers},
    {M::NewAccountOf, "menu_new_misc", "", C::NewMisc, 0, Plain, M::Count, Misc},
    {M::NewAccountOf, "menu_new_pin", "", C::NewPin, 0, Plain, M::Count, Pins},
    {M::NewAccountOf, "menu_new_serial", "", C::NewSerial, 0, Plain, M::Count, Serials},
    {M::NewAccountOf, "menu_new_service", "", C::NewService, 0, Plain, M::Count, Services},
    {M::NewAccountOf, "menu_new_website", "", C::NewWebSite, 0, Plain, M::Count, WebSites},
    {M::Manager, "menu_edit_account", "&Edit account", C::EditAccount, ctrl(Qt::Key_E)},
    {M::Manager, "menu_delete_account", "&Delete account", C::DeleteAccount, Qt::Key_Delete},
    {M::Manager, "menu_duplicate_account", "D&uplicate", C::DuplicateAccount},
    {M::Manager, "menu_find_account", "F&ind", C::FindAccount, ctrl(Qt::Key_F)},
    {M::Manager, "split8", nullptr},
    {M::Manager, "menu_copy_account_main", "Copy account to the clipboard", C::CopyAccountMain, ctrl(Qt::Key_F1)},
    {M::Manager, "menu_copy_password_main", "Copy password to the clipboard", C::CopyPasswordMain, ctrl(Qt::Key_F2)},
    {M::Manager, "menu_export_account_main", "Export account(s) to the clipboard", C::ExportMain},
    {M::Manager, "menu_visit_website_main", "Jump to web site", C::VisitWebSiteMain, ctrl(Qt::Key_J), Hidden},
    {M::Manager, "split1", nullptr},
    {M::Manager, "menu_showAll", "Show all", C::ShowAll},
    {M::Manager, "menu_stay_on_top", "Stay on top", C::StayOnTop, 0, Checkable},

    // The list's context menu: never shown in the menu bar, only as a popup.
    {Bar, "menu_hidden", "Hidden", None, 0, Hidden, M::Hidden},
    {M::Hidden, "menu_copy_account", "Copy account to the clipboard", C::CopyAccount},
    {M::Hidden, "menu_copy_password", "Copy password to the clipboard", C::CopyPassword},
    {M::Hidden, "menu_export_account", "Export account(s) to the clipboard", C::Export},
    {M::Hidden, "menu_visit_website", "Jump to web site", C::VisitWebSite},
    {M::Hidden, "split6", nullptr},
    {M::Hidden, "menu_generate_password", "Generate random password and copy to the clipboard", C::GeneratePassword},
    {M::Hidden, "split2", nullptr},
    {M::Hidden, "menu_new_hidden_account", "New account", C::NewAccountHidden},
    {M::Hidden, "menu_edit_hidden_account", "Edit account", C::EditAccountHidden},
    {M::Hidden, "menu_delete_hidden_account", "Delete account", C::DeleteAccountHidden},
    {M::Hidden, "menu_duplicate_hidden_account", "Duplicate account", C::DuplicateAccountHidden},
    {M::Hidden, "menu_find_hidden_account", "Find account", C::FindAccountHidden},
    {M::Hidden, "split3", nullptr},
    {M::Hidden, "menu_exit_hidden", "Exit", C::ExitHidden},

    {Bar, "menu_languages", "&Languages", None, 0, Plain, M::Languages},

    {Bar, "menu_help", "&Help", None, 0, Plain, M::Help},
    {M::Help, "menu_QXHomePage", "QX home page", C::HomePage},
    {M::Help, "menu_Support_Web", "Support on the web", C::SupportWeb},
    {M::Help, "split4", nullptr},
    {M::Help, "menu_about", "&About", C::About},
};
// clang-format on

// The entries that act on the listed accounts: live only while the list has rows.
constexpr MenuCommand kAccountEntries[] = {
    C::CopyAccount, C::CopyAccountMain,     C::CopyPassword,  C::CopyPasswordMain,       C::EditAccountHidden,
    C::EditAccount, C::DeleteAccountHidden, C::DeleteAccount, C::DuplicateAccountHidden, C::DuplicateAccount};

} // namespace

Menus::Menus(QMainWindow& window) : QObject(&window) {
    for (const Row& row : kRows) {
        const QString name = QString::fromLatin1(row.name);
        QMenu* parent = row.in == Bar ? nullptr : menus_[size_t(row.in)];
        if (row.opens != M::Count) {
            const QString caption = QString::fromLatin1(row.caption);
            QMenu* m = parent ? parent->addMenu(caption) : window.menuBar()->addMenu(caption);
            m->setObjectName(name);
            m->menuAction()->setObjectName(name + QStringLiteral("_entry"));
            m->menuAction()->setVisible(!(row.flags & Hidden));
            menus_[size_t(row.opens)] = m;
            continue;
        }
        QAction* a = nullptr;
        if (!row.caption) {
            a = parent->addSeparator();
        } else {
            const QString caption = row.category >= 0
                                        ? QString::fromLatin1(categoryInfo(row.category)->newEntry)
                                        : QString::fromLatin1(row.caption);
            a = new QAction(caption, this);
            parent->addAction(a);
        }
        a->setObjectName(name);
        if (row.shortcut != 0)
            a->setShortcut(QKeySequence(row.shortcut));
        a->setVisible(!(row.flags & Hidden));
        if (row.flags & Checkable) {
            a->setCheckable(true);
            a->setChecked(false);
        }
        if (row.command == None)
            continue;
        actions_[size_t(row.command)] = a;
        if (row.caption && row.command != C::RecentFirst) // recent entries report their own clicks
            connect(a, &QAction::triggered, this,
                    [this, command = row.command](bool checked) { emit triggered(command, checked); });
    }
    QAction* first = addLanguageItem(QString());
    first->setText(QStringLiteral("Default"));
    first->setChecked(true);
}

int Menus::newAccountCategory(MenuCommand command) {
    for (const Row& row : kRows) {
        if (row.command == command)
            return row.category;
    }
    return -1;
}

QString Menus::newAccountEntryName(int category) {
    for (const Row& row : kRows) {
        if (row.category == category && category >= 0)
            return QString::fromLatin1(row.name);
    }
    return {};
}

QAction* Menus::addLanguageItem(const QString& language) {
    const int index = int(languageItems_.size());
    auto* item = new QAction(QStringLiteral("&") + language, this);
    item->setObjectName(QStringLiteral("menu_kw_languages_%1").arg(index));
    item->setCheckable(true);
    item->setChecked(false);
    item->setData(language);
    menus_[size_t(M::Languages)]->addAction(item);
    connect(item, &QAction::triggered, this, [this, index] { emit languageChosen(index); });
    languageItems_.append(item);
    return item;
}

void Menus::BuildLanguagesMenu(const TextCatalog& catalog) {
    QAction* first = languageItems_.first();
    first->setText(QStringLiteral("&") + catalog.DefaultLanguage());
    first->setData(catalog.DefaultLanguage());
    for (int i = 1; i <= catalog.LanguageCount(); ++i) {
        const QString name = catalog.LanguageName(qint16(i));
        if (name != catalog.DefaultLanguage())
            addLanguageItem(name);
    }
}

void Menus::MarkLanguage(const QString& language) {
    for (QAction* item : languageItems_)
        item->setChecked(item->data().toString() == language);
}

QString Menus::languageAt(int index) const {
    return index >= 0 && index < languageItems_.size() ? languageItems_[index]->data().toString() : QString();
}

void Menus::UpdateMenus(bool fileOpen) {
    action(C::Save)->setEnabled(fileOpen);
    action(C::ImportCsv)->setEnabled(fileOpen);
    menu(M::Manager)->menuAction()->setEnabled(fileOpen);
    menu(M::Manager)->setEnabled(fileOpen);
    menu(M::Hidden)->setEnabled(fileOpen);
}

void Menus::UpdateContextMenus(const QString& webAddress, bool listHasRows) {
    QAction* visit = action(C::VisitWebSite);
    QAction* visitMain = action(C::VisitWebSiteMain);
    visit->setVisible(!webAddress.isEmpty());
    visitMain->setVisible(!webAddress.isEmpty());
    if (!webAddress.isEmpty()) {
        // "&&": an ampersand in an address is not an access key.
        const QString shown = QString(webAddress).replace(u'&', QStringLiteral("&&"));
        visit->setText(Text(TextId::JumpTo) + shown);
        visitMain->setText(Text(TextId::JumpToWebSite) + shown);
        visit->setData(webAddress);
        visitMain->setData(webAddress);
    }
    for (MenuCommand command : kAccountEntries)
        action(command)->setEnabled(listHasRows);
}

void Menus::popupContextMenu(const QPoint& globalPos) {
    menu(M::Hidden)->popup(globalPos);
}
