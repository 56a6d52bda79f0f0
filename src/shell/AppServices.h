#pragma once

#include "VaultEngine.h"

#include <functional>
#include <memory>

class Clock;
class FileDialogBackend;
class LinkOpener;
class Preferences;
class Prompts;
class SharedForm;
class UserStore;

// What every window of the program shares: the engine (created on first use, released at exit),
// the preferences and their settings file, the per-user store, and the services that reach the
// person at the screen: questions, notices, file dialogs, the browser, the clock.
class AppServices {
public:
    using EngineFactory = std::function<std::unique_ptr<VaultEngine>()>;
    AppServices(EngineFactory factory, Preferences& prefs, UserStore& store, Prompts& prompts,
                const Clock& clock, SharedForm& notices, FileDialogBackend& fileDialogs, LinkOpener& links)
        : prefs(prefs), store(store), prompts(prompts), clock(clock), notices(notices),
          fileDialogs(fileDialogs), links(links), factory_(std::move(factory)) {}

    VaultEngine& engine() {
        if (!engine_)
            engine_ = factory_();
        return *engine_;
    }
    bool hasEngine() const { return engine_ != nullptr; }
    void releaseEngine() { engine_.reset(); }

    Preferences& prefs; // its ini() is the one settings object for QX.ini
    UserStore& store;
    Prompts& prompts;
    const Clock& clock;
    SharedForm& notices;
    FileDialogBackend& fileDialogs;
    LinkOpener& links;

private:
    EngineFactory factory_;
    std::unique_ptr<VaultEngine> engine_;
};
