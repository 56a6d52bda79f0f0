#include "FileVaultEngine.h"

#include "PayloadCodec.h"
#include "SecureWipe.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sodium.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

// The engine's dealings with its file: open, close, save, create and a new master password. The
// operations on the accounts in memory are in FileVaultEngine.cpp.

void FileVaultEngine::CloseFile() {
    key_.reset();
    rekeyed_ = false;
    identity_ = {};
    contents_.accounts.clear(); // those in buffers of their own are wiped as they go
    contents_.file.release();   // and the file with the rest
    contents_.nextId = 1;
    order_.clear();
    rank_.clear();
    orderValid_ = false;
    path_.clear();
}

bool FileVaultEngine::OpenFile(const QString& path, const QString& masterPassword) {
    CloseFile();
    try {
        VaultFile::RegularFile file(path);
        const qint64 size = file.size();
        if (file.status() != VaultFile::RegularFile::Status::Open || size > maxFileBytes_ ||
            size < VaultFormat::HeaderBytes + VaultFormat::TagBytes)
            return false;
        // The file is decrypted where it is read, and the accounts stay there: one buffer of
        // plaintext, wiped when the file closes or anything on the way fails.
        VaultContents contents;
        contents.file = PlainBuffer(size_t(size));
        quint8* bytes = contents.file.data();
        if (!file.readAll(bytes))
            return false;
        const VaultFile::Identity identity = VaultFile::identityOf(file.info(), bytes, size);
        std::unique_ptr<VaultFormat::Key> key;
        if (VaultFormat::openInPlace(bytes, size, masterPassword, key) != VaultFormat::OpenResult::Opened)
            return false;
        if (!indexPayload(bytes + VaultFormat::HeaderBytes,
                          size_t(size - VaultFormat::HeaderBytes - VaultFormat::TagBytes), contents))
            return false;
        contents_ = std::move(contents);
        identity_ = identity;
        path_ = path;
        key_ = std::move(key);
        return true;
    } catch (...) {
        // Out of memory on a hostile file, or the secure allocator failing: refuse the file.
        CloseFile();
        return false;
    }
}

SaveResult FileVaultEngine::refuse(SaveResult result, const char* why) {
    saveFailure_ = QString::fromLatin1(why);
    return result;
}

SaveResult FileVaultEngine::writeFile(WriteMode mode) {
    using VaultFile::RegularFile;
    saveFailure_.clear();
    const size_t payload = encodedSize(contents_);
    const qint64 fileSize = VaultFormat::HeaderBytes + qint64(payload) + VaultFormat::TagBytes;
    if (fileSize > maxFileBytes_)
        return refuse(SaveResult::TooLarge, "the file would be too large to open again");
    // The payload is put together where it is then encrypted: the plaintext is in one buffer, for
    // a moment, and never on the heap.
    PlainBuffer sealed{size_t(fileSize)};
    encodePayload(contents_, sealed.data() + VaultFormat::HeaderBytes);
    VaultFormat::sealInPlace(*key_, sealed.data(), qint64(payload));

    VaultFile::Lock lock;
    if (!callerHoldsLock_) {
        const VaultFile::Lock::Result locked = lock.acquire(path_, lockWaitMs_);
        if (locked == VaultFile::Lock::Result::Busy)
            return refuse(SaveResult::Failed, "another program is saving it");
        if (locked == VaultFile::Lock::Result::Failed)
            return refuse(SaveResult::Failed, "its lock file cannot be made in its folder");
    }

    const QString target = VaultFile::resolvedTarget(path_);
    RegularFile current(target);
    if (current.status() == RegularFile::Status::NotRegular)
        return refuse(SaveResult::Failed, "it is not a regular file");
    if (current.status() == RegularFile::Status::Failed)
        return refuse(SaveResult::Failed, "it cannot be read");
    const bool replacing = current.status() == RegularFile::Status::Open;
    if (replacing && mode == WriteMode::Save) {
        VaultFile::Identity now;
        if (!current.identity(now))
            return refuse(SaveResult::Failed, "it cannot be read");
        if (now != identity_)
            return refuse(SaveResult::ChangedOnDisk, "another program changed it since it was read");
    }

    // A vault its owner made read-only is not replaced behind their back (Qt refuses it too).
    if (replacing && ::access(QFile::encodeName(target).constData(), W_OK) != 0 && errno == EACCES)
        return refuse(SaveResult::Failed, "the file is read-only");
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return refuse(SaveResult::Failed, "a new file cannot be written in its folder");
    const int fd = out.handle();
    // Created vaults are for their owner's eyes only; a saved one keeps the permissions it has.
    struct stat replaced = current.info();
    if (!replacing) {
        replaced.st_uid = ::geteuid();
        replaced.st_gid = ::getegid();
    }
    const mode_t permissions = replacing && mode != WriteMode::Create ? replaced.st_mode & 0777 : 0600;
    if (!VaultFile::keepOwnerThenChmod(fd, replaced, permissions)) {
        out.cancelWriting();
        return refuse(SaveResult::Failed, "it belongs to another user, and its owner could not be kept");
    }
    if (out.write(reinterpret_cast<const char*>(sealed.data()), fileSize) != fileSize || !out.flush() ||
        ::fsync(fd) != 0) {
        out.cancelWriting();
        return refuse(SaveResult::Failed, "the new file could not be written in full");
    }
    struct stat written {};
    ::fstat(fd, &written); // the same file once renamed into place
    if (replacing && keepBackup_ && mode != WriteMode::Create && !rekeyed_ &&
        !VaultFile::keepBackup(target, current)) {
        out.cancelWriting();
        return refuse(SaveResult::Failed, "the backup of the previous version could not be written");
    }
    if (!out.commit())
        return refuse(SaveResult::Failed, "the new file could not take the old one's place");
    VaultFile::fsyncFolderOf(target); // the rename is done; a failed folder sync is not a failed save
    identity_ = VaultFile::identityOf(written, sealed.data(), fileSize);
    if (rekeyed_) {
        // A backup under the old master password would still open with it: back up the new file.
        RegularFile now(target);
        const QString backup = target + QStringLiteral(".bak");
        if ((keepBackup_ || QFileInfo::exists(backup)) && !VaultFile::keepBackup(target, now))
            QFile::remove(backup);
        rekeyed_ = false;
    }
    return SaveResult::Saved;
}

SaveResult FileVaultEngine::SaveFileChecked(bool overwriteChangedFile) {
    requireOpen();
    try {
        return writeFile(overwriteChangedFile ? WriteMode::Overwrite : WriteMode::Save);
    } catch (const std::bad_alloc&) {
        return refuse(SaveResult::Failed, "out of memory");
    }
}

bool FileVaultEngine::SaveFile() {
    return SaveFileChecked(false) == SaveResult::Saved;
}

bool FileVaultEngine::ChangeMasterPassword(const QString& current, const QString& newPassword) {
    requireOpen();
    unsigned char salt[VaultFormat::SaltBytes];
    std::memcpy(salt, key_->salt(), sizeof salt);
    const auto check = VaultFormat::Key::derive(key_->limits(), salt, current);
    if (!check || sodium_memcmp(check->bytes(), key_->bytes(), VaultFormat::KeyBytes) != 0)
        return false;
    auto fresh = VaultFormat::Key::forNewFile(newFileLimits_, newPassword);
    if (!fresh)
        return false;
    key_ = std::move(fresh);
    rekeyed_ = true;
    return true;
}

bool FileVaultEngine::CreateFile(const QString& path, const QString& masterPassword) {
    CloseFile();
    if (path.isEmpty() || QFileInfo(path).isDir())
        return false;
    try {
        key_ = VaultFormat::Key::forNewFile(newFileLimits_, masterPassword);
        if (!key_)
            return false;
        path_ = path;
        if (writeFile(WriteMode::Create) != SaveResult::Saved) {
            const QString why = saveFailure_;
            CloseFile();
            saveFailure_ = why;
            return false;
        }
        return true;
    } catch (...) {
        CloseFile();
        return false;
    }
}

void FileVaultEngine::DeleteFile(const QString&) {
    // Deliberately nothing: CreateFile replaces the file atomically once the new one is written.
}
