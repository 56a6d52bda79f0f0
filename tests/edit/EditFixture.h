#pragma once

// A real vault in a temporary folder, real preferences, scripted answers, and a main window
// stand-in that records what the forms and commands ask of it.

#include "AccountCommands.h"
#include "Categories.h"
#include "Clock.h"
#include "EditForm.h"
#include "FileVaultEngine.h"
#include "MainApi.h"
#include "Prompts.h"
#include "Settings.h"
#include "SharedForm.h"
#include "TextCatalog.h"

#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <memory>

// Every text the tests meet reads "T<id>", so notices and questions can be told apart.
inline void loadTestTexts(const QString& folder) {
    QString content = QStringLiteral("[default] English\n[language English]\n");
    QList<int> ids = {3, 4, 5, 6, 813, 814, 816, 817, 818, 819, 822, 924, 925, 934};
    for (const CategoryInfo& c : categories())
        ids << c.msgNameMissing << c.msgStored << c.msgNotStored;
    for (int id : ids)
        content += QStringLiteral("text %1 = T%1\n").arg(id);
    QFile file(folder + QStringLiteral("/test.lan"));
    if (file.open(QIODevice::WriteOnly))
        file.write(content.toUtf8());
    file.close();
    InitLanguage(file.fileName());
}

inline QString T(int id) {
    return QStringLiteral("T%1").arg(id);
}

class FakeMain final : public MainApi {
public:
    explicit FakeMain(AppServices& services) : services_(services) {}
    QWidget* mainWindow() override { return &window; }
    AppServices& services() override { return services_; }
    void update_caption() override {}
    void set_Modified(bool value) override { calls << QStringLiteral("set_Modified(%1)").arg(value); }
    bool isModified() const override { return false; }
    void UpdateMenus() override {}
    void add_LastUsed(const QString&) override {}
    bool SavePrompt(bool) override { return true; }
    void UpdateBar() override { calls << QStringLiteral("UpdateBar"); }
    void ListAccounts(int category) override { calls << QStringLiteral("ListAccounts(%1)").arg(category); }
    void Find_Account(const QString&) override {}
    int CurrentCategory() const override { return current; }
    void setCurrentCategory(int category) override { current = category; }
    int SelectedAccountID(const QString& key = {}) override { return part(key, 1, 0); }
    int SelectedAccountType(const QString& key = {}) override { return part(key, 2, 99); }
    int CountSelectedAccounts() override { return int(selected.size()); }
    QStringList selectedRowKeys() override { return selected; }
    void set_UndoNew() override {
        calls << QStringLiteral("set_UndoNew");
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

struct EditFixture {
    EditFixture()
        : ini(dir.filePath(QStringLiteral("QX.ini"))), prefs(ini, clock, dir.path()),
          store(dir.filePath(QStringLiteral("store.ini"))),
          services([] { return std::make_unique<FileVaultEngine>(KdfLimits::cheapest()); }, prefs, store,
                   prompts, clock),
          main(services), commands(main) {
        engine().CreateFile(dir.filePath(QStringLiteral("vault.qx")), QStringLiteral("master"));
        main.commands = &commands;
        SharedForm::instance().clearHistory();
    }
    ~EditFixture() { SharedForm::instance().hideAll(); }

    VaultEngine& engine() { return services.engine(); }
    QStringList notices() const { return SharedForm::instance().history(); }
    // The last question asked, as "title: prompt".
    QString lastQuestion() const { return prompts.asked.last().title + ": " + prompts.asked.last().prompt; }

    AccountRecord put(int type, const QString& description, const QString& name) {
        AccountRecord r;
        r.Type = type;
        r.Description = description;
        r.AccountName = name;
        r.ExpirationPwd = NoDate;
        engine().PutRecord(r);
        return r;
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
    AccountRecord stored(int id) {
        AccountRecord r;
        engine().GetRecord(id, AllCategories, r);
        return r;
    }
    QTemporaryDir dir;
    ManualClock clock;
    KW_ini ini;
    Preferences prefs;
    UserStore store;
    ScriptedPrompts prompts;
    AppServices services;
    FakeMain main;
    AccountCommands commands;
};
