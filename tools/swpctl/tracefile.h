#pragma once
// The debug trace of swpctl: on when swpctl.Log exists in its trace folder (as
// Setup.Log for the wizard, see TraceFolder), or written to the file named by
// --log.

#include "settings/debug.h"

#include <QString>
#include <memory>

namespace swpctl {

class CTraceFile {
public:
    // programPath: the running executable. logFile: --log, empty for none.
    // On failure Error() says why and no trace is written.
    CTraceFile(const QString& programPath, const QString& logFile);
    ~CTraceFile();
    CTraceFile(const CTraceFile&) = delete;
    CTraceFile& operator=(const CTraceFile&) = delete;

    CDebug* Debug() const { return m_Debug.get(); }
    const QString& Error() const { return m_Error; }

private:
    std::unique_ptr<CDebug> m_Debug;
    QString m_Error;
};

} // namespace swpctl
