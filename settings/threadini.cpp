#include "settings/threadini.h"

#include "settings/processlock.h"

CThreadIni::CThreadIni(const QString& fileName, const QString& mutexName)
    : m_FileName(fileName), m_MutexName(mutexName), m_Named(mutexName.isEmpty() ? 0 : 1),
      m_IniFile(std::make_unique<CIniFile>(fileName)) {
    // Without the lock file the store still excludes the threads of this process.
    if (m_Named)
        m_ProcessLock = CProcessLock::Open(mutexName);
}

CThreadIni::~CThreadIni() = default;

void CThreadIni::SetFileName(const QString& fileName) {
    if (fileName == m_FileName)
        return;
    CIniLock lock(*this);
    // Replaced in place: a reader handed out by Lock stays valid.
    *m_IniFile = CIniFile(fileName);
    m_FileName = fileName;
}

CIniFile* CThreadIni::Lock() {
    m_Mutex.lock();
    if (m_Depth++ == 0)
        m_Owner = std::this_thread::get_id();
    if (m_ProcessLock)
        m_ProcessLock->Lock();
    return m_IniFile.get();
}

void CThreadIni::Unlock() {
    if (m_Owner != std::this_thread::get_id())
        return;
    if (m_ProcessLock)
        m_ProcessLock->Unlock();
    if (--m_Depth == 0)
        m_Owner = std::thread::id();
    m_Mutex.unlock();
}

QString CThreadIni::ReadString(const QString& section, const QString& key, const QString& def) {
    CIniLock lock(*this);
    return lock->ReadString(section, key, def);
}

QString CThreadIni::ReadString(const char* section, const char* key, const char* def) {
    return ReadString(QString::fromUtf8(section), QString::fromUtf8(key), QString::fromUtf8(def));
}

bool CThreadIni::ReadBool(const QString& section, const QString& key, bool def) {
    CIniLock lock(*this);
    return lock->ReadBool(section, key, def);
}

int CThreadIni::ReadInteger(const QString& section, const QString& key, int def) {
    CIniLock lock(*this);
    return lock->ReadInteger(section, key, def);
}

void CThreadIni::ReadSectionValues(const QString& section, QStringList& list) {
    CIniLock lock(*this);
    lock->ReadSectionValues(section, list);
}

void CThreadIni::WriteString(const QString& section, const QString& key, const QString& value) {
    CIniLock lock(*this);
    lock->WriteString(section, key, value);
}

void CThreadIni::WriteString(const char* section, const char* key, const char* value) {
    WriteString(QString::fromUtf8(section), QString::fromUtf8(key), QString::fromUtf8(value));
}

void CThreadIni::WriteBool(const QString& section, const QString& key, bool value) {
    CIniLock lock(*this);
    lock->WriteBool(section, key, value);
}

void CThreadIni::WriteInteger(const QString& section, const QString& key, int value) {
    CIniLock lock(*this);
    lock->WriteInteger(section, key, value);
}

QString CThreadIni::ReadWideString(const QString& section, const QString& key, const QString& def,
                                   bool expand) {
    QString value;
    {
        CIniLock lock(*this);
        value = lock->ReadWideString(section, key, def);
    }
    if (expand)
        value.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    return value;
}
