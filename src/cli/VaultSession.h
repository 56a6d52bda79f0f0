#pragma once

#include "FileVaultEngine.h"
#include "SecretInput.h"
#include "VaultFile.h"

#include <QString>

struct ParsedArgs;

// One command's dealings with its vault: opening it with the master password from the input,
// holding its lock while it changes it, the passwords typed for it, and saving it.

inline constexpr int kMinMasterLength = 5;

// A path as the messages show it.
QString shown(const QString& path);

struct Vault {
    FileVaultEngine engine;
    SecretInput input;
    QString path;
    VaultFile::Lock lock; // for a change: from reading the vault until saving it
};

enum class Access { Read, Change };

// line: where on standard input the missing password belongs (the new one of passwd comes second).
void requireMaster(const SecretInput& input, SecretInput::Status status, const QString& command,
                   const char* line = "the first line");
// Opens the vault with the master password from the input. A change first takes the vault's
// lock, kept until v goes. The master password is handed back in keepMaster when one is given.
void openVault(Vault& v, const QString& path, const QString& command, Access access = Access::Read,
               QString* keepMaster = nullptr);
AccountRecord loadAccount(Vault& v, int id, const QString& command);
QString readAccountPassword(Vault& v, const QString& command);
void save(Vault& v, const QString& command);
// A new master password, asked twice on a terminal: blanks at either end dropped, at least
// kMinMasterLength characters.
QString readNewMaster(SecretInput& input, const QString& prompt, const QString& command,
                      const char* line = "the first line");
KdfLimits newFileLimits(const ParsedArgs& a);
// Stores the account and saves the vault.
void store(Vault& v, AccountRecord& r, const QString& command);
