#pragma once

#include "Categories.h"

#include <QObject>
#include <QPointer>

#include <array>

class EditForm;
class MainApi;

// New, edit, duplicate and delete: they choose an edit form, fill it or not and show it, or
// delete the selected accounts. Forms are modeless, one per category, owned by the main window.
class AccountCommands : public QObject {
    Q_OBJECT
public:
    explicit AccountCommands(MainApi& main, QObject* parent = nullptr);
    ~AccountCommands() override;

    void NewAccount();
    bool ConfirmNewAccount();
    void EditAccount();
    void DuplicateAccount();
    void OpenAccountForm(int AccountID, int Category, bool IgnoreID);
    void DeleteAccounts();

    // The per-category "New account" entries: that category becomes the current one, then New.
    void newAccountOf(int category);

    bool UndoNew() const { return undoNew_; }
    void set_UndoNew() { undoNew_ = false; }

    // The open form of a category, or nullptr.
    EditForm* openForm(int category) const;
    // Closes every open form, each with its question about unsaved changes; false when a form
    // stayed open because the changes the user wanted kept could not be stored.
    bool closeAllForms();
    // Whether an open form holds typing not stored yet.
    bool anyFormChanged() const;
    // Stores every form's changes as its Save button would and closes it; false when a form's
    // changes cannot be stored (it says why, and stays open with them).
    bool saveChangedForms();

private:
    // The form of a category, loaded when it is not open.
    EditForm* loadForm(int category, bool& loaded);
    void showForm(EditForm* form);
    void refreshAfterDelete();
    void notice(const QString& text, int kind);
    void nothingSelected();

    MainApi& main_;
    std::array<QPointer<EditForm>, CategoryCountTotal> forms_;
    bool undoNew_ = false;
    QPointer<EditForm> newForm_; // the form New opened last
};
