// Feeds arbitrary bytes to the INI reader and reads from the result. The first
// two lines of the input also name the section and key that are looked up, so
// that lookups hit what the input defines.

#include "settings/inifile.h"

#include <QByteArray>
#include <QStringList>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    CIniFile ini{QString()};
    ini.Parse(bytes);

    const QList<QByteArray> lines = bytes.left(512).split('\n');
    const QString section = QString::fromUtf8(lines.value(0)).remove(u'[').remove(u']').trimmed();
    const QString key = QString::fromUtf8(lines.value(1)).section(u'=', 0, 0).trimmed();

    for (const QString& s : {section, QStringLiteral("S"), QString()}) {
        const QString value = ini.ReadString(s, key, QStringLiteral("def"));
        if (value.size() >= CIniFile::StringBufferSize)
            __builtin_trap();
        if (ini.ReadWideString(s, key, value).size() >= CIniFile::WideBufferSize)
            __builtin_trap();
        (void)ini.ReadInteger(s, key, -1);
        (void)ini.ReadBool(s, key, true);
        (void)ini.SectionExists(s);
        QStringList list;
        ini.ReadSectionValues(s, list);
    }
    // Writes refuse a reader without a file but still work out the new text.
    ini.WriteString(section, key, QStringLiteral("value"));
    return 0;
}
