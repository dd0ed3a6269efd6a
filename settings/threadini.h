#pragma once
// The product settings store: one INI reader behind one lock, so that every
// lookup happens under the lock and a caller can hold it across many reads.

#include "settings/inifile.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

class CProcessLock;

class CThreadIni {
public:
    // mutexName empty: the lock excludes other threads of this process only;
    // otherwise it also excludes other processes that use the same name.
    explicit CThreadIni(const QString& fileName, const QString& mutexName = QString());
    virtual ~CThreadIni();

    CThreadIni(const CThreadIni&) = delete;
    CThreadIni& operator=(const CThreadIni&) = delete;

    virtual void SetFileName(const QString& fileName);
    // Waits for the lock (re-entrant for the owning thread) and returns the reader.
    virtual CIniFile* Lock();
    virtual void Unlock();

    virtual QString ReadString(const QString& section, const QString& key, const QString& def);
    virtual QString ReadString(const char* section, const char* key, const char* def);
    virtual bool ReadBool(const QString& section, const QString& key, bool def);
    virtual int ReadInteger(const QString& section, const QString& key, int def);
    virtual void ReadSectionValues(const QString& section, QStringList& list);
    virtual void WriteString(const QString& section, const QString& key, const QString& value);
    virtual void WriteString(const char* section, const char* key, const char* value);
    virtual void WriteBool(const QString& section, const QString& key, bool value);
    virtual void WriteInteger(const QString& section, const QString& key, int value);
    // Reads through a 512-character buffer; with expand set, every backslash
    // followed by the letter n becomes a line feed.
    virtual QString ReadWideString(const QString& section, const QString& key, const QString& def,
                                   bool expand);

    const QString& FileName() const { return m_FileName; }
    const QString& MutexName() const { return m_MutexName; }
    int Named() const { return m_Named; }

private:
    QString m_FileName;
    QString m_MutexName;
    int m_Named = 0;
    std::unique_ptr<CIniFile> m_IniFile;
    std::recursive_mutex m_Mutex;
    std::atomic<std::thread::id> m_Owner{};      // an Unlock by another thread is ignored
    int m_Depth = 0;                             // touched by the owner only
    std::unique_ptr<CProcessLock> m_ProcessLock; // only for a named store
};

// Holds the store's lock for a scope; releases it also when an exception passes.
class CIniLock {
public:
    explicit CIniLock(CThreadIni& ini) : m_Ini(ini), m_Reader(ini.Lock()) {}
    ~CIniLock() { m_Ini.Unlock(); }
    CIniLock(const CIniLock&) = delete;
    CIniLock& operator=(const CIniLock&) = delete;
    CIniFile* operator->() const { return m_Reader; }
    CIniFile& Reader() const { return *m_Reader; }

private:
    CThreadIni& m_Ini;
    CIniFile* m_Reader;
};
