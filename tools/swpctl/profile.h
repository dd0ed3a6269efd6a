#pragma once
// The wireless profile swpctl sends: the profile the device reported with the
// settings the user named in place, as the profile pages leave it in NewWl.

#include "settings/records.h"
#include "tools/swpctl/wirelessoptions.h"

#include <QString>

namespace swpctl {

// channel 0 (the device chooses) or one of the device's list, when it sent one.
bool CheckChannel(int channel, const WirelessProfile& current, QString& error);

// The security the profile has once sent: the one named, or the device's.
int SecurityAfter(const WirelessOptions& named, const WirelessProfile& current);
// Whether sending the profile needs a key that was not named: the devices
// never report their key, and WEP and WPA-PSK profiles carry one.
bool KeyMissing(const WirelessOptions& named, const WirelessProfile& current);

// The profile to send: current with the named settings in place. What the
// security keeps (auth; WPA mode, cipher) stays as the device reported it
// while the security stays; a security that changes starts from the wizard's
// defaults (auth auto on an access point, open on a client; WPA mode either;
// the cipher the WPA mode implies). The wireless mode, never reported, is the
// one named or b/g/n. A key or setting named without the security is checked
// against the security kept: false with the reason when it does not fit.
bool ProfileToSend(const WirelessOptions& named, bool station, const WirelessProfile& current,
                   WirelessProfile& out, QString& error);

} // namespace swpctl
