#include "tools/swpctl/devicecache.h"

#include "settings/textutil.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(text);
    return file.commit();
}

} // namespace swpctl
