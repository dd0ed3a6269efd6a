#include "settings/privatefile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace privatefile {

namespace {

QString SystemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// The checks made on an open descriptor; an empty result means it may be used.
QString CheckOwned(int fd, bool privateToUser) {
    struct stat info = {};
    if (::fstat(fd, &info) != 0)
        return SystemError(errno);
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("is not a regular file");
    if (info.st_uid != ::geteuid())
        return QStringLiteral("belongs to another user");
    if (privateToUser && (info.st_mode & 077) != 0)
        return QStringLiteral("can be read by others than its owner (chmod 600 it)");
    return {};
}

// File systems without Unix permissions (FAT, exFAT, NTFS, most FUSE ones, as
// on a USB stick) give every file the mode their mount options say and refuse
// to change it; a product folder copied there still keeps its trace.
bool KeepsNoPermissions(int fd) {
    struct statfs fs = {};
    if (::fstatfs(fd, &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x4d44UL:     // FAT
    case 0x2011BAB0UL: // exFAT
    case 0x5346544eUL: // NTFS
    case 0x7366746eUL: // NTFS (ntfs3)
    case 0x65735546UL: // FUSE
        return true;
    default:
        return false;
    }
}

bool WriteAll(int fd, const char* bytes, qint64 length) {
    while (length > 0) {
        const ssize_t written = ::write(fd, bytes, static_cast<size_t>(length));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        length -= written;
    }
    return true;
}

} // namespace

WriteOpen OpenForWrite(const QString& path, int extraFlags, Create create) {
    WriteOpen result;
    const QByteArray native = QFile::encodeName(path);
    const int access = (extraFlags & O_RDWR) ? O_RDWR : O_WRONLY;
    const int fd = ::open(native.constData(),
                          access | (create == Create::IfMissing ? O_CREAT : 0) | O_NOFOLLOW |
                              O_CLOEXEC | O_NONBLOCK | (extraFlags & (O_APPEND | O_EXCL)),
                          0600);
    if (fd < 0) {
        result.error = errno == ELOOP ? QStringLiteral("is a symbolic link") : SystemError(errno);
        return result;
    }
    // The descriptor is checked before anything is truncated, so a file of
    // another user's is left as it was.
    QString refused = CheckOwned(fd, false);
    if (refused.isEmpty() && ::fchmod(fd, 0600) != 0 && !(errno == EPERM && KeepsNoPermissions(fd)))
        refused = SystemError(errno);
    if (refused.isEmpty() && (extraFlags & O_TRUNC) && ::ftruncate(fd, 0) != 0)
        refused = SystemError(errno);
    if (refused.isEmpty()) {
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
            refused = SystemError(errno);
    }
    if (!refused.isEmpty()) {
        ::close(fd);
        if (extraFlags & O_EXCL)
            ::unlink(native.constData()); // made here: nothing is left behind
        result.error = refused;
        return result;
    }
    result.fd = fd;
    return result;
}

bool Save(const QString& path, const QByteArray& data, QString* error) {
    const QFileInfo target(path);
    QString temporary;
    WriteOpen file;
    for (int n = 0; n < 100 && !file.Ok(); ++n) {
        temporary = target.absolutePath() + QStringLiteral("/.%1.%2.%3")
                                                .arg(target.fileName())
                                                .arg(::getpid())
                                                .arg(n);
        file = OpenForWrite(temporary, O_EXCL);
        if (!file.Ok() && errno != EEXIST)
            break;
    }
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (!file.Ok())
        return fail(file.error);
    const bool written = WriteAll(file.fd, data.constData(), data.size()) && ::fsync(file.fd) == 0;
    const int writeError = errno;
    ::close(file.fd);
    const QByteArray nativeTemporary = QFile::encodeName(temporary);
    if (!written) {
        ::unlink(nativeTemporary.constData());
        return fail(SystemError(writeError));
    }
    if (::rename(nativeTemporary.constData(), QFile::encodeName(path).constData()) != 0) {
        const int renameError = errno;
        ::unlink(nativeTemporary.constData());
        return fail(SystemError(renameError));
    }
    return true;
}

ReadResult Read(const QString& path, qint64 limit, Owner owner) {
    ReadResult result;
    const bool privateToUser = owner == Owner::PrivateToUser;
    const int flags = O_RDONLY | O_CLOEXEC | (privateToUser ? O_NOFOLLOW | O_NONBLOCK : 0);
    const int fd = ::open(QFile::encodeName(path).constData(), flags);
    if (fd < 0) {
        result.error = errno == ELOOP && privateToUser ? QStringLiteral("is a symbolic link")
                                                       : SystemError(errno);
        return result;
    }
    if (privateToUser) {
        result.error = CheckOwned(fd, true);
        if (!result.error.isEmpty()) {
            ::close(fd);
            return result;
        }
    }
    QByteArray data;
    char chunk[65536];
    while (data.size() <= limit) {
        const qint64 want = std::min<qint64>(sizeof chunk, limit + 1 - data.size());
        const ssize_t got = ::read(fd, chunk, static_cast<size_t>(want));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            result.error = SystemError(errno);
            ::close(fd);
            return result;
        }
        if (got == 0)
            break;
        data.append(chunk, got);
    }
    ::close(fd);
    if (data.size() > limit) {
        result.error = QStringLiteral("is longer than %1 bytes").arg(limit);
        return result;
    }
    result.ok = true;
    result.data = std::move(data);
    return result;
}

} // namespace privatefile
