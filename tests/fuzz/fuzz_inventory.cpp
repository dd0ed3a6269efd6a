// Feeds arbitrary bytes to the inventory reader of swpctl apply, as YAML and
// as JSON. Whatever the bytes, the reader either gives devices and no error or
// no device and errors that name the file; no error ever holds a secret read
// from the environment or from a private file ({env: FUZZ_KEY}, {file: key}),
// and every text it gives is what the bytes say (no replacement character
// unless the bytes hold one).

#include "tools/swpctl/inventory.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

namespace {

constexpr char kSecret[] = "fuzz-secret-7d1f";

// A folder with a private key file, and the same secret in the environment.
QString SecretFolder() {
    static const QTemporaryDir folder;
    static const bool written = [] {
        QFile key(folder.filePath(QStringLiteral("key")));
        const bool ok = key.open(QIODevice::WriteOnly) && key.write(kSecret) > 0;
        key.close();
        key.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        qputenv("FUZZ_KEY", kSecret);
        return ok;
    }();
    return written ? folder.path() : QStringLiteral("/nonexistent");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString folder = SecretFolder();
    // Written as it is, or as an escape of either kind.
    const bool replacement = bytes.contains("\xEF\xBF\xBD") || bytes.toLower().contains("fffd");
    for (const bool json : {false, true}) {
        swpctl::Inventory inventory;
        QStringList errors;
        const bool ok = swpctl::ParseInventory(bytes, json, QStringLiteral("fuzz.yml"), folder,
                                               inventory, errors);
        if (ok != errors.isEmpty() || ok == inventory.devices.empty())
            __builtin_trap();
        for (const QString& error : errors)
            if (!error.startsWith(QLatin1String("fuzz.yml:")) ||
                error.contains(QLatin1String(kSecret)))
                __builtin_trap();
        for (const swpctl::DesiredDevice& device : inventory.devices)
            if (!replacement && (device.name.contains(QChar::ReplacementCharacter) ||
                                 device.password.contains(QChar::ReplacementCharacter)))
                __builtin_trap();
    }
    return 0;
}
