#include "tools/swpctl/tracefile.h"

#include <QFile>
#include <QFileInfo>

namespace swpctl {

CTraceFile::CTraceFile(const QString& programPath, const QString& logFile) {
    if (logFile.isEmpty()) {
        m_Debug = std::make_unique<CDebug>(programPath);
        return;
    }
    const QString target = QFileInfo(logFile).absoluteFilePath();
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        m_Error = QStringLiteral("cannot write the log %1: %2").arg(logFile, file.errorString());
        return;
    }
    file.close();
    const QString base = QFileInfo(programPath).completeBaseName();
    const QString link = m_LinkDir.filePath(base + QStringLiteral(".Log"));
    if (!m_LinkDir.isValid() || !QFile::link(target, link)) {
        m_Error = QStringLiteral("cannot open the log %1").arg(logFile);
        return;
    }
    m_Debug = std::make_unique<CDebug>(m_LinkDir.filePath(base));
    if (!m_Debug->IsOpen() || m_Debug->LogFileName() != link) {
        // Another program holds the file: its numbered fall-back would land
        // in the private folder and vanish, so write nothing.
        m_Debug.reset();
        m_Error = QStringLiteral("the log %1 is in use by another program").arg(logFile);
    }
}

CTraceFile::~CTraceFile() = default;

} // namespace swpctl
