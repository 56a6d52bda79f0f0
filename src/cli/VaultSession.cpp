#include "VaultSession.h"

#include "ArgParser.h"
#include "Categories.h"
#include "CliError.h"
#include "Output.h"
#include "VaultProbe.h"

#include <QFileInfo>

#include <utility>

namespace {

constexpr int kDefaultLockWaitSeconds = 5;

// How long to wait for another writer to finish: VANTREL_LOCK_WAIT seconds, 5 unless set.
int lockWaitMs() {
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("VANTREL_LOCK_WAIT", &ok);
    return (ok && seconds >= 0 && seconds <= 3600 ? seconds : kDefaultLockWaitSeconds) * 1000;
}

// The lock file every writer of this vault takes, this tool and the window program alike.
void lockVault(Vault& v, const QString& path, const QString& command) {
    const QString lockFile = shown(VaultFile::Lock::pathFor(path));
    switch (v.lock.acquire(path, lockWaitMs())) {
    case VaultFile::Lock::Result::Locked:
        v.engine.setCallerHoldsLock(true);
        return;
    case VaultFile::Lock::Result::Busy:
        fail(ExitWriteFailed, QStringLiteral("%1: another program is changing %2 (it holds %3); nothing was "
                                             "changed, try again")
                                  .arg(command, shown(path), lockFile));
    case VaultFile::Lock::Result::Failed:
        fail(ExitWriteFailed,
             QStringLiteral("%1: could not create the lock file %2 beside the vault").arg(command, lockFile));
    }
}

} // namespace

QString shown(const QString& path) {
    return QStringLiteral("'%1'").arg(path);
}

void requireMaster(const SecretInput& input, SecretInput::Status status, const QString& command,
                   const char* line) {
    switch (status) {
    case SecretInput::Status::Ok:
        return;
    case SecretInput::Status::Missing:
        fail(ExitUnreadable, input.fromTerminal()
                                 ? QStringLiteral("%1: no master password given").arg(command)
                                 : QStringLiteral("%1: no master password on standard input (it must be %2)")
                                       .arg(command, QLatin1String(line)));
    case SecretInput::Status::TooLong:
        fail(ExitUnreadable, QStringLiteral("%1: the master password line is too long").arg(command));
    case SecretInput::Status::NotUtf8:
        fail(ExitUnreadable, QStringLiteral("%1: the master password is not valid UTF-8 text").arg(command));
    }
}

void openVault(Vault& v, const QString& path, const QString& command, Access access, QString* keepMaster) {
    const QFileInfo info(path);
    if (!info.exists())
        fail(ExitUnreadable, QStringLiteral("%1: %2 does not exist").arg(command, shown(path)));
    if (info.isDir())
        fail(ExitUnreadable, QStringLiteral("%1: %2 is a folder, not a vault").arg(command, shown(path)));
    if (!info.isFile())
        fail(ExitUnreadable, QStringLiteral("%1: %2 is not a regular file").arg(command, shown(path)));
    if (!info.isReadable())
        fail(ExitUnreadable, QStringLiteral("%1: %2 cannot be read").arg(command, shown(path)));
    // A file that is not ours is said so before a password is asked for, never "wrong password".
    if (probeVaultFile(path) == VaultFileKind::NotAVault)
        fail(ExitUnreadable, QStringLiteral("%1: %2 is not a Vantrel vault").arg(command, shown(path)));
    SecretInput::Secret master =
        v.input.next(QStringLiteral("Master password for %1: ").arg(oneLine(info.fileName())));
    requireMaster(v.input, master.status, command);
    // Blanks around the master password never count, as in the window program.
    QString password = master.text.trimmed();
    wipe(master.text);
    WipeOnExit wipePassword(password);
    if (access == Access::Change)
        lockVault(v, path, command);
    const bool open = v.engine.OpenFile(path, password);
    if (keepMaster && open)
        std::swap(*keepMaster, password);
    if (!open)
        fail(ExitUnreadable,
             QStringLiteral("%1: wrong master password, or %2 is not a vault this program can read")
                 .arg(command, shown(path)));
    v.path = path;
}

AccountRecord loadAccount(Vault& v, int id, const QString& command) {
    AccountRecord r;
    try {
        v.engine.GetRecord(id, AllCategories, r);
    } catch (const VaultError&) {
        fail(ExitNotFound,
             QStringLiteral("%1: no account with ID %2 in %3").arg(command).arg(id).arg(shown(v.path)));
    }
    return r;
}

QString readAccountPassword(Vault& v, const QString& command) {
    SecretInput::Secret first = v.input.next(QStringLiteral("Account password: "));
    if (first.status == SecretInput::Status::Missing)
        usage(command,
              v.input.fromTerminal()
                  ? QStringLiteral("no account password given")
                  : QStringLiteral("no account password on standard input (it goes on the line after the "
                                   "master password)"));
    if (first.status == SecretInput::Status::TooLong)
        usage(command, QStringLiteral("the account password line is too long"));
    if (first.status == SecretInput::Status::NotUtf8)
        usage(command, QStringLiteral("the account password is not valid UTF-8 text"));
    if (v.input.fromTerminal()) {
        SecretInput::Secret again = v.input.next(QStringLiteral("Repeat the account password: "));
        const bool same = again.status == SecretInput::Status::Ok && again.text == first.text;
        wipe(again.text);
        if (!same) {
            wipe(first.text);
            usage(command, QStringLiteral("the two account password entries differ"));
        }
    }
    return first.text; // as typed: account passwords keep their blanks
}

void save(Vault& v, const QString& command) {
    switch (v.engine.SaveFileChecked(false)) {
    case SaveResult::Saved:
        return;
    case SaveResult::ChangedOnDisk:
        fail(ExitWriteFailed, QStringLiteral("%1: another program changed %2 since it was read; nothing was "
                                             "written, try again")
                                  .arg(command, shown(v.path)));
    case SaveResult::TooLarge:
        fail(ExitWriteFailed, QStringLiteral("%1: %2 would grow too large to be opened again; nothing was "
                                             "written")
                                  .arg(command, shown(v.path)));
    case SaveResult::Failed:
        break;
    }
    fail(ExitWriteFailed, QStringLiteral("%1: could not write %2 (%3); the file on disk is unchanged")
                              .arg(command, shown(v.path), v.engine.saveFailure()));
}

QString readNewMaster(SecretInput& input, const QString& prompt, const QString& command, const char* line) {
    SecretInput::Secret first = input.next(prompt);
    requireMaster(input, first.status, command, line);
    QString password = first.text.trimmed();
    wipe(first.text);
    if (input.fromTerminal() && password.size() >= kMinMasterLength) {
        SecretInput::Secret again = input.next(QStringLiteral("Repeat the new master password: "));
        const bool same = again.status == SecretInput::Status::Ok && again.text.trimmed() == password;
        wipe(again.text);
        if (!same) {
            wipe(password);
            usage(command, QStringLiteral("the two master password entries differ"));
        }
    }
    if (password.isEmpty())
        usage(command, QStringLiteral("the master password is empty"));
    if (password.size() < kMinMasterLength) {
        wipe(password);
        usage(command,
              QStringLiteral("the master password must have at least %1 characters").arg(kMinMasterLength));
    }
    return password;
}

KdfLimits newFileLimits(const ParsedArgs& a) {
    return a.has(QStringLiteral("kdf-cheap")) ? KdfLimits::cheapest() : KdfLimits::moderate();
}

void store(Vault& v, AccountRecord& r, const QString& command) {
    bool stored = false;
    try {
        stored = v.engine.PutRecord(r);
    } catch (const VaultError& e) {
        fail(ExitWriteFailed, QStringLiteral("%1: %2").arg(command, QString::fromUtf8(e.what())));
    }
    if (!stored)
        fail(ExitWriteFailed, QStringLiteral("%1: the account could not be stored").arg(command));
    save(v, command);
}
