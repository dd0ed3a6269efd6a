#include "settings/textutil.h"

#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstring>

QString FormatMAC(const uint8_t mac[6]) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    return QString::fromLatin1(text);
}

bool ParseMAC(const QString& text, uint8_t mac[6]) {
    if (text.size() != 17)
        return false;
    uint8_t value[6];
    for (int n = 0; n < 6; ++n) {
        if (n > 0 && text[n * 3 - 1] != QLatin1Char(':') && text[n * 3 - 1] != QLatin1Char('-'))
            return false;
        const QString pair = text.mid(n * 3, 2);
        if (!IsHexText(pair))
            return false;
        value[n] = static_cast<uint8_t>(pair.toUInt(nullptr, 16));
    }
    std::copy(value, value + 6, mac);
    return true;
}

QString DottedText(uint32_t address) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}

bool ParseDotted(const QString& text, uint32_t& address) {
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    uint32_t result = 0;
    for (const QString& part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return false;
        for (QChar c : part)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        const uint number = part.toUInt();
        if (number > 255)
            return false;
        result = (result << 8) | number;
    }
    address = result;
    return true;
}

bool IsHexText(const QString& text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        const bool hex = (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f');
        if (!hex)
            return false;
    }
    return true;
}

size_t CopyBounded(char* dst, size_t size, const char* src, size_t srcLen) {
    if (size == 0)
        return 0;
    const size_t n = srcLen < size - 1 ? srcLen : size - 1;
    if (n > 0)
        std::memmove(dst, src, n);
    std::memset(dst + n, 0, size - n);
    return n;
}

size_t CopyBounded(char* dst, size_t size, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    size_t length = static_cast<size_t>(bytes.size());
    if (size > 0 && length > size - 1) {
        // Cut on a character boundary: never leave half of a UTF-8 sequence.
        length = size - 1;
        while (length > 0 &&
               (static_cast<uint8_t>(bytes[static_cast<qsizetype>(length)]) & 0xC0) == 0x80)
            --length;
    }
    return CopyBounded(dst, size, bytes.constData(), length);
}

namespace {
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
} // namespace

QString FromWindows1252(const char* bytes, size_t length) {
    QString text(static_cast<qsizetype>(length), Qt::Uninitialized);
    QChar* out = text.data();
    for (size_t i = 0; i < length; ++i) {
        const auto c = static_cast<uint8_t>(bytes[i]);
        out[i] = (c >= 0x80 && c <= 0x9F) ? QChar(kCp1252High[c - 0x80]) : QChar(c);
    }
    return text;
}

bool ToWindows1252(const QString& text, QByteArray& bytes) {
    bytes.resize(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            bytes[i] = static_cast<char>(u);
            continue;
        }
        int found = -1;
        for (int k = 0; k < 32 && found < 0; ++k)
            if (kCp1252High[k] == u)
                found = k;
        if (found < 0)
            return false;
        bytes[i] = static_cast<char>(0x80 + found);
    }
    return true;
}

QString DecodeText(const QByteArray& bytes) {
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(view);
    if (!utf8.hasError())
        return text;
    return FromWindows1252(view.data(), static_cast<size_t>(view.size()));
}

bool DecodeUtf8Strictly(QByteArrayView bytes, QString& text) {
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString decoded = utf8.decode(bytes);
    if (utf8.hasError())
        return false;
    text = std::move(decoded);
    return true;
}

namespace {

// What a terminal, a window or a trace reader would obey or not show: the
// controls (C0, DEL, C1) and the invisible format characters that reorder
// or hide text (bidirectional overrides and isolates, zero-width marks, tag
// characters, line and paragraph separators).
bool Hidden(char32_t code) {
    if (code < 0x20 || (code >= 0x7F && code < 0xA0))
        return true;
    const QChar::Category category = QChar::category(code);
    return category == QChar::Other_Format || category == QChar::Separator_Line ||
           category == QChar::Separator_Paragraph;
}

void AppendPrintable(QString& out, char32_t code) {
    if (code < 0x100 && Hidden(code))
        out += QStringLiteral("\\x%1").arg(uint(code), 2, 16, QLatin1Char('0'));
    else if (Hidden(code) || (code >= 0xD800 && code <= 0xDFFF))
        out += QStringLiteral("\\u{%1}").arg(uint(code), 4, 16, QLatin1Char('0'));
    else if (QChar::requiresSurrogates(code))
        out += QString::fromUcs4(&code, 1);
    else
        out += QChar(static_cast<char16_t>(code));
}

// The length of the UTF-8 sequence at bytes[0, length) and its character, or
// 0 when it is no valid sequence (cut short, overlong, a surrogate, beyond
// U+10FFFF).
size_t Utf8Sequence(const uint8_t* bytes, size_t length, char32_t& code) {
    const uint8_t lead = bytes[0];
    size_t size = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        size = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        size = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        size = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (size > length)
        return 0;
    for (size_t i = 1; i < size; ++i) {
        if ((bytes[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (bytes[i] & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[size] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return size;
}

} // namespace

QString PrintableText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            AppendPrintable(out, QChar::surrogateToUcs4(c, text.at(i + 1)));
            ++i;
        } else {
            AppendPrintable(out, c.unicode());
        }
    }
    return out;
}

QString PrintableText(const char* bytes, size_t length) {
    QString out;
    out.reserve(static_cast<qsizetype>(length));
    const auto* data = reinterpret_cast<const uint8_t*>(bytes);
    for (size_t i = 0; i < length;) {
        char32_t code = 0;
        const size_t size = Utf8Sequence(data + i, length - i, code);
        if (size == 0) {
            out += QStringLiteral("\\x%1").arg(uint(data[i]), 2, 16, QLatin1Char('0'));
            ++i;
            continue;
        }
        AppendPrintable(out, code);
        i += size;
    }
    return out;
}
