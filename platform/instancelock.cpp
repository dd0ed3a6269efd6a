#include "platform/instancelock.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// The lock file lives in the user's runtime folder, so one copy per user
// session runs, as with a session-wide named mutex.
QString LockFolder() {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

QString SafeName(const QString& name) {
    QString safe;
    for (QChar c : name)
        safe += (c.isLetterOrNumber() || c == '-' || c == '_' || c == '.') ? c : QChar('_');
    return safe;
}

} // namespace

CInstanceLock::CInstanceLock(const QString& name) {
    m_Path = LockFolder() + QStringLiteral("/setup-instance-") + SafeName(name) +
             QStringLiteral(".lock");
    m_File = ::open(QFile::encodeName(m_Path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_File < 0)
        return;
    if (::flock(m_File, LOCK_EX | LOCK_NB) == 0) {
        m_State = Acquired;
        return;
    }
    m_State = errno == EWOULDBLOCK ? AlreadyRunning : Failed;
    ::close(m_File);
    m_File = -1;
}

CInstanceLock::~CInstanceLock() {
    if (m_File >= 0)
        ::close(m_File);
}
