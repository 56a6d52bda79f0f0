#include "VaultProbe.h"

#include "VaultFormat.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

VaultFileKind probeVaultFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return VaultFileKind::Missing;
    if (!info.isFile())
        return VaultFileKind::NotAFile;
    // Without blocking, and checked again on the descriptor: the path may change under us.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return VaultFileKind::Unreadable;
    struct stat st {};
    char head[sizeof VaultFormat::Magic] = {};
    VaultFileKind kind = VaultFileKind::NotAVault;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        kind = VaultFileKind::NotAFile;
    else if (::read(fd, head, sizeof head) == ssize_t(sizeof head) &&
             std::memcmp(head, VaultFormat::Magic, sizeof head) == 0)
        kind = VaultFileKind::Vault;
    ::close(fd);
    return kind;
}
