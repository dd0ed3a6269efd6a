#pragma once
// The wireless profile swpctl sends: what the profile pages leave in NewWl
// for the given settings, on top of the profile the device reported.

#include "settings/records.h"
#include "tools/swpctl/options.h"

#include <QString>

namespace swpctl {

// channel 0 (the device chooses) or one of the device's list, when it sent one.
bool CheckChannel(int channel, const WirelessProfile& current, QString& error);

// The profile to send; a channel not given is 0 (the device chooses).
WirelessProfile ProfileToSend(const WirelessOptions& options, bool station,
                              const WirelessProfile& current);

} // namespace swpctl
