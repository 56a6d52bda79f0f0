#pragma once

#include <QString>
#include <QStringList>

// What one request may ask for; beyond these both functions throw VaultError.
inline constexpr int MaxPasswordLength = 4096;
inline constexpr int MaxPasswordCount = 1000000;
inline constexpr qint64 MaxGeneratedChars = qint64(64) << 20; // count times length

// A random password of letters, digits and symbols (no quotes, backslash or space), drawn from
// libsodium's generator, so sodium_init must have run (the engine's constructor does it). From 4
// characters on it holds at least one upper-case letter, lower-case letter, digit and symbol.
QString generatePassword(int length);
QStringList generatePasswords(int count, int length);
