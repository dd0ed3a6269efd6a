#pragma once
// The inventory of `swpctl apply`: the desired state of many devices in one
// YAML or JSON file. Defaults first, then the devices by MAC (or by name),
// each with any of: device mode, DHCP or a static address, the access point
// profile, the station profile, and the password to log in with. Passwords
// and keys are written in the file or named by reference: {env: NAME} or
// {file: PATH} (a file only its owner may read). Every value passes the same
// checks as the options of set-ip, set-wireless and set-station; a file with
// any error yields no devices and one line per error, "FILE:LINE: message".

#include "tools/swpctl/options.h"
#include "tools/swpctl/validate.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

namespace swpctl {

struct DesiredAddress {
    bool dhcp = false;
    StaticAddress address; // when not dhcp
};

struct DesiredDevice {
    int line = 0; // where the entry begins in the file
    bool hasMac = false;
    uint8_t mac[6] = {};
    QString name; // the device's name: how it is found when no MAC is given
    QString password = QStringLiteral("tosca");
    std::optional<int> deviceMode; // DEVICE_AP or DEVICE_WBRIDGE
    std::optional<DesiredAddress> ip;
    std::optional<WirelessOptions> accessPoint; // the profile while it runs as access point
    std::optional<WirelessOptions> station;     // the profile while it runs as AP client
    // The mode whose profile the device's own entry gives (0: only defaults).
    int ownProfileMode = 0;

    // The MAC, or the name when the entry has none.
    QString Label() const;
};

struct Inventory {
    std::vector<DesiredDevice> devices;
};

// Reads the file (JSON when its name ends in .json, else YAML). False with
// the errors when anything is wrong.
bool LoadInventory(const QString& path, Inventory& out, QStringList& errors);
// The same on text; name is used in the messages, folder for {file: PATH}.
bool ParseInventory(const QByteArray& text, bool json, const QString& name, const QString& folder,
                    Inventory& out, QStringList& errors);

} // namespace swpctl
