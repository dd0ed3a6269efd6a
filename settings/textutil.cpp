#include "settings/textutil.h"

#include <cstdio>
#include <cstring>

QString FormatMAC(const uint8_t mac[6]) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    return QString::fromLatin1(text);
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
        while (length > 0 && (static_cast<uint8_t>(bytes[static_cast<qsizetype>(length)]) & 0xC0) == 0x80)
            --length;
    }
    return CopyBounded(dst, size, bytes.constData(), length);
}
