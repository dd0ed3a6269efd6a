#include "tests/common/logcapture.h"

#include <QFile>

CLogCapture::CLogCapture() {
    QFile log(m_Dir.filePath("Setup.Log"));
    log.open(QIODevice::WriteOnly);
    log.close();
    m_Debug = std::make_unique<CDebug>(m_Dir.filePath("Setup"));
    m_Previous = CDebug::Instance();
    CDebug::SetInstance(m_Debug.get());
    Clear();
}

CLogCapture::~CLogCapture() {
    CDebug::SetInstance(m_Previous);
}

QString CLogCapture::LogFileName() const {
    return m_Debug->LogFileName();
}

void CLogCapture::Clear() {
    m_Start = QFile(m_Debug->LogFileName()).size();
}

QStringList CLogCapture::Lines() const {
    QFile log(m_Debug->LogFileName());
    if (!log.open(QIODevice::ReadOnly))
        return {};
    log.seek(m_Start);
    QStringList lines;
    for (const QByteArray& raw : log.readAll().split('\n')) {
        QByteArray line = raw;
        if (line.endsWith('\r'))
            line.chop(1);
        const int end = line.indexOf(") ");
        if (line.startsWith('(') && end > 0)
            lines << QString::fromUtf8(line.mid(end + 2));
    }
    return lines;
}
