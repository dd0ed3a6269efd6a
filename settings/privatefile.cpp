#include "settings/privatefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <vector>

namespace privatefile {

namespace {

QString SystemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// A group that holds the user alone (a user private group, as with umask
// 002): its write permission lets no one else in.
bool UsersOwnGroup(gid_t gid) {
    passwd user = {};
    passwd* userFound = nullptr;
    char userBuffer[4096];
    if (::getpwuid_r(::geteuid(), &user, userBuffer, sizeof userBuffer, &userFound) != 0 ||
        !userFound || user.pw_gid != gid)
        return false;
    group own = {};
    group* groupFound = nullptr;
    char groupBuffer[4096];
    if (::getgrgid_r(gid, &own, groupBuffer, sizeof groupBuffer, &groupFound) != 0 || !groupFound)
        return false;
    return std::strcmp(own.gr_name, user.pw_name) == 0 &&
           (own.gr_mem == nullptr || own.gr_mem[0] == nullptr);
}

bool WritableByOthers(const struct stat& info) {
    return (info.st_mode & S_IWOTH) != 0 ||
           ((info.st_mode & S_IWGRP) != 0 && !UsersOwnGroup(info.st_gid));
}

// What a folder on the way to a private file must be: the user's or root's,
// and writable by no one else unless its sticky bit keeps others from
// removing or renaming what is not theirs (/tmp).
QString CheckFolder(const struct stat& info, const QString& path) {
    if (info.st_uid != ::geteuid() && info.st_uid != 0)
        return QStringLiteral("is in a folder of another user's (%1)").arg(path);
    if (WritableByOthers(info) && (info.st_mode & S_ISVTX) == 0)
        return QStringLiteral("is in a folder that others can write to (%1)").arg(path);
    return {};
}

// The checks made on an open descriptor; an empty result means it may be used.
QString CheckOwned(int fd, bool privateToUser, bool written) {
    struct stat info = {};
    if (::fstat(fd, &info) != 0)
        return SystemError(errno);
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("is not a regular file");
    if (info.st_uid != ::geteuid())
        return QStringLiteral("belongs to another user");
    // Another name of the file may be anywhere, another user's file too.
    if (written && info.st_nlink > 1)
        return QStringLiteral("has more than one name (a hard link)");
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

// A folder reached from the root one component at a time, each opened
// without following a link and checked (CheckFolder) before the next is
// looked up in it, so that nothing another user controls is on the way. A
// link is resolved here, by hand, only where it lies in a checked folder that
// others cannot write to (or that is the link owner's).
class CFolderWalk {
public:
    ~CFolderWalk() {
        for (const Step& step : m_Steps)
            ::close(step.fd);
    }

    // Walks to the folder FOLDER (an absolute, clean path); false with Error().
    bool Walk(const QString& folder) {
        const int root = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (root < 0 || !Push(root, QStringLiteral("/")))
            return Fail(root < 0 ? SystemError(errno) : m_Error);
        QStringList pending = folder.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        int links = 0;
        while (!pending.isEmpty()) {
            const QString name = pending.takeFirst();
            if (name == QLatin1String("."))
                continue;
            if (name == QLatin1String("..")) {
                if (m_Steps.size() > 1) {
                    ::close(m_Steps.back().fd);
                    m_Steps.pop_back();
                }
                continue;
            }
            const QByteArray native = QFile::encodeName(name);
            struct stat entry = {};
            if (::fstatat(Fd(), native.constData(), &entry, AT_SYMLINK_NOFOLLOW) != 0)
                return Fail(SystemError(errno));
            if (S_ISLNK(entry.st_mode)) {
                if (++links > 40)
                    return Fail(SystemError(ELOOP));
                if (!FollowLink(native, entry, pending))
                    return false;
                continue;
            }
            const int fd =
                ::openat(Fd(), native.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd < 0)
                return Fail(SystemError(errno));
            if (!Push(fd, Path() + name))
                return false;
        }
        return true;
    }

    int Fd() const { return m_Steps.back().fd; }
    const QString& Error() const { return m_Error; }
    // The folder reached, with a trailing '/'.
    QString Path() const {
        const QString& path = m_Steps.back().path;
        return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    }
    const struct stat& Info() const { return m_Steps.back().info; }

private:
    struct Step {
        int fd;
        QString path;
        struct stat info;
    };

    bool Fail(const QString& error) {
        m_Error = error;
        return false;
    }

    bool Push(int fd, const QString& path) {
        Step step{fd, path, {}};
        if (::fstat(fd, &step.info) != 0) {
            ::close(fd);
            return Fail(SystemError(errno));
        }
        m_Steps.push_back(step);
        const QString refused = CheckFolder(step.info, path);
        return refused.isEmpty() || Fail(refused);
    }

    bool FollowLink(const QByteArray& name, const struct stat& link, QStringList& pending) {
        const struct stat& folder = Info();
        if (WritableByOthers(folder) && link.st_uid != ::geteuid() && link.st_uid != folder.st_uid)
            return Fail(QStringLiteral("is reached through a link in a folder that others can "
                                       "write to (%1)")
                            .arg(Path() + QFile::decodeName(name)));
        char target[4096];
        const ssize_t length = ::readlinkat(Fd(), name.constData(), target, sizeof target);
        if (length < 0 || static_cast<size_t>(length) >= sizeof target)
            return Fail(SystemError(length < 0 ? errno : ENAMETOOLONG));
        const QString text = QFile::decodeName(QByteArray(target, length));
        if (text.startsWith(QLatin1Char('/'))) {
            while (m_Steps.size() > 1) {
                ::close(m_Steps.back().fd);
                m_Steps.pop_back();
            }
        }
        pending = text.split(QLatin1Char('/'), Qt::SkipEmptyParts) + pending;
        return true;
    }

    std::vector<Step> m_Steps;
    QString m_Error;
};

// The path's folder walked (CFolderWalk) and its last component.
bool WalkToParent(const QString& path, CFolderWalk& walk, QByteArray& name, QString& error) {
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const qsizetype slash = absolute.lastIndexOf(QLatin1Char('/'));
    name = QFile::encodeName(absolute.mid(slash + 1));
    if (name.isEmpty() || name == "." || name == "..") {
        error = QStringLiteral("is not a file name");
        return false;
    }
    if (!walk.Walk(absolute.left(slash))) {
        error = walk.Error();
        return false;
    }
    return true;
}

struct OpenedAt {
    WriteOpen file;
    int openErrno = 0; // of the open itself, when it failed
};

OpenedAt OpenAt(int folder, const QByteArray& name, int extraFlags, Create create) {
    OpenedAt result;
    const int access = (extraFlags & O_RDWR) ? O_RDWR : O_WRONLY;
    const int fd = ::openat(folder, name.constData(),
                            access | (create == Create::IfMissing ? O_CREAT : 0) | O_NOFOLLOW |
                                O_CLOEXEC | O_NONBLOCK | (extraFlags & (O_APPEND | O_EXCL)),
                            0600);
    if (fd < 0) {
        result.openErrno = errno;
        result.file.error =
            errno == ELOOP ? QStringLiteral("is a symbolic link") : SystemError(errno);
        return result;
    }
    // The descriptor is checked before anything is truncated, so a file of
    // another user's is left as it was.
    QString refused = CheckOwned(fd, false, true);
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
            ::unlinkat(folder, name.constData(), 0); // made here: nothing is left behind
        result.file.error = refused;
        return result;
    }
    result.file.fd = fd;
    return result;
}

} // namespace

WriteOpen OpenForWrite(const QString& path, int extraFlags, Create create) {
    CFolderWalk walk;
    QByteArray name;
    WriteOpen result;
    if (!WalkToParent(path, walk, name, result.error))
        return result;
    return OpenAt(walk.Fd(), name, extraFlags, create).file;
}

bool Save(const QString& path, const QByteArray& data, QString* error) {
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    CFolderWalk walk;
    QByteArray name;
    QString refused;
    if (!WalkToParent(path, walk, name, refused))
        return fail(refused);
    QByteArray temporary;
    OpenedAt file;
    for (int n = 0; n < 100 && !file.file.Ok(); ++n) {
        temporary = "." + name + "." + QByteArray::number(::getpid()) + "." + QByteArray::number(n);
        file = OpenAt(walk.Fd(), temporary, O_EXCL, Create::IfMissing);
        if (!file.file.Ok() && file.openErrno != EEXIST)
            break;
    }
    if (!file.file.Ok())
        return fail(file.file.error);
    const int fd = file.file.fd;
    const bool written = WriteAll(fd, data.constData(), data.size()) && ::fsync(fd) == 0;
    const int writeError = errno;
    ::close(fd);
    if (!written) {
        ::unlinkat(walk.Fd(), temporary.constData(), 0);
        return fail(SystemError(writeError));
    }
    if (::renameat(walk.Fd(), temporary.constData(), walk.Fd(), name.constData()) != 0) {
        const int renameError = errno;
        ::unlinkat(walk.Fd(), temporary.constData(), 0);
        return fail(SystemError(renameError));
    }
    return true;
}

QString CheckOwnFolder(const QString& folder) {
    CFolderWalk walk;
    if (!walk.Walk(QDir::cleanPath(QFileInfo(folder).absoluteFilePath())))
        return walk.Error();
    const struct stat& info = walk.Info();
    if (info.st_uid != ::geteuid())
        return QStringLiteral("is not the user's own folder");
    if (WritableByOthers(info))
        return QStringLiteral("is a folder that others can write to");
    return {};
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
        result.error = CheckOwned(fd, true, false);
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
