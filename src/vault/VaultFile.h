#pragma once

// The vault's file on disk: reading it without ever blocking, telling whether it changed since it
// was read, and the lock that lets one writer at a time read, change and save it.

#include "VaultFormat.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <sys/stat.h>

namespace VaultFile {

// A file as it was when this program last read or wrote it: what the file system says of it, and
// its first and last bytes. For a vault those are the header, with the nonce every save draws
// afresh, and the tag that authenticates every byte in between under that nonce: together they
// pin an authentic vault's content without reading it all again. A file changed in any other way
// no longer opens, and the backup a save makes keeps it.
struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    qint64 size = -1;
    qint64 modifiedNs = 0;
    std::array<unsigned char, VaultFormat::HeaderBytes> head{};
    std::array<unsigned char, VaultFormat::TagBytes> tail{};

    bool operator==(const Identity&) const = default;
};

// A regular file opened for reading. The path is opened without blocking and checked before a
// byte is read, so a FIFO, a device or a folder there is refused instead of waited on.
class RegularFile {
public:
    enum class Status { Open, Missing, NotRegular, Failed };

    explicit RegularFile(const QString& path);
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    Status status() const { return status_; }
    const struct stat& info() const { return info_; }
    qint64 size() const { return qint64(info_.st_size); }

    // The whole file, size() bytes; false when reading fails or the file is not that size.
    bool readAll(quint8* into);
    // Its identity, read from the file; it equals what identityOf gives for the same bytes.
    bool identity(Identity& out);
    // Copies the file from its start into another descriptor.
    bool copyTo(int fd);

private:
    int fd_ = -1;
    Status status_ = Status::Failed;
    struct stat info_ {};
};

// The identity of bytes just read or written, with what the file system says of the file.
Identity identityOf(const struct stat& info, const quint8* bytes, qint64 size);

// The file a path finally names: symbolic links followed, so that a save replaces the file and
// leaves the link, and the folder synced is the one that holds the file.
QString resolvedTarget(const QString& path);

bool fsyncFolderOf(const QString& path);

// Gives a file being written the owner and group of the one it replaces, as a save by root for
// another user must; then the permissions. False when the owner cannot be kept.
bool keepOwnerThenChmod(int fd, const struct stat& replaced, mode_t permissions);

// Keeps the file at target as target + ".bak", whole at every moment: a hard link renamed over the
// old backup, so it costs no copying and has the file's mode and owner; where links cannot be made,
// a synced copy with the same mode and owner.
bool keepBackup(const QString& target, RegularFile& current);
bool copyBackup(RegularFile& current, const QString& backupPath);

// An exclusive flock on NAME.lock beside a vault, taken by every writer from reading the vault to
// saving it; the file is removed when the lock is let go.
class Lock {
public:
    enum class Result { Locked, Busy, Failed };

    Lock() = default;
    ~Lock() { release(); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    static QString pathFor(const QString& vaultPath);
    // Waits up to waitMs for another holder to let go; Busy when it did not.
    Result acquire(const QString& vaultPath, int waitMs);
    bool held() const { return fd_ >= 0; }
    void release();

private:
    int fd_ = -1;
    QByteArray path_;
};

} // namespace VaultFile
