#include "settings/processlock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

struct CProcessLock::Shared {
    QString path;
    int fd = -1;
    pid_t pid = 0;
    std::recursive_mutex mutex; // orders the threads of this process
    std::atomic<std::thread::id> owner{};
    int depth = 0; // touched by the owner only

    ~Shared() {
        if (fd >= 0)
            ::close(fd);
    }
};

namespace {

// Locks of one path inside this process share one file description, since
// flock() does not exclude holders of the same description.
std::mutex g_RegistryMutex;
std::map<QString, std::weak_ptr<CProcessLock::Shared>>& Registry() {
    static std::map<QString, std::weak_ptr<CProcessLock::Shared>> registry;
    return registry;
}

QString EncodeName(const QString& name) {
    const QByteArray utf8 = name.toUtf8();
    QString out;
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '.' || c == '_' || c == '-')
            out += QChar(c);
        else
            out += QStringLiteral("%%1").arg(static_cast<uint>(c), 2, 16, QChar(u'0')).toUpper();
    }
    if (out.size() > 200) // keep within the file name limit
        out =
            QString::fromLatin1(QCryptographicHash::hash(utf8, QCryptographicHash::Sha256).toHex());
    return out;
}

void FlockRetrying(int fd, int operation) {
    while (::flock(fd, operation) != 0 && errno == EINTR) {
    }
}

} // namespace

QString CProcessLock::PathFor(const QString& name) {
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtimeDir.isEmpty() && QFileInfo(runtimeDir).isDir())
        return QDir(runtimeDir)
            .filePath(QStringLiteral("setup-") + EncodeName(name) + QStringLiteral(".lock"));
    // /tmp is shared with other users: their locks must not be ours.
    return QStringLiteral("/tmp/setup-%1-%2.lock").arg(::getuid()).arg(EncodeName(name));
}

std::unique_ptr<CProcessLock> CProcessLock::Open(const QString& name) {
    if (name.isEmpty())
        return nullptr;
    const QString path = PathFor(name);
    std::lock_guard guard(g_RegistryMutex);
    auto& registry = Registry();
    if (auto it = registry.find(path); it != registry.end()) {
        // A forked child inherits the parent's description; it needs its own.
        if (auto shared = it->second.lock(); shared && shared->pid == ::getpid())
            return std::unique_ptr<CProcessLock>(new CProcessLock(shared));
    }
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return nullptr;
    auto shared = std::make_shared<Shared>();
    shared->path = path;
    shared->fd = fd;
    shared->pid = ::getpid();
    registry[path] = shared;
    return std::unique_ptr<CProcessLock>(new CProcessLock(shared));
}

CProcessLock::CProcessLock(std::shared_ptr<Shared> shared) : m_Shared(std::move(shared)) {}

CProcessLock::~CProcessLock() {
    std::lock_guard guard(g_RegistryMutex);
    auto& registry = Registry();
    const QString path = m_Shared->path;
    m_Shared.reset();
    if (auto it = registry.find(path); it != registry.end() && it->second.expired())
        registry.erase(it);
}

void CProcessLock::Lock() {
    Shared& s = *m_Shared;
    s.mutex.lock();
    if (s.depth++ == 0) {
        s.owner = std::this_thread::get_id();
        FlockRetrying(s.fd, LOCK_EX);
    }
}

bool CProcessLock::TryLock() {
    Shared& s = *m_Shared;
    if (!s.mutex.try_lock())
        return false;
    if (s.depth == 0) {
        if (::flock(s.fd, LOCK_EX | LOCK_NB) != 0) {
            s.mutex.unlock();
            return false;
        }
        s.owner = std::this_thread::get_id();
    }
    ++s.depth;
    return true;
}

void CProcessLock::Unlock() {
    Shared& s = *m_Shared;
    if (s.owner != std::this_thread::get_id())
        return;
    if (--s.depth == 0) {
        s.owner = std::thread::id();
        FlockRetrying(s.fd, LOCK_UN);
    }
    s.mutex.unlock();
}

const QString& CProcessLock::Path() const {
    return m_Shared->path;
}
