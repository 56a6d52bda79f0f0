#include "VaultFormat.h"

#include "SecureWipe.h"
#include "VaultEngine.h"

#include <sodium.h>

#include <cstring>
#include <unistd.h>

namespace VaultFormat {

// Files already written depend on these.
static_assert(HeaderBytes == 72);
static_assert(SaltBytes == crypto_pwhash_SALTBYTES);
static_assert(NonceBytes == crypto_aead_xchacha20poly1305_ietf_NPUBBYTES);
static_assert(KeyBytes == crypto_aead_xchacha20poly1305_ietf_KEYBYTES);
static_assert(TagBytes == crypto_aead_xchacha20poly1305_ietf_ABYTES);
static_assert(MinKdfOpsLimit == crypto_pwhash_OPSLIMIT_MIN && MinKdfMemLimit == crypto_pwhash_MEMLIMIT_MIN);

namespace {

void putLe(unsigned char* p, quint64 v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}
quint64 getLe(const unsigned char* p, int bytes) {
    quint64 v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

} // namespace

Key::Key() {
    bytes_ = static_cast<unsigned char*>(sodium_malloc(KeyBytes));
    if (!bytes_)
        throw VaultError("Out of secure memory");
}

Key::~Key() {
    sodium_free(bytes_); // sodium_free wipes the memory first
}

std::unique_ptr<Key> Key::derive(KdfLimits limits, const unsigned char (&salt)[SaltBytes],
                                 const QString& password) {
    std::unique_ptr<Key> key(new Key);
    key->limits_ = limits;
    std::memcpy(key->salt_, salt, SaltBytes);
    QByteArray utf8 = password.toUtf8();
    const int rc = crypto_pwhash(key->bytes_, KeyBytes, utf8.constData(), quint64(utf8.size()), key->salt_,
                                 limits.opsLimit, size_t(limits.memLimit), crypto_pwhash_ALG_ARGON2ID13);
    wipe(utf8);
    return rc == 0 ? std::move(key) : nullptr;
}

std::unique_ptr<Key> Key::forNewFile(KdfLimits limits, const QString& password) {
    unsigned char salt[SaltBytes];
    randombytes_buf(salt, SaltBytes);
    return derive(limits, salt, password);
}

void sealInPlace(const Key& key, quint8* file, qint64 payloadBytes) {
    unsigned char* h = file;
    std::memset(h, 0, HeaderBytes);
    std::memcpy(h + MagicAt, Magic, sizeof Magic);
    putLe(h + VersionAt, Version, 2);
    putLe(h + HeaderSizeAt, HeaderBytes, 2);
    h[KdfAt] = KdfArgon2id;
    putLe(h + OpsLimitAt, key.limits().opsLimit, 8);
    putLe(h + MemLimitAt, key.limits().memLimit, 8);
    std::memcpy(h + SaltAt, key.salt(), SaltBytes);
    randombytes_buf(h + NonceAt, NonceBytes); // never reuse a nonce under the same key
    unsigned long long cipherBytes = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(h + HeaderBytes, &cipherBytes, h + HeaderBytes,
                                               quint64(payloadBytes), h, HeaderBytes, nullptr, h + NonceAt,
                                               key.bytes());
}

OpenResult openInPlace(quint8* file, qint64 size, const QString& password, std::unique_ptr<Key>& key) {
    key.reset();
    if (size < HeaderBytes + TagBytes || size > MaxFileBytes)
        return OpenResult::NotAVault;
    const unsigned char* h = file;
    if (std::memcmp(h + MagicAt, Magic, sizeof Magic) != 0)
        return OpenResult::NotAVault;
    if (getLe(h + VersionAt, 2) != Version)
        return OpenResult::UnknownVersion;
    if (getLe(h + HeaderSizeAt, 2) != HeaderBytes || h[KdfAt] != KdfArgon2id || h[KdfAt + 1] != 0 ||
        h[KdfAt + 2] != 0 || h[KdfAt + 3] != 0)
        return OpenResult::NotAVault;
    const KdfLimits limits{getLe(h + OpsLimitAt, 8), getLe(h + MemLimitAt, 8)};
    if (!kdfLimitsAcceptable(limits.opsLimit, limits.memLimit) ||
        !kdfMemoryAffordable(limits.memLimit, physicalMemoryBytes()))
        return OpenResult::RefusedLimits;
    unsigned char salt[SaltBytes];
    std::memcpy(salt, h + SaltAt, SaltBytes);
    std::unique_ptr<Key> derived = Key::derive(limits, salt, password);
    if (!derived)
        return OpenResult::DerivationFailed;
    // The tag is checked over the ciphertext before a byte is decrypted over it.
    unsigned long long plainBytes = 0;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(file + HeaderBytes, &plainBytes, nullptr,
                                                   file + HeaderBytes, quint64(size - HeaderBytes), h,
                                                   HeaderBytes, h + NonceAt, derived->bytes()) != 0)
        return OpenResult::WrongKeyOrDamaged;
    key = std::move(derived);
    return OpenResult::Opened;
}

Opened open(QByteArrayView file, const QString& password) {
    Opened opened;
    if (file.size() > MaxFileBytes)
        return opened;
    QByteArray copy = file.toByteArray();
    copy.detach();
    auto* bytes = reinterpret_cast<quint8*>(copy.data());
    opened.result = openInPlace(bytes, copy.size(), password, opened.key);
    if (opened.result == OpenResult::Opened)
        opened.payload = copy.mid(HeaderBytes, copy.size() - HeaderBytes - TagBytes);
    wipe(copy);
    return opened;
}

} // namespace VaultFormat

quint64 physicalMemoryBytes() {
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? quint64(pages) * quint64(pageSize) : 0;
}

KdfLimits KdfLimits::moderate() {
    return {crypto_pwhash_OPSLIMIT_MODERATE, crypto_pwhash_MEMLIMIT_MODERATE};
}
KdfLimits KdfLimits::cheapest() {
    return {crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN};
}
