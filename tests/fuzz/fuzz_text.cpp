// Any bytes through PrintableText, the one escaping of text a device or
// another user controls: as bytes (a device's field), as UTF-8 text and as
// UTF-16 text (which may hold lone surrogates). What comes out holds nothing
// a terminal or a window would obey or hide, and is left as it is when
// escaped again.

#include "settings/textutil.h"

#include <QString>
#include <cstddef>
#include <cstdint>

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

void CheckPrintable(const QString& out) {
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out.at(i);
        const char16_t u = c.unicode();
        Check(u >= 0x20 && !(u >= 0x7F && u < 0xA0));
        if (c.isHighSurrogate()) {
            Check(i + 1 < out.size() && out.at(i + 1).isLowSurrogate());
            const char32_t code = QChar::surrogateToUcs4(c, out.at(i + 1));
            Check(QChar::category(code) != QChar::Other_Format);
            ++i;
            continue;
        }
        Check(!c.isSurrogate());
        Check(c.category() != QChar::Other_Format && c.category() != QChar::Separator_Line &&
              c.category() != QChar::Separator_Paragraph);
    }
    Check(PrintableText(out) == out);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto* bytes = reinterpret_cast<const char*>(data);
    const QString fromBytes = PrintableText(bytes, size);
    CheckPrintable(fromBytes);
    // Nothing is lost: each input byte is shown as itself or in an escape.
    Check(fromBytes.size() >= static_cast<qsizetype>(size) / 4);
    CheckPrintable(PrintableText(QString::fromUtf8(bytes, static_cast<qsizetype>(size))));
    CheckPrintable(PrintableText(QString::fromUtf16(reinterpret_cast<const char16_t*>(data),
                                                    static_cast<qsizetype>(size / 2))));
    return 0;
}
