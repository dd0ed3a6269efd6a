#pragma once
// The exit codes of swpctl, so scripts can tell the outcomes apart.

namespace swpctl {

enum ExitCode : int {
    kExitOk = 0,
    kExitOther = 1,            // no adapter, a file that cannot be written ...
    kExitInvalidArguments = 2, // also: several devices found and no --device
    kExitNoDevice = 3,         // nothing answered the discovery, or --device not among them
    kExitLoginRefused = 4,     // the device refused the login (wrong password)
    kExitTimeout = 5,          // the device did not answer within the wait
    kExitRefused = 6,          // the device refused the setting
    kExitWpsFailed = 7,        // WPS pairing failed or gave no final status in time
    kExitBadReply = 8,         // a reply that cannot be used: a configuration without any value,
                               // a login reply naming an unusable port
    kExitSomeFailed = 9,       // apply: a device failed or was not found
    // doctor: the cause it found (diagnosis/finding.cpp gives them)
    kExitNoAdapter = 10,
    kExitPortInUse = 11,
    kExitFirewall = 12,
    kExitReversePath = 13,
    kExitReceiveBuffer = 14,
    kExitForeignSubnet = 15,
    kExitAdapterDown = 16,
    kExitDiffers = 17,  // apply --check: some devices differ from the file
    kExitDeadline = 18, // --timeout: the run was ended at its deadline
};

} // namespace swpctl
