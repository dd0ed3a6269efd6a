#include "tools/swpctl/devicecache.h"

#include "settings/privatefile.h"
#include "settings/textutil.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace swpctl {

QString DeviceCachePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/swpctl/devices");
}

bool SaveDeviceCache(const QString& path, const std::vector<DeviceRecord>& devices) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QByteArray text;
    for (const DeviceRecord& device : devices)
        text += FormatMAC(device.MAC).toLatin1() + '\n';
    // Replaced, never written through a link planted at its place (a run as
    // root with a user's HOME would otherwise overwrite any file).
    return privatefile::Save(path, text);
}

} // namespace swpctl
