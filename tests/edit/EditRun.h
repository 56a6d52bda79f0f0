#pragma once

// The edit forms and account commands on a real vault, with a main window stand-in that
// records what they ask of it.

#include "AccountCommands.h"
#include "EditForm.h"
#include "MainApi.h"
#include "TestServices.h"

class RecordingMain final : public MainApi {
public:
    explicit RecordingMain(AppServices& services) : services_(services) {}
    QWidget* mainWindow() override { return &window; }
    AppServices& services() override { return services_; }
    void update_caption() override {}
    void set_Modified(bool value) override { calls << QStringLiteral("set_Modified(%1)").arg(value); }
    bool isModified() const override { return false; }
    void UpdateMenus() override {}
    void UpdateContextMenus() override {}
    void add_LastUsed(const QString&) override {}
    bool SavePrompt(bool) override { return true; }
    void UpdateBar() override { calls << "UpdateBar"; }
    void ListAccounts(int category) override { calls << QStringLiteral("ListAccounts(%1)").arg(category); }
    void Find_Account(const QString&) override {}
    int CurrentCategory() const override { return current; }
    void setCurrentCategory(int category) override { current = category; }
    int SelectedAccountID(const QString& key = {}) override { return part(key, 1, 0); }
    int SelectedAccountType(const QString& key = {}) override { return part(key, 2, 99); }
    int CountSelectedAccounts() override { return int(selected.size()); }
    QStringList selectedRowKeys() override { return selected; }
    void set_UndoNew() override {
        calls << "set_UndoNew";
        commands->set_UndoNew(); // as the main window forwards it
    }
    void select(const QList<AccountRecord>& records) {
        selected.clear();
        for (const AccountRecord& r : records)
            selected << QStringLiteral("ID:%1:%2").arg(r.ID).arg(r.Type);
    }

    QWidget window;
    QStringList calls;
    QStringList selected; // row keys of the selected rows, in row order
    int current = 0;
    AccountCommands* commands = nullptr;

private:
    int part(const QString& key, int index, int none) const {
        bool ok = false;
        const int value = (key.isEmpty() ? selected.value(0) : key).section(u':', index, index).toInt(&ok);
        return ok ? value : none;
    }
    AppServices& services_;
};

struct EditRun : TestServices {
    RecordingMain main{services};
    AccountCommands commands{main};

    EditRun() {
        engine().CreateFile(path("vault.qx"), "master");
        main.commands = &commands;
    }
    // The form New opens on a category, with no new account pending.
    EditForm* newForm(int category) {
        main.current = category;
        commands.set_UndoNew();
        commands.NewAccount();
        return commands.openForm(category);
    }
    // The form Edit opens on the record, its row the selected one.
    EditForm* edit(const AccountRecord& record) {
        main.select({record});
        commands.EditAccount();
        return commands.openForm(record.Type);
    }
};
