#include "settings/inifile.h"

#include "settings/textutil.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <climits>
#include <cstdint>
#include <utility>

namespace {

bool IsValidUtf8(QByteArrayView bytes) {
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        int len;
        uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (n - i < len)
            return false;
        for (int k = 1; k < len; ++k) {
            const auto b = static_cast<unsigned char>(bytes[i + k]);
            if ((b & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (b & 0x3F);
        }
        if (len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)))
            return false; // overlong or surrogate
        if (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))
            return false;
        i += len;
    }
    return true;
}

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f';
}

QStringView Trim(QStringView s) {
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.sliced(b, e - b);
}

bool IsQuote(QChar c) {
    return c == u'"' || c == u'\'';
}

QStringView Unquote(QStringView s) {
    if (s.size() >= 2 && IsQuote(s.front()) && s.back() == s.front())
        return s.sliced(1, s.size() - 2);
    return s;
}

enum class LineKind { Other, Section, Entry };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    QStringView name; // section name, or key
    QStringView value;
};

// One line of the file. Comments, blank lines, lines before '=' is found and
// '[' lines without ']' are Other and ignored.
ParsedLine ClassifyLine(QStringView line) {
    ParsedLine parsed;
    const QStringView s = Trim(line);
    if (s.isEmpty() || s.front() == u';')
        return parsed;
    if (s.front() == u'[') {
        const qsizetype close = s.lastIndexOf(u']');
        if (close > 0) {
            parsed.kind = LineKind::Section;
            parsed.name = Trim(s.sliced(1, close - 1));
        }
        return parsed;
    }
    const qsizetype eq = s.indexOf(u'=');
    if (eq <= 0)
        return parsed;
    parsed.name = Trim(s.first(eq));
    if (parsed.name.isEmpty())
        return parsed;
    parsed.kind = LineKind::Entry;
    parsed.value = Unquote(Trim(s.sliced(eq + 1)));
    return parsed;
}

// What comes back through a buffer of bufferSize characters (one for the
// terminator); a surrogate pair is not split.
QString Cut(const QString& s, int bufferSize) {
    qsizetype n = bufferSize - 1;
    if (s.size() <= n)
        return s;
    if (s[n - 1].isHighSurrogate())
        --n;
    return s.left(n);
}

int DigitValue(QChar c, int base) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (base == 16 && u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (base == 16 && u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Optional sign, then decimal digits or 0x/0X/$ and hexadecimal digits, and
// nothing else. Decimal values must fit an int; hexadecimal ones give their
// 32-bit pattern (0xFFFFFFFF is -1), as colours and masks are written.
bool ParseInteger(QStringView s, int& out) {
    s = Trim(s);
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < s.size() && s[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i == s.size())
        return false;
    uint64_t value = 0;
    for (; i < s.size(); ++i) {
        const int d = DigitValue(s[i], base);
        if (d < 0)
            return false;
        value = value * base + d;
        if (value > 0xFFFFFFFFu)
            return false;
    }
    if (negative) {
        if (value > 0x80000000u)
            return false;
        out = static_cast<int>(-static_cast<int64_t>(value));
        return true;
    }
    if (base == 10 && value > static_cast<uint64_t>(INT_MAX))
        return false;
    out = static_cast<int>(static_cast<uint32_t>(value));
    return true;
}

bool HasLineBreak(const QString& s) {
    return s.contains(u'\n') || s.contains(u'\r');
}

// A value that the reader would trim or unquote is written inside quotes.
QString EncodeValue(const QString& value) {
    if (value.isEmpty())
        return value;
    const bool quote =
        IsBlank(value.front()) || IsBlank(value.back()) ||
        (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front());
    return quote ? u'"' + value + u'"' : value;
}

} // namespace

CIniFile::CIniFile(const QString& fileName) : m_FileName(fileName) {
    Load();
}

// Reads the file again. Returns false when the view cannot stand for the file
// (unreadable or too large), so that a write does not overwrite it.
bool CIniFile::Load() {
    Parse(QByteArray());
    if (m_FileName.isEmpty())
        return true;
    QFile file(m_FileName);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // One byte over the limit tells a too large file, also for devices
    // whose size is unknown.
    Parse(file.read(MaxFileSize + 1));
    return !m_TooLarge;
}

void CIniFile::Parse(const QByteArray& bytes) {
    m_Sections.clear();
    m_SectionIndex.clear();
    m_Lines.clear();
    m_Encoding = Encoding::Utf8;
    m_Crlf = false;
    m_TooLarge = bytes.size() > MaxFileSize;
    if (m_TooLarge)
        return;

    QString text;
    const QByteArrayView view(bytes);
    if (view.startsWith("\xFF\xFE")) {
        m_Encoding = Encoding::Utf16Le;
        text = QStringDecoder(QStringConverter::Utf16LE).decode(view.sliced(2));
    } else if (view.startsWith("\xFE\xFF")) {
        m_Encoding = Encoding::Utf16Be;
        text = QStringDecoder(QStringConverter::Utf16BE).decode(view.sliced(2));
    } else {
        const bool bom = view.startsWith("\xEF\xBB\xBF");
        const QByteArrayView body = bom ? view.sliced(3) : view;
        if (IsValidUtf8(body)) {
            m_Encoding = bom ? Encoding::Utf8Bom : Encoding::Utf8;
            text = QString::fromUtf8(body);
        } else {
            m_Encoding = Encoding::Windows1252;
            text = FromWindows1252(body.data(), static_cast<size_t>(body.size()));
        }
    }

    const qsizetype firstLf = text.indexOf(u'\n');
    m_Crlf = firstLf > 0 && text[firstLf - 1] == u'\r';
    m_Lines = text.split(u'\n');
    for (QString& line : m_Lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    BuildIndex();
}

void CIniFile::BuildIndex() {
    m_Sections.clear();
    m_SectionIndex.clear();
    Section* current = nullptr;
    for (const QString& line : std::as_const(m_Lines)) {
        const ParsedLine parsed = ClassifyLine(line);
        if (parsed.kind == LineKind::Section) {
            const QString folded = parsed.name.toString().toCaseFolded();
            auto it = m_SectionIndex.constFind(folded);
            if (it == m_SectionIndex.cend()) {
                it = m_SectionIndex.insert(folded, m_Sections.size());
                m_Sections.push_back(Section{parsed.name.toString(), {}, {}});
            }
            current = &m_Sections[*it];
        } else if (parsed.kind == LineKind::Entry && current) {
            const QString folded = parsed.name.toString().toCaseFolded();
            if (current->index.contains(folded))
                continue; // the first of equal keys wins
            current->index.insert(folded, current->entries.size());
            current->entries.push_back(Entry{parsed.name.toString(), parsed.value.toString()});
        }
    }
}

const CIniFile::Entry* CIniFile::Find(const QString& section, const QString& key) const {
    const auto sit = m_SectionIndex.constFind(section.toCaseFolded());
    if (sit == m_SectionIndex.cend())
        return nullptr;
    const Section& sec = m_Sections[*sit];
    const auto kit = sec.index.constFind(key.toCaseFolded());
    if (kit == sec.index.cend())
        return nullptr;
    return &sec.entries[*kit];
}

QString CIniFile::ReadString(const QString& section, const QString& key, const QString& def) const {
    const Entry* entry = Find(section, key);
    return Cut(entry ? entry->value : def, StringBufferSize);
}

QString CIniFile::ReadWideString(const QString& section, const QString& key,
                                 const QString& def) const {
    const Entry* entry = Find(section, key);
    return Cut(entry ? entry->value : def, WideBufferSize);
}

int CIniFile::ReadInteger(const QString& section, const QString& key, int def) const {
    const Entry* entry = Find(section, key);
    int value = 0;
    if (entry && ParseInteger(entry->value, value))
        return value;
    return def;
}

bool CIniFile::ReadBool(const QString& section, const QString& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void CIniFile::ReadSectionValues(const QString& section, QStringList& list) const {
    list.clear();
    const auto it = m_SectionIndex.constFind(section.toCaseFolded());
    if (it == m_SectionIndex.cend())
        return;
    for (const Entry& entry : m_Sections[*it].entries)
        list.append(entry.key + u'=' + entry.value);
}

bool CIniFile::SectionExists(const QString& section) const {
    return m_SectionIndex.contains(section.toCaseFolded());
}

bool CIniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    const QString sec = Trim(section).toString();
    const QString name = Trim(key).toString();
    // Names and values that the reader could not give back are refused
    // rather than written as other keys or sections.
    if (sec.isEmpty() || name.isEmpty() || HasLineBreak(sec) || HasLineBreak(name) ||
        HasLineBreak(value) || name.contains(u'=') || name.front() == u';' || name.front() == u'[')
        return false;
    // Another process sharing a named store may have written meanwhile.
    if (!m_FileName.isEmpty() && !Load())
        return false;
    if (m_TooLarge)
        return false;

    const QString foldedSection = sec.toCaseFolded();
    const QString foldedKey = name.toCaseFolded();
    QStringList lines = m_Lines;
    qsizetype firstHeader = -1;
    qsizetype insertAt = -1;
    bool inSection = false;
    bool inFirstBlock = false;
    bool replaced = false;
    for (qsizetype i = 0; i < lines.size() && !replaced; ++i) {
        const ParsedLine parsed = ClassifyLine(lines[i]);
        if (parsed.kind == LineKind::Section) {
            inSection = parsed.name.toString().toCaseFolded() == foldedSection;
            inFirstBlock = inSection && firstHeader < 0;
            if (inFirstBlock) {
                firstHeader = i;
                insertAt = i + 1;
            }
        } else if (parsed.kind == LineKind::Entry && inSection) {
            if (parsed.name.toString().toCaseFolded() == foldedKey) {
                lines[i] = parsed.name.toString() + u'=' + EncodeValue(value);
                replaced = true;
            } else if (inFirstBlock) {
                insertAt = i + 1;
            }
        }
    }
    if (!replaced) {
        const QString entry = name + u'=' + EncodeValue(value);
        if (firstHeader >= 0) {
            lines.insert(insertAt, entry);
        } else {
            if (!lines.isEmpty() && lines.last().isEmpty())
                lines.removeLast(); // the end of the last line
            if (!lines.isEmpty() && !Trim(lines.last()).isEmpty())
                lines.append(QString());
            lines << u'[' + sec + u']' << entry << QString();
        }
    }

    const QStringList old = std::exchange(m_Lines, lines);
    if (!Save()) {
        m_Lines = old;
        return false;
    }
    BuildIndex();
    return true;
}

bool CIniFile::WriteInteger(const QString& section, const QString& key, int value) {
    return WriteString(section, key, QString::number(value));
}

bool CIniFile::WriteBool(const QString& section, const QString& key, bool value) {
    return WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

// Writes m_Lines in the encoding and line ends the file was read with; a
// Windows-1252 file that gained a character outside that code page becomes UTF-8.
bool CIniFile::Save() const {
    if (m_FileName.isEmpty())
        return false;
    const QString text = m_Lines.join(m_Crlf ? QStringLiteral("\r\n") : QStringLiteral("\n"));
    QByteArray bytes;
    switch (m_Encoding) {
    case Encoding::Utf8:
        bytes = text.toUtf8();
        break;
    case Encoding::Utf8Bom:
        bytes = "\xEF\xBB\xBF" + text.toUtf8();
        break;
    case Encoding::Utf16Le:
        bytes = QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom)(text);
        break;
    case Encoding::Utf16Be:
        bytes = QStringEncoder(QStringConverter::Utf16BE, QStringConverter::Flag::WriteBom)(text);
        break;
    case Encoding::Windows1252:
        if (!ToWindows1252(text, bytes))
            bytes = text.toUtf8();
        break;
    }
    if (bytes.size() > MaxFileSize)
        return false; // it could not be read back
    QSaveFile file(m_FileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size())
        return false;
    return file.commit();
}
