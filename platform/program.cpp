#include "platform/program.h"

#include <QFileInfo>
#include <cerrno>
#include <signal.h>

QString ProgramFilePath() {
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

bool ProcessRunning(qint64 pid) {
    if (pid <= 0)
        return false;
    // Signal 0 only asks whether the process exists; EPERM: it does, owned by
    // another user (an installer that raised its rights).
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}
