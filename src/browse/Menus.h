#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <array>

class QAction;
class QMainWindow;
class QMenu;
class QPoint;
class TextCatalog;

// Every command of the menu bar and of the list's context menu.
enum class MenuCommand {
    // File
    New,
    Open,
    Close,
    Save,
    GenerateTrain,
    ImportCsv,
    RecentSeparator,
    RecentFirst,
    RecentEnd, // the separator before Exit: recent files go above it
    Exit,
    // Manager
    NewAccount,
    NewBank,
    NewComputerLogon,
    NewCreditCard,
    NewDialup,
    NewFile,
    NewForum,
    NewMailBox,
    NewMessenger,
    NewMisc,
    NewPin,
    NewSerial,
    NewService,
    NewWebSite,
    EditAccount,
    DeleteAccount,
    DuplicateAccount,
    FindAccount,
    CopyAccountMain,
    CopyPasswordMain,
    ExportMain,
    VisitWebSiteMain,
    ShowAll,
    StayOnTop,
    // The list's context menu
    CopyAccount,
    CopyPassword,
    Export,
    VisitWebSite,
    GeneratePassword,
    NewAccountHidden,
    EditAccountHidden,
    DeleteAccountHidden,
    DuplicateAccountHidden,
    FindAccountHidden,
    ExitHidden,
    // Help
    HomePage,
    SupportWeb,
    About,
    Count
};

enum class MenuId { File, Utility, Manager, NewAccountOf, Hidden, Languages, Help, Count };

// The main window's menus, built from one table. Actions carry the object names the language
// file puts texts on; the rest of the program reaches them by command, never by name.
class Menus final : public QObject {
    Q_OBJECT
public:
    explicit Menus(QMainWindow& window);

    QAction* action(MenuCommand command) const { return actions_[size_t(command)]; }
    QMenu* menu(MenuId id) const { return menus_[size_t(id)]; }
    // The category of a per-category "New account" entry; -1 for every other command.
    static int newAccountCategory(MenuCommand command);
    // The object name of a category's "New account" entry ("menu_new_bank"), whose caption is the
    // category's name in each language; "" for a code that is not a category.
    static QString newAccountEntryName(int category);

    // Languages menu: the default language first, then the others in the file's order.
    void BuildLanguagesMenu(const TextCatalog& catalog);
    void MarkLanguage(const QString& language);
    QList<QAction*> languageItems() const { return languageItems_; }
    QString languageAt(int index) const; // "" when there is no such item

    // Save, importing, the Manager menu and the context menu are live only while a file is open.
    void UpdateMenus(bool fileOpen);
    // The web-site entries show the address (hidden without one); the account entries need rows.
    void UpdateContextMenus(const QString& webAddress, bool listHasRows);
    void popupContextMenu(const QPoint& globalPos);

signals:
    void triggered(MenuCommand command, bool checked);
    void languageChosen(int index);

private:
    QAction* addLanguageItem(const QString& language);

    std::array<QAction*, size_t(MenuCommand::Count)> actions_{};
    std::array<QMenu*, size_t(MenuId::Count)> menus_{};
    QList<QAction*> languageItems_;
};
