#pragma once
// The MACs of the last discovery, one a line, kept for the shell: the bash
// completion of --device offers them. Only a convenience, so a cache that
// cannot be written never fails a command.

#include "settings/records.h"

#include <QString>
#include <vector>

namespace swpctl {

// $XDG_CACHE_HOME/swpctl/devices (~/.cache/swpctl/devices when unset).
QString DeviceCachePath();

// Replaces the file's content with the devices' MACs ("02:5A:00:00:00:01"),
// creating its folder. False when it cannot be written.
bool SaveDeviceCache(const QString& path, const std::vector<DeviceRecord>& devices);

} // namespace swpctl
