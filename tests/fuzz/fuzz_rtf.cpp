// Feeds arbitrary bytes to the RTF reader of the license page. The document
// is not laid out: Qt's font caches would count as leaks.

#include "pages/rtfdocument.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QTextDocument>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QGuiApplication app(*argc, *argv); // documents need fonts
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QTextDocument document;
    RtfToDocument(bytes, document);
    (void)document.toHtml();
    return 0;
}
