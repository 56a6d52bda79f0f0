#pragma once

#include <QString>

// What a path holds, as far as can be told without the master password: so that a file that is
// not a vault is not answered with "check the master password".
enum class VaultFileKind {
    Missing,    // nothing at that path
    NotAFile,   // a folder, a pipe, a device: never opened, so never waited on
    Unreadable, // a file we may not read
    NotAVault,  // a file without our header
    Vault,      // starts like one of ours; only the master password tells more
};

VaultFileKind probeVaultFile(const QString& path);
