// Feeds arbitrary bytes to the inventory reader of swpctl apply, as YAML and
// as JSON. Whatever the bytes, the reader either gives devices and no error or
// no device and errors that name the file.

#include "tools/swpctl/inventory.h"

#include <QByteArray>
#include <QStringList>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const bool json : {false, true}) {
        swpctl::Inventory inventory;
        QStringList errors;
        const bool ok = swpctl::ParseInventory(bytes, json, QStringLiteral("fuzz.yml"),
                                               QStringLiteral("/nonexistent"), inventory, errors);
        if (ok != errors.isEmpty() || ok == inventory.devices.empty())
            __builtin_trap();
        for (const QString& error : errors)
            if (!error.startsWith(QLatin1String("fuzz.yml:")))
                __builtin_trap();
    }
    return 0;
}
