#pragma once

#include "VaultEngine.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class Clock;
class Preferences;
class Prompts;
class QWidget;
class UserStore;

// What every window of the program shares: the engine (created on first use, released at exit),
// the preferences, the per-user store, the prompts and the clock.
class AppServices {
public:
    using EngineFactory = std::function<std::unique_ptr<VaultEngine>()>;
    AppServices(EngineFactory factory, Preferences& prefs, UserStore& store, Prompts& prompts,
                const Clock& clock)
        : prefs(prefs), store(store), prompts(prompts), clock(clock), factory_(std::move(factory)) {}

    VaultEngine& engine() {
        if (!engine_)
            engine_ = factory_();
        return *engine_;
    }
    bool hasEngine() const { return engine_ != nullptr; }
    void releaseEngine() { engine_.reset(); }

    Preferences& prefs;
    UserStore& store;
    Prompts& prompts;
    const Clock& clock;

private:
    EngineFactory factory_;
    std::unique_ptr<VaultEngine> engine_;
};

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
    virtual void add_LastUsed(const QString& path) = 0;
    // Offers to save unsaved changes of the open file (and stores the recent files list).
    // False when the user wanted the changes saved and writing them failed.
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
