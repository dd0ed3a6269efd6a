#pragma once
// The journal file: one compact JSON object a line, flushed line by line so a
// reader sees every line as soon as the datagram it describes has moved.

#include <QJsonObject>
#include <QString>
#include <cstdio>

namespace devsim {

class CJournal {
public:
    CJournal() = default;
    ~CJournal();
    CJournal(const CJournal&) = delete;
    CJournal& operator=(const CJournal&) = delete;

    // Creates (or empties) the file. Without a file, Write does nothing.
    bool Open(const QString& path);
    void Write(const QJsonObject& line);

private:
    std::FILE* m_File = nullptr;
};

} // namespace devsim
