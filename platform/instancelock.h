#pragma once
// The single-instance lock: a named lock held for the life of the process. The
// kernel drops it when the process ends, so a crash never blocks the next start.

#include <QString>

class CInstanceLock {
public:
    enum Result { Acquired, AlreadyRunning, Failed };

    // name: the product's mutex name (an empty name is allowed).
    explicit CInstanceLock(const QString& name);
    ~CInstanceLock();

    CInstanceLock(const CInstanceLock&) = delete;
    CInstanceLock& operator=(const CInstanceLock&) = delete;

    Result State() const { return m_State; }
    const QString& Path() const { return m_Path; }

private:
    int m_File = -1;
    Result m_State = Failed;
    QString m_Path;
};
