#pragma once
// The device side of the rate measurement, run in a device namespace: it
// sends ready-made, enciphered get-configuration replies to the host socket as
// fast as the system takes them, a batch per command.
//
// Protocol on standard input / output, one line each:
//   "ready"                 once its socket is open
//   "send K"   ->  "sent K errors E"
//   end of input ends it.

#include <QString>
#include <cstdint>
#include <vector>

namespace bench {

// A get-configuration reply of a typical access point, as a device sends it:
// sender MAC deviceMac, payload enciphered with password.
std::vector<uint8_t> BuildConfigReply(const uint8_t deviceMac[6], const QString& password);

// Runs the sender until its input ends; returns the exit code.
int RunReplySender(const QString& target, uint16_t port, const QString& password);

} // namespace bench
