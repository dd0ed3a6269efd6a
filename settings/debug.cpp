#include "settings/debug.h"
#include "settings/privatefile.h"
#include "settings/textutil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/syscall.h>
#include <unistd.h>

std::atomic<CDebug*> CDebug::s_Instance{nullptr};

namespace {

// The file is opened for this run only and locked exclusively, so a second
// running copy of the program cannot append to it and falls back to a
// numbered file. It is the user's own, 0600, and never reached through a link.
int OpenLocked(const QString& path, int flags, privatefile::Create create,
               QString* error = nullptr) {
    const privatefile::WriteOpen opened = privatefile::OpenForWrite(path, flags, create);
    if (!opened.Ok()) {
        if (error)
            *error = opened.error;
        return -1;
    }
    if (::flock(opened.fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(opened.fd);
        if (error)
            *error = QStringLiteral("is in use by another program");
        return -1;
    }
    return opened.fd;
}

QString UserStateFolder() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir::cleanPath(state + QStringLiteral("/swp-setup"));
}

// A line's text as written: printable ASCII as it is (nearly every line),
// anything else through PrintableText, so that what a device sent (a name,
// an SSID) can neither break a line nor drive the terminal that shows the
// file.
std::string TraceText(const char* text) {
    const size_t length = std::strlen(text);
    const bool plain =
        std::all_of(text, text + length, [](char c) { return c >= 0x20 && c < 0x7F; });
    if (plain)
        return std::string(text, length);
    return PrintableText(text, length).toStdString();
}

} // namespace

QString TraceFolder(const QString& programFolder) {
    if (::access(QFile::encodeName(programFolder).constData(), W_OK) == 0)
        return programFolder;
    return UserStateFolder();
}

CDebug::CDebug(const QString& programPath) {
    const QFileInfo program(programPath);
    const QString folder = TraceFolder(program.absolutePath()) + QLatin1Char('/');
    const QString base = program.completeBaseName();
    m_LogFileName = folder + base + QStringLiteral(".Log");

    // Whoever may write to the folder could turn the trace on: only a folder
    // of the user's own that no one else can write to keeps one (a shared
    // XDG_STATE_HOME, another user's program folder run as root: no trace).
    if (!privatefile::CheckOwnFolder(folder).isEmpty())
        return;
    if (!QFileInfo::exists(m_LogFileName) && !QFileInfo(m_LogFileName).isSymLink())
        return; // logging stays off for the run

    m_File = OpenLocked(m_LogFileName, O_RDWR, privatefile::Create::Never);
    for (int n = 0; m_File < 0 && n < 100; ++n) {
        m_LogFileName = folder + QString::asprintf("%s_%03d.Log", qUtf8Printable(base), n);
        m_File = OpenLocked(m_LogFileName, O_RDWR | O_EXCL, privatefile::Create::IfMissing);
    }
    Start();
}

CDebug::CDebug(const QString& logFile, NamedFile) {
    m_LogFileName = QFileInfo(logFile).absoluteFilePath();
    m_File = OpenLocked(m_LogFileName, O_RDWR, privatefile::Create::IfMissing, &m_OpenError);
    Start();
}

void CDebug::Start() {
    if (m_File < 0)
        return;
    if (::lseek(m_File, 0, SEEK_END) == static_cast<off_t>(-1)) {
        m_OpenError = QString::fromLocal8Bit(std::strerror(errno));
        ::close(m_File);
        m_File = -1;
        return;
    }
    WriteRaw("\r\n", 2);
    WriteLine("== START LOG ==");
}

CDebug::~CDebug() {
    CDebug* self = this;
    s_Instance.compare_exchange_strong(self, nullptr);
    if (m_File >= 0)
        ::close(m_File);
}

void CDebug::WriteLine(const char* text) {
    if (m_File < 0)
        return;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    ::localtime_r(&now.tv_sec, &local);
    const unsigned long tid = static_cast<unsigned long>(::syscall(SYS_gettid));
    char prefix[64];
    const int n =
        std::snprintf(prefix, sizeof prefix, "(%02d:%02d:%02d:%03d 0x%lX) ", local.tm_hour,
                      local.tm_min, local.tm_sec, static_cast<int>(now.tv_nsec / 1000000), tid);
    std::string line(prefix, n > 0 ? static_cast<size_t>(n) : 0);
    line += TraceText(text ? text : "");
    line += "\r\n";
    WriteRaw(line.data(), line.size());
}

void CDebug::WriteRaw(const char* bytes, size_t length) {
    if (m_File < 0)
        return;
    std::lock_guard<std::mutex> lock(m_Guard);
    while (length > 0) {
        const ssize_t written = ::write(m_File, bytes, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return; // write errors are ignored
        bytes += written;
        length -= static_cast<size_t>(written);
    }
}

void CDebug::SetInstance(CDebug* debug) {
    s_Instance.store(debug);
}

void DebugLogLine(const char* format, ...) {
    CDebug* debug = CDebug::Instance();
    if (!debug || !debug->IsOpen() || !format)
        return;
    char small[512];
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (needed < 0) {
        va_end(copy);
        debug->WriteLine(""); // a format the library refuses gives an empty message
        return;
    }
    if (static_cast<size_t>(needed) < sizeof small) {
        va_end(copy);
        debug->WriteLine(small);
        return;
    }
    std::string large(static_cast<size_t>(needed) + 1, '\0');
    std::vsnprintf(large.data(), large.size(), format, copy);
    va_end(copy);
    debug->WriteLine(large.c_str());
}

void DebugDump(const char* title, const uint8_t* data, size_t length,
               const std::vector<bool>& hidden) {
    CDebug* debug = CDebug::Instance();
    if (!debug || !debug->IsOpen())
        return;
    debug->WriteLine(title);
    char line[16 * 3 + 1];
    size_t used = 0;
    for (size_t i = 0; i < length; ++i) {
        if (i < hidden.size() && hidden[i])
            std::memcpy(line + used, "** ", 4);
        else
            std::snprintf(line + used, sizeof line - used, "%02X ", data[i]);
        used += 3;
        if ((i + 1) % 16 == 0) {
            debug->WriteLine(line);
            used = 0;
        }
    }
    if (used > 0)
        debug->WriteLine(line);
}
