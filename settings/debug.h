#pragma once
// The debug trace. Logging is on only when the log file (the program's name
// with the extension ".Log", e.g. Setup.Log) exists at start in the trace
// folder (TraceFolder). Each line reads "(hh:mm:ss:mmm 0xTID) text" and ends
// with CR LF; control characters and bytes that are not UTF-8 in the text are
// written escaped (PrintableText), so a value a device sent stays on its line. The file may hold
// what the devices report, so it is kept private to its user (settings/privatefile.h).

#include <QString>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

// Where the trace of the program in programFolder lives: that folder when it
// can be written (a product folder copied to a USB stick, the build tree),
// else the user's state folder $XDG_STATE_HOME/swp-setup (by default
// ~/.local/state/swp-setup), as for an installed program.
// Either way the trace is on only in a folder of the user's own that no one
// else may write to.
QString TraceFolder(const QString& programFolder);

class CDebug {
public:
    // programPath: the running program's full path (the executable on Linux).
    explicit CDebug(const QString& programPath);

    // A trace into the file the user named (swpctl --log): created when
    // missing, appended to, never through a link and without numbered
    // fall-backs. When it cannot be written, IsOpen() is false and OpenError()
    // says why.
    struct NamedFile {};
    CDebug(const QString& logFile, NamedFile);
    ~CDebug();

    CDebug(const CDebug&) = delete;
    CDebug& operator=(const CDebug&) = delete;

    bool IsOpen() const { return m_File >= 0; }
    // The file actually opened (the main log or a numbered fall-back).
    const QString& LogFileName() const { return m_LogFileName; }
    const QString& OpenError() const { return m_OpenError; }

    void WriteLine(const char* text);
    void WriteRaw(const char* bytes, size_t length);

    // The global object, or null before program initialisation made one.
    static CDebug* Instance() { return s_Instance.load(std::memory_order_acquire); }
    static void SetInstance(CDebug* debug);

private:
    void Start();

    QString m_LogFileName;
    QString m_OpenError;
    int m_File = -1; // POSIX descriptor holding an exclusive advisory lock
    std::mutex m_Guard;
    static std::atomic<CDebug*> s_Instance;
};

// Whether trace lines are written at all.
inline bool DebugEnabled() {
    const CDebug* debug = CDebug::Instance();
    return debug && debug->IsOpen();
}

// printf-style trace writer of every layer. A format that does not fit its
// arguments is caught at compile time; at run time formatting never overruns.
void DebugLogLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Its arguments are evaluated only while the trace is on, so a hot path pays
// no conversion or call for its trace lines when it is off.
#define DebugLog(...) (DebugEnabled() ? DebugLogLine(__VA_ARGS__) : void())

// Title line, then the bytes as "%02X " 16 to a line. A byte marked in hidden
// (one flag per byte, or empty) shows as "** ": the line keeps its length.
void DebugDump(const char* title, const uint8_t* data, size_t length,
               const std::vector<bool>& hidden = {});
