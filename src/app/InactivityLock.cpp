#include "InactivityLock.h"

#include "AccountCommands.h"
#include "AppServices.h"
#include "Browser.h"
#include "Clipboard.h"
#include "Clock.h"
#include "FileLifecycle.h"
#include "InputPassword.h"
#include "KW_Inactivity.h"
#include "SharedForm.h"
#include "TextCatalog.h"

#include <QGuiApplication>

namespace {
constexpr qint64 kClipboardLifeMs = 60000;
}

InactivityLock::InactivityLock(AppServices& services, FileLifecycle& files, AccountCommands& commands,
                               Browser& browser, QObject* parent)
    : QObject(parent), services_(services), files_(files), commands_(commands), browser_(browser),
      KW_Inactivity_1(new KW_Inactivity(services.clock, this)) {
    connect(KW_Inactivity_1, &KW_Inactivity::Activity, this, &InactivityLock::Activity);
    connect(KW_Inactivity_1, &KW_Inactivity::Timeout, this, &InactivityLock::Timeout);
    connect(KW_Inactivity_1, &KW_Inactivity::Tick, this, &InactivityLock::Tick);
}

void InactivityLock::notice(TextId id, int secs, int kind) {
    services_.notices.ShowPopUpMessage(Text(id), secs, kind);
}

void InactivityLock::Activity() {
    idleCount_ = 0;
}

// While the master password dialog has the engine at work on its thread, nothing else may use it.
bool InactivityLock::engineAtWork() const {
    const InputPassword* dialog = files_.inputPassword();
    return dialog && dialog->isWorking();
}

void InactivityLock::Timeout() {
    if (engineAtWork())
        return;
    if (!services_.engine().IsOpen()) {
        idleCount_ = 0;
        return;
    }
    ++idleCount_;
    if (idleCount_ == 2)
        notice(TextId::IdleWarning, 10, 2);
    if (idleCount_ <= 2)
        return;
    // Nobody is there to answer a form's question, and leaving the accounts on screen is what the
    // lock is for: a form's changes are stored as its Save would, like the file's own changes. A
    // form whose changes cannot be stored (no account name) keeps the file open until the next
    // period rather than lose them.
    if (!commands_.saveChangedForms()) {
        notice(TextId::IdleWarning, 10, 2);
        idleCount_ = 2;
        return;
    }
    // A failed save keeps the file open with its changes (the save says so) and tries again later.
    if (!files_.SavePrompt(true)) {
        idleCount_ = 2;
        return;
    }
    notice(TextId::IdleClosing, 10, 0);
    files_.CloseFile();
}

void InactivityLock::Tick() {
    // Only while the program is in front: otherwise the dialog would take the keys typed elsewhere.
    if (InputPassword* dialog = files_.inputPassword();
        dialog && QGuiApplication::applicationState() == Qt::ApplicationActive) {
        dialog->raise();
        dialog->activateWindow();
    }
    if (engineAtWork())
        return;
    const qint64 copiedAt = browser_.CopiedPasswordTime();
    if (copiedAt < 0 || services_.clock.monotonicMs() - copiedAt <= kClipboardLifeMs)
        return;
    Clipboard clipboard;
    try {
        if (services_.engine().DigestText(clipboard.text()) != browser_.copiedPasswordToWipe())
            return; // the user copied something else since: not ours to touch
    } catch (const VaultError&) {
        return;
    }
    browser_.forgetCopiedPassword(); // wiped once; whatever comes later is the user's
    notice(TextId::CopiedPasswordWiped, 10, 2);
    clipboard.put(Text(TextId::ClipboardWiped), Clipboard::Kind::Plain);
}
