#include "AccountCommands.h"

#include "AppServices.h"
#include "EditForm.h"
#include "FieldSets.h"
#include "MainApi.h"
#include "Prompts.h"
#include "Settings.h"
#include "SharedForm.h"
#include "TextCatalog.h"

#include <algorithm>

AccountCommands::AccountCommands(MainApi& main, QObject* parent) : QObject(parent), main_(main) {}

AccountCommands::~AccountCommands() = default;

void AccountCommands::notice(const QString& text, int kind) {
    main_.services().notices.ShowPopUpMessage(text, 10, kind);
}

void AccountCommands::nothingSelected() {
    notice(Text(TextId::SelectAccountFirst), 2);
}

EditForm* AccountCommands::openForm(int category) const {
    if (!isCategoryCode(category))
        return nullptr;
    EditForm* form = forms_[size_t(category)];
    return form && form->isLoaded() ? form : nullptr;
}

EditForm* AccountCommands::loadForm(int category, bool& loaded) {
    loaded = false;
    if (EditForm* form = openForm(category))
        return form;
    auto* form = new EditForm(category, main_, main_.mainWindow());
    connect(form, &EditForm::unloaded, this, [this, form](int code) {
        forms_[size_t(code)] = nullptr;
        if (form == newForm_)
            undoNew_ = false; // however it closed, no new account is pending any more
    });
    forms_[size_t(category)] = form;
    loaded = true;
    return form;
}

void AccountCommands::showForm(EditForm* form) {
    form->show();
    form->raise();
    form->activateWindow();
}

void AccountCommands::NewAccount() {
    if (!ConfirmNewAccount())
        return;
    const int category = main_.CurrentCategory();
    if (!isCategoryCode(category))
        return;
    bool loaded = false;
    newForm_ = loadForm(category, loaded);
    showForm(newForm_);
}

bool AccountCommands::ConfirmNewAccount() {
    if (!undoNew_) {
        undoNew_ = true;
        return true;
    }
    notice(Text(TextId::AlreadyEnteringNew), 0);
    return main_.services().prompts.askYesNo(main_.mainWindow(), Text(TextId::OpenNewFormAnyway),
                                             Text(TextId::NewAccountTitle));
}

void AccountCommands::newAccountOf(int category) {
    if (!isCategoryCode(category))
        return;
    main_.setCurrentCategory(category);
    NewAccount();
}

void AccountCommands::EditAccount() {
    OpenAccountForm(main_.SelectedAccountID(), main_.SelectedAccountType(), false);
}

void AccountCommands::DuplicateAccount() {
    if (main_.SelectedAccountID() < 1) {
        nothingSelected();
        return;
    }
    OpenAccountForm(main_.SelectedAccountID(), main_.SelectedAccountType(), true);
}

void AccountCommands::OpenAccountForm(int AccountID, int Category, bool IgnoreID) {
    if (AccountID == 0) {
        nothingSelected();
        return;
    }
    if (!isCategoryCode(Category))
        return;
    // Refilling a form with unsaved changes would throw them away: it closes first, with its
    // question, and stays as it is when the changes the user wanted kept could not be stored.
    if (EditForm* open = openForm(Category); open && open->FormChanged() && !open->close())
        return;

    bool loaded = false;
    EditForm* form = loadForm(Category, loaded);
    if (!form->Populate(AccountID, IgnoreID)) {
        if (loaded)
            form->close();
        notice(Text(TextId::SelectAccountFirst),
               2); // the row no longer stands for an account of this category
        return;
    }
    showForm(form);
}

void AccountCommands::DeleteAccounts() {
    const int count = main_.CountSelectedAccounts();
    if (count == 0) {
        nothingSelected();
        return;
    }
    VaultEngine& engine = main_.services().engine();
    Prompts& prompts = main_.services().prompts;

    if (count == 1) {
        const int id = main_.SelectedAccountID();
        if (id == 0)
            return;
        AccountRecord record;
        try {
            engine.GetRecord(id, main_.SelectedAccountType(), record);
        } catch (const VaultError&) {
            notice(Text(TextId::DeleteFailed), 2);
            return;
        }
        const QString label = record.Description + QLatin1Char('/') + record.AccountName;
        if (!prompts.askYesNo(main_.mainWindow(), Text(TextId::ConfirmDeleteOne) + label + QLatin1Char('?'),
                              Text(TextId::ConfirmDeleteTitle)))
            return;
        try {
            engine.DeleteRecord(main_.SelectedAccountID(), main_.SelectedAccountType(), true);
        } catch (const VaultError&) {
            notice(Text(TextId::DeleteFailed), 2);
            return;
        }
        notice(Text(TextId::AccountDeletedBefore) + label + Text(TextId::AccountDeletedAfter), 0);
        refreshAfterDelete();
        return;
    }

    if (!prompts.askYesNo(main_.mainWindow(),
                          Text(TextId::ConfirmDeleteMany) + QString::number(count) +
                              Text(TextId::ConfirmDeleteManyAfter),
                          Text(TextId::ConfirmDeleteTitle)))
        return;
    // The list is refreshed only after the loop, so the keys read before it stay valid.
    int deleted = 0;
    bool failed = false;
    for (const QString& key : main_.selectedRowKeys()) {
        try {
            engine.DeleteRecord(main_.SelectedAccountID(key), main_.SelectedAccountType(key), false);
            ++deleted;
        } catch (const VaultError&) {
            failed = true;
        }
    }
    // Some accounts are still there: never report that as done.
    notice(Text(failed ? TextId::DeleteFailed : TextId::AccountsDeleted), failed ? 2 : 0);
    if (deleted > 0)
        refreshAfterDelete();
}

void AccountCommands::refreshAfterDelete() {
    // A form open on an account the user just deleted would show it still, and its Save could
    // only fail: it goes too, its typing with it (the user chose to delete that account).
    VaultEngine& engine = main_.services().engine();
    for (const QPointer<EditForm>& form : forms_) {
        const int id = form && form->isLoaded() ? form->boxText(Box::Identifier).toInt() : 0;
        if (id == 0)
            continue; // a new account's form
        try {
            AccountRecord still;
            engine.GetRecord(id, AllCategories, still);
        } catch (const VaultError&) {
            form->discardAndClose();
        }
    }
    main_.UpdateBar();
    main_.ListAccounts(main_.services().prefs.LastType());
    main_.set_Modified(true);
}

bool AccountCommands::anyFormChanged() const {
    return std::any_of(forms_.begin(), forms_.end(), [](const QPointer<EditForm>& form) {
        return form && form->isLoaded() && form->FormChanged();
    });
}

bool AccountCommands::saveChangedForms() {
    bool allStored = true;
    for (const QPointer<EditForm>& form : forms_) {
        if (!form || !form->isLoaded() || !form->FormChanged())
            continue;
        if (!form->saveAndClose())
            allStored = false;
    }
    return allStored;
}

bool AccountCommands::closeAllForms() {
    bool allClosed = true;
    for (const QPointer<EditForm>& form : forms_) {
        if (form && form->isLoaded() && !form->close())
            allClosed = false;
    }
    return allClosed;
}
