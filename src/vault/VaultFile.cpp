#include "VaultFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sodium.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace VaultFile {

namespace {

constexpr size_t kChunk = 1 << 20;

qint64 modifiedNs(const struct stat& info) {
    return qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

Identity statPart(const struct stat& info) {
    Identity id;
    id.device = info.st_dev;
    id.inode = info.st_ino;
    id.size = qint64(info.st_size);
    id.modifiedNs = modifiedNs(info);
    return id;
}

// Up to size bytes from offset, short only at the end of the file; -1 on a read error.
qint64 readAt(int fd, void* into, qint64 size, qint64 offset) {
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, static_cast<char*>(into) + done, size_t(size - done), offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

qint64 monotonicMs() {
    struct timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

} // namespace

RegularFile::RegularFile(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    // Non-blocking: opening a FIFO for reading would otherwise wait for a writer for ever.
    fd_ = name.isEmpty() ? -1 : ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) {
        status_ = errno == ENOENT ? Status::Missing : Status::Failed;
        return;
    }
    if (::fstat(fd_, &info_) != 0) {
        status_ = Status::Failed;
    } else if (!S_ISREG(info_.st_mode)) {
        status_ = Status::NotRegular;
    } else {
        const int flags = ::fcntl(fd_, F_GETFL);
        status_ =
            flags >= 0 && ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) == 0 ? Status::Open : Status::Failed;
    }
    if (status_ != Status::Open) {
        ::close(fd_);
        fd_ = -1;
    }
}

RegularFile::~RegularFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool RegularFile::readAll(quint8* into) {
    if (fd_ < 0)
        return false;
    if (readAt(fd_, into, size(), 0) != size())
        return false;
    char more; // a file that grew meanwhile is not the one measured
    return readAt(fd_, &more, 1, size()) == 0;
}

bool RegularFile::identity(Identity& out) {
    if (fd_ < 0)
        return false;
    const qint64 n = size();
    const qint64 head = std::min<qint64>(n, VaultFormat::HeaderBytes);
    const qint64 tail = std::min<qint64>(n, VaultFormat::TagBytes);
    quint8 bytes[VaultFormat::HeaderBytes + VaultFormat::TagBytes];
    if (readAt(fd_, bytes, head, 0) != head || readAt(fd_, bytes + head, tail, n - tail) != tail)
        return false;
    out = statPart(info_);
    std::memcpy(out.head.data(), bytes, size_t(head));
    std::memcpy(out.tail.data(), bytes + head, size_t(tail));
    return true;
}

bool RegularFile::copyTo(int fd) {
    if (fd_ < 0)
        return false;
    QByteArray block(kChunk, Qt::Uninitialized);
    qint64 done = 0;
    for (qint64 n; (n = readAt(fd_, block.data(), kChunk, done)) != 0; done += n) {
        if (n < 0)
            return false;
        for (ssize_t written = 0; written < n;) {
            const ssize_t w = ::write(fd, block.constData() + written, size_t(n - written));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return false;
            written += w;
        }
    }
    return true;
}

Identity identityOf(const struct stat& info, const quint8* bytes, qint64 size) {
    Identity id = statPart(info);
    id.size = size;
    const qint64 head = std::min<qint64>(size, VaultFormat::HeaderBytes);
    const qint64 tail = std::min<qint64>(size, VaultFormat::TagBytes);
    std::memcpy(id.head.data(), bytes, size_t(head));
    std::memcpy(id.tail.data(), bytes + size - tail, size_t(tail));
    return id;
}

QString resolvedTarget(const QString& path) {
    QString target = QFileInfo(path).absoluteFilePath();
    for (int hops = 0; hops < 40; ++hops) { // the kernel's own limit; a loop fails later, on open
        const QFileInfo info(target);
        if (!info.isSymLink())
            break;
        target = info.symLinkTarget();
    }
    return target;
}

bool fsyncFolderOf(const QString& path) {
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool keepOwnerThenChmod(int fd, const struct stat& replaced, mode_t permissions) {
    // Owner first: a change of owner clears the set-id bits a chmod may have set.
    if ((replaced.st_uid != ::geteuid() || replaced.st_gid != ::getegid()) &&
        ::fchown(fd, replaced.st_uid, replaced.st_gid) != 0)
        return false;
    return ::fchmod(fd, permissions) == 0;
}

bool copyBackup(RegularFile& current, const QString& backupPath) {
    QSaveFile copy(backupPath);
    if (!copy.open(QIODevice::WriteOnly))
        return false;
    const int fd = copy.handle();
    if (!keepOwnerThenChmod(fd, current.info(), current.info().st_mode & 0777) || !current.copyTo(fd) ||
        ::fsync(fd) != 0) {
        copy.cancelWriting();
        return false;
    }
    return copy.commit();
}

bool keepBackup(const QString& target, RegularFile& current) {
    const QByteArray from = QFile::encodeName(target);
    const QByteArray to = from + ".bak";
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QByteArray temp = to + '.' + QByteArray::number(randombytes_uniform(1u << 30), 36);
        if (::link(from.constData(), temp.constData()) == 0) {
            if (::rename(temp.constData(), to.constData()) == 0) {
                // Renaming onto another link of the same file does nothing and leaves the
                // temporary name (after a password change the backup is the file itself).
                ::unlink(temp.constData());
                return true;
            }
            ::unlink(temp.constData());
            return false;
        }
        if (errno != EEXIST)
            break; // no hard links here (a FAT stick, some network shares): copy instead
    }
    return copyBackup(current, QFile::decodeName(to));
}

QString Lock::pathFor(const QString& vaultPath) {
    return resolvedTarget(vaultPath) + QStringLiteral(".lock");
}

Lock::Result Lock::acquire(const QString& vaultPath, int waitMs) {
    release();
    const QByteArray path = QFile::encodeName(pathFor(vaultPath));
    const qint64 deadline = monotonicMs() + waitMs;
    while (true) {
        // Read-only is enough for flock, and opens a lock file another user left behind.
        const int fd = ::open(path.constData(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0644);
        if (fd < 0)
            return Result::Failed;
        bool busy = false;
        while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR) {
                ::close(fd);
                return Result::Failed;
            }
            if (monotonicMs() >= deadline) {
                busy = true;
                break;
            }
            const struct timespec pause = {0, 20 * 1000 * 1000};
            ::nanosleep(&pause, nullptr);
        }
        if (busy) {
            ::close(fd);
            return Result::Busy;
        }
        // The holder before us removes the file before letting go: a lock on a removed file
        // guards nothing, so take the one now at the path.
        struct stat held {
        }, named{};
        if (::fstat(fd, &held) == 0 && ::stat(path.constData(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino) {
            fd_ = fd;
            path_ = path;
            return Result::Locked;
        }
        ::close(fd);
    }
}

void Lock::release() {
    if (fd_ < 0)
        return;
    ::unlink(path_.constData()); // while still holding it, so nobody locks a file about to go
    ::close(fd_);
    fd_ = -1;
}

} // namespace VaultFile
