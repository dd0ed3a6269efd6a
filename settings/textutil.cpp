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

QString PrintableText(const QString& text) {
    const auto hidden = [](QChar c) {
        const ushort u = c.unicode();
        return u < 0x20 || (u >= 0x7F && u < 0xA0) || c.category() == QChar::Other_Format ||
               c.category() == QChar::Separator_Line || c.category() == QChar::Separator_Paragraph;
    };
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            const char32_t code = QChar::surrogateToUcs4(c, text.at(i + 1));
            if (QChar::category(code) == QChar::Other_Format)
                out += QStringLiteral("\\u{%1}").arg(uint(code), 4, 16, QLatin1Char('0'));
            else
                out += text.mid(i, 2);
            ++i;
        } else if (c.isSurrogate()) {
            out += QStringLiteral("\\u{%1}").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        } else if (c.unicode() < 0x100 && hidden(c)) {
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        } else if (hidden(c)) {
            out += QStringLiteral("\\u{%1}").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
    return out;
}
