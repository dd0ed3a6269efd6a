#pragma once
// The debug trace. Logging is on only when the log file (the program path with
// the extension ".Log", e.g. Setup.Log) exists at start. Each line reads
// "(hh:mm:ss:mmm 0xTID) text" and ends with CR LF.

#include <QString>
#include <atomic>
#include <cstdint>
#include <mutex>

class CDebug {
public:
    // programPath: the running program's full path (the executable on Linux).
    explicit CDebug(const QString& programPath);
    ~CDebug();

    CDebug(const CDebug&) = delete;
    CDebug& operator=(const CDebug&) = delete;

    bool IsOpen() const { return m_File >= 0; }
    const QString& LogFileName() const { return m_LogFileName; }

    void WriteLine(const char* text);
    void WriteRaw(const char* bytes, size_t length);

    // The global object, or null before program initialisation made one.
    static CDebug* Instance() { return s_Instance.load(std::memory_order_acquire); }
    static void SetInstance(CDebug* debug);

private:
    bool OpenExisting(const QString& path);
    bool CreateNew(const QString& path);

    QString m_LogFileName;
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

// Title line, then the bytes as "%02X " 16 to a line.
void DebugDump(const char* title, const uint8_t* data, size_t length);
