#pragma once
// The debug trace. Logging is on only when the log file (the program path with
// the extension ".Log", e.g. Setup.Log) exists at start. Each line reads
// "(hh:mm:ss:mmm 0xTID) text" and ends with CR LF.

#include <QString>
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
    static CDebug* Instance();
    static void SetInstance(CDebug* debug);

private:
    bool OpenExisting(const QString& path);
    bool CreateNew(const QString& path);

    QString m_LogFileName;
    int m_File = -1; // POSIX descriptor holding an exclusive advisory lock
    std::mutex m_Guard;
};

// printf-style trace writer of every layer. A format that does not fit its
// arguments is caught at compile time; at run time formatting never overruns.
void DebugLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Title line, then the bytes as "%02X " 16 to a line.
void DebugDump(const char* title, const uint8_t* data, size_t length);
