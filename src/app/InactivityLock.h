#pragma once

#include <QObject>

class AccountCommands;
class AppServices;
class Browser;
class FileLifecycle;
class KW_Inactivity;
enum class TextId;

// What the main window does when the user leaves it alone: a warning at the second idle period,
// then the open file saved and closed at the third; a copied password wiped from the clipboard a
// minute after the copy; the master password dialog kept in front.
class InactivityLock final : public QObject {
    Q_OBJECT
public:
    InactivityLock(AppServices& services, FileLifecycle& files, AccountCommands& commands, Browser& browser,
                   QObject* parent);

    KW_Inactivity& component() { return *KW_Inactivity_1; }
    int IdleCount() const { return idleCount_; }

    void Activity();
    void Timeout();
    void Tick();

private:
    void notice(TextId id, int secs, int kind);
    bool engineAtWork() const;

    AppServices& services_;
    FileLifecycle& files_;
    AccountCommands& commands_;
    Browser& browser_;
    KW_Inactivity* KW_Inactivity_1;
    int idleCount_ = 0;
};
