#include "pages/licensetext.h"

#include "pages/rtfdocument.h"
#include "settings/textutil.h"

#include <QFile>
#include <QTextDocument>

namespace {

constexpr qint64 kMaxLicenseBytes = 8 * 1024 * 1024;

} // namespace

bool ReadLicenseText(const QString& path, QTextDocument& document) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.read(kMaxLicenseBytes);
    if (bytes.startsWith("{\\rtf"))
        RtfToDocument(bytes, document);
    else
        document.setPlainText(DecodeText(bytes));
    return true;
}
