#include "tools/swpctl/tracefile.h"

namespace swpctl {

CTraceFile::CTraceFile(const QString& programPath, const QString& logFile) {
    if (logFile.isEmpty()) {
        m_Debug = std::make_unique<CDebug>(programPath);
        return;
    }
    m_Debug = std::make_unique<CDebug>(logFile, CDebug::NamedFile{});
    if (!m_Debug->IsOpen()) {
        m_Error = QStringLiteral("cannot write the log %1: %2").arg(logFile, m_Debug->OpenError());
        m_Debug.reset();
    }
}

CTraceFile::~CTraceFile() = default;

} // namespace swpctl
