#pragma once
// INI reader (and writer, for the locked store's write operations) with the
// rules settings authors know from the platform reader it replaces:
//  - sections and keys match without regard to letter case;
//  - a missing file, section or key gives the caller's default;
//  - lines whose first non-blank is ';' are comments, and so are lines without
//    '=', '[' lines without ']' and entries before the first section; blanks
//    around names and values are trimmed; a value enclosed in matching quotes
//    (" or ') loses them;
//  - the first of two equal keys in a section wins (sections of the same name
//    are read as one, in file order);
//  - CR LF or LF line ends, an optional UTF-8 byte order mark;
//  - the file is read as UTF-8, or as Windows-1252 when it is not valid UTF-8
//    (UTF-16 with a byte order mark is read too);
//  - a string read returns at most 2047 characters, a wide read at most 511;
//  - integers are decimal (within the range of int), or hexadecimal with a
//    leading 0x, 0X or $ (their 32-bit pattern: 0xFFFFFFFF is -1), each with
//    an optional sign; anything else gives the default.
// The file is read when the reader is created; a file larger than MaxFileSize
// is not read at all (every read gives its default and writes to it fail).
// Writes re-read the file, then change the file on disk (in the encoding and
// line ends it was read with) and the reader's view of it; a write that cannot
// be saved, or names a key or section the reader could not give back, changes
// nothing and returns false. The wizard itself never writes.

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

class CIniFile {
public:
    explicit CIniFile(const QString& fileName);

    const QString& FileName() const { return m_FileName; }

    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    int ReadInteger(const QString& section, const QString& key, int def) const;
    bool ReadBool(const QString& section, const QString& key, bool def) const;
    QString ReadWideString(const QString& section, const QString& key, const QString& def) const;
    // key=value lines of the section, in file order, the first of equal keys only.
    void ReadSectionValues(const QString& section, QStringList& list) const;
    bool SectionExists(const QString& section) const;

    // Replaces the first value of the key (or adds the key, or the section) and
    // writes the whole file back. Returns false when the file cannot be written.
    bool WriteString(const QString& section, const QString& key, const QString& value);
    bool WriteInteger(const QString& section, const QString& key, int value);
    bool WriteBool(const QString& section, const QString& key, bool value);

    // Parses INI text held in memory (used by the reader and by the fuzzer).
    void Parse(const QByteArray& bytes);

    static constexpr int StringBufferSize = 2048; // at most 2047 characters come back
    static constexpr int WideBufferSize = 512;    // at most 511 characters come back
    static constexpr qsizetype MaxFileSize = 2 * 1024 * 1024;

private:
    enum class Encoding { Utf8, Utf8Bom, Utf16Le, Utf16Be, Windows1252 };
    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        std::vector<Entry> entries;
        QHash<QString, size_t> index; // case-folded key -> first entry of that key
    };
    const Entry* Find(const QString& section, const QString& key) const;
    bool Load();
    void BuildIndex();
    bool Save() const;

    QString m_FileName;
    std::vector<Section> m_Sections;
    QHash<QString, size_t> m_SectionIndex; // case-folded name -> section
    QStringList m_Lines;                   // the text as read, for writes
    Encoding m_Encoding = Encoding::Utf8;
    bool m_Crlf = false;
    bool m_TooLarge = false;
};
