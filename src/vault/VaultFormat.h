#pragma once

// A vault file is a fixed header followed by the payload sealed with XChaCha20-Poly1305 under a
// key that Argon2id derives from the master password. The header is the associated data, so no
// byte of it can change unnoticed.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <memory>

// Cost of the master password's key derivation (Argon2id).
struct KdfLimits {
    quint64 opsLimit;
    quint64 memLimit; // bytes

    static KdfLimits moderate(); // what new vaults get
    static KdfLimits cheapest(); // for tests and benchmarks only
};

// The least libsodium's Argon2id accepts.
inline constexpr quint64 MinKdfOpsLimit = 1;
inline constexpr quint64 MinKdfMemLimit = 8192;
// Limits a file's header may ask for before we refuse it without deriving anything.
inline constexpr quint64 MaxKdfOpsLimit = 100;
inline constexpr quint64 MaxKdfMemLimit = quint64(4) << 30;
// And together: memory times passes, so that no header, however hostile, makes opening stall
// for minutes (16 GiB-passes is four times what the most careful settings ask for).
inline constexpr quint64 MaxKdfWork = quint64(16) << 30;

// Whether a header's limits may be derived with; checked before any derivation.
constexpr bool kdfLimitsAcceptable(quint64 opsLimit, quint64 memLimit) {
    // Each bound first, so the product below cannot overflow.
    return opsLimit >= MinKdfOpsLimit && opsLimit <= MaxKdfOpsLimit && memLimit >= MinKdfMemLimit &&
           memLimit <= MaxKdfMemLimit && memLimit * opsLimit <= MaxKdfWork;
}

// This machine's memory in bytes; 0 when it cannot be told.
quint64 physicalMemoryBytes();
// Whether a derivation may take that much memory: no more than half of what the machine has, so a
// header within the bounds above still cannot push it into swapping or the out-of-memory killer.
constexpr bool kdfMemoryAffordable(quint64 memLimit, quint64 physicalMemory) {
    return physicalMemory == 0 || memLimit <= physicalMemory / 2;
}

namespace VaultFormat {

// The header, byte by byte; numbers are little-endian.
inline constexpr char Magic[8] = {'V', 'N', 'T', 'R', 'L', 'Q', 'X', '\0'};
inline constexpr int MagicAt = 0;
inline constexpr int VersionAt = 8;     // 2 bytes
inline constexpr int HeaderSizeAt = 10; // 2 bytes, always HeaderBytes
inline constexpr int KdfAt = 12;        // 1 byte, then 3 zero bytes
inline constexpr int OpsLimitAt = 16;   // 8 bytes
inline constexpr int MemLimitAt = 24;   // 8 bytes
inline constexpr int SaltAt = 32;
inline constexpr int SaltBytes = 16;
inline constexpr int NonceAt = SaltAt + SaltBytes;
inline constexpr int NonceBytes = 24;
inline constexpr int HeaderBytes = NonceAt + NonceBytes;

inline constexpr quint16 Version = 1;
inline constexpr quint8 KdfArgon2id = 2;
inline constexpr int KeyBytes = 32;
inline constexpr int TagBytes = 16; // the authentication tag, after the ciphertext
// A vault bigger than this is not one of ours; refusing it early avoids exhausting memory.
inline constexpr qint64 MaxFileBytes = qint64(1) << 30;

// The derived key, in guarded memory that is wiped when freed, with the limits and salt that
// derived it: every save writes them into the header again.
class Key {
public:
    // Null when the derivation fails (out of memory); throws VaultError when guarded memory runs out.
    static std::unique_ptr<Key> derive(KdfLimits limits, const unsigned char (&salt)[SaltBytes],
                                       const QString& password);
    // For a new file: with a fresh random salt.
    static std::unique_ptr<Key> forNewFile(KdfLimits limits, const QString& password);

    ~Key();
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    const unsigned char* bytes() const { return bytes_; }
    KdfLimits limits() const { return limits_; }
    const unsigned char* salt() const { return salt_; }

private:
    Key();

    unsigned char* bytes_ = nullptr;
    KdfLimits limits_{};
    unsigned char salt_[SaltBytes] = {};
};

// Seals a payload where it lies: writes the header for the key with a fresh nonce at
// file[0, HeaderBytes), encrypts file[HeaderBytes, HeaderBytes + payloadBytes) in place and puts the
// tag after it. The buffer holds HeaderBytes + payloadBytes + TagBytes.
void sealInPlace(const Key& key, quint8* file, qint64 payloadBytes);

enum class OpenResult {
    Opened,
    NotAVault,         // too short or too long, or not our magic or header layout
    UnknownVersion,    // another format version, older or newer
    RefusedLimits,     // limits refused by kdfLimitsAcceptable or kdfMemoryAffordable; nothing derived
    DerivationFailed,  // out of memory while deriving
    WrongKeyOrDamaged, // the tag does not authenticate: wrong password, or changed bytes
};

// Checks the header, derives the key from the password and authenticates and decrypts the payload
// in place: when opened, file[HeaderBytes, size - TagBytes) is the plaintext and key is set.
OpenResult openInPlace(quint8* file, qint64 size, const QString& password, std::unique_ptr<Key>& key);

struct Opened {
    OpenResult result = OpenResult::NotAVault;
    std::unique_ptr<Key> key; // when opened: to seal the next save with
    QByteArray payload;       // when opened; the caller wipes it
};

// The same on a copy of the file: for tests and tools.
Opened open(QByteArrayView file, const QString& password);

} // namespace VaultFormat
