#pragma once
// Test helper: a debug log in a temporary folder, installed as the program's
// log for the lifetime of the object. Lines() returns the messages written
// since construction (or the last Clear()), without the time and thread prefix.
// Link the `testcommon` library to use it.

#include "settings/debug.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class CLogCapture {
public:
    CLogCapture();
    ~CLogCapture();

    QStringList Lines() const;
    void Clear();
    bool Contains(const QString& line) const { return Lines().contains(line); }
    QString LogFileName() const;

private:
    QTemporaryDir m_Dir;
    std::unique_ptr<CDebug> m_Debug;
    CDebug* m_Previous = nullptr;
    qint64 m_Start = 0;
};
