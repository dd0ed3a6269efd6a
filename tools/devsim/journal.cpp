#include "tools/devsim/journal.h"

#include <QFile>
#include <QJsonDocument>

namespace devsim {

CJournal::~CJournal() {
    if (m_File != nullptr)
        std::fclose(m_File);
}

bool CJournal::Open(const QString& path) {
    if (m_File != nullptr)
        std::fclose(m_File);
    m_File = std::fopen(QFile::encodeName(path).constData(), "we");
    return m_File != nullptr;
}

void CJournal::Write(const QJsonObject& line) {
    if (m_File == nullptr)
        return;
    const QByteArray text = QJsonDocument(line).toJson(QJsonDocument::Compact);
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), m_File);
    std::fputc('\n', m_File);
    std::fflush(m_File);
}

} // namespace devsim
