// Feeds arbitrary bytes to the JPEG decoder: it must never crash, exit or read
// out of bounds, and a picture it returns stays within its limits.

#include "settingsui/jpegimage.h"

// The settings libraries are built without coverage instrumentation; compiling
// the decoder here lets its branches guide the fuzzer. The library's copy is
// then not linked in, as every symbol it defines is already defined here.
#include "settings/jpegimage.cpp"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

volatile quint32 g_Sink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    const QImage image = Jpeg::Decode(bytes, &error);
    if (image.isNull()) {
        if (error.isEmpty())
            __builtin_trap(); // a failure always names its reason
        return 0;
    }
    if (!error.isEmpty() || image.format() != QImage::Format_RGB32 ||
        image.width() > Jpeg::MaxSide || image.height() > Jpeg::MaxSide ||
        static_cast<qint64>(image.width()) * image.height() > Jpeg::MaxPixels)
        __builtin_trap();
    // touch every pixel so that a short buffer would show
    quint32 sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            sum += row[x];
    }
    g_Sink = sum;
    return 0;
}
