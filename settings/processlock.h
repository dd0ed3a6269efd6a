#pragma once
// A lock shared by every process that opens it with the same name, like a
// named mutex: an advisory flock() on a lock file named after the name in the
// user's runtime directory ($XDG_RUNTIME_DIR, else /tmp). Inside one process,
// all locks of one name are one lock that its owning thread may take again.

#include <QString>
#include <memory>

class CProcessLock {
public:
    // Null when the lock file cannot be created or opened.
    static std::unique_ptr<CProcessLock> Open(const QString& name);
    ~CProcessLock();

    CProcessLock(const CProcessLock&) = delete;
    CProcessLock& operator=(const CProcessLock&) = delete;

    // Waits without a time limit; re-entrant for the owning thread.
    void Lock();
    // Takes the lock only when nobody else holds it.
    bool TryLock();
    // Ignored when the calling thread does not hold the lock.
    void Unlock();

    const QString& Path() const;
    // The lock file that a name stands for.
    static QString PathFor(const QString& name);

    struct Shared; // the lock of one name in this process; opaque

private:
    explicit CProcessLock(std::shared_ptr<Shared> shared);
    std::shared_ptr<Shared> m_Shared;
};
