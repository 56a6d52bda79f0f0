#pragma once

#include <QString>
#include <QStringList>

class AppServices;
class QWidget;

// The main window as dialogs and edit forms see it: they refresh it through these methods and
// never reach into it otherwise.
class MainApi {
public:
    virtual ~MainApi() = default;

    virtual QWidget* mainWindow() = 0;
    virtual AppServices& services() = 0;

    // File state and title.
    virtual void update_caption() = 0;
    virtual void set_Modified(bool value) = 0;
    virtual bool isModified() const = 0;
    virtual void UpdateMenus() = 0;
    virtual void UpdateContextMenus() = 0; // the entries that follow the list and its selection
    virtual void add_LastUsed(const QString& path) = 0;
    // Offers to save unsaved changes of the open file (and stores the recent files list).
    // False when the user cancelled, or wanted the changes saved and writing them failed.
    virtual bool SavePrompt(bool SaveWithoutAsking) = 0;

    // Browsing.
    virtual void UpdateBar() = 0;
    virtual void ListAccounts(int category) = 0;
    virtual void Find_Account(const QString& text) = 0;
    virtual int CurrentCategory() const = 0;
    virtual void setCurrentCategory(int category) = 0;
    // Identifier / category of the selected row (key empty) or of the row with that key;
    // 0 / 99 when there is none.
    virtual int SelectedAccountID(const QString& key = {}) = 0;
    virtual int SelectedAccountType(const QString& key = {}) = 0;
    virtual int CountSelectedAccounts() = 0;
    virtual QStringList selectedRowKeys() = 0; // in row order

    // Account commands.
    virtual void set_UndoNew() = 0;
};
