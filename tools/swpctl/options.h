#pragma once
// The command line of swpctl: the command, its arguments and options, checked
// as the wizard pages check what the user types. Checks that need the device
// (its mode, its channel list, the local address it answered on) are made by
// the session once it knows them.

#include "tools/swpctl/validate.h"
#include "tools/swpctl/wirelessoptions.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

namespace swpctl {

enum class Command {
    None,
    Discover,
    Show,
    SetIp,
    SetWireless,
    SetStation,
    SetMode,
    Survey,
    ClientPin,
    WpsPbc,
    WpsPin,
    Doctor,
    Apply,
};

const char* CommandName(Command command);

struct CtlOptions {
    Command command = Command::None;
    bool help = false;
    bool json = false;

    bool hasDevice = false;
    uint8_t deviceMac[6] = {};
    QString password = QStringLiteral("tosca");
    QString adapter; // IPv4 address of the one adapter to use; empty: all
    QString logFile; // --log
    int speedup = 1; // --speedup (tests)
    // --capture: the pcapng file of every datagram sent and received
    QString captureFile;

    // set-ip
    bool dhcp = false;
    StaticAddress address;

    WirelessOptions wireless;

    // set-mode
    int deviceMode = 0; // DEVICE_AP or DEVICE_WBRIDGE

    // wps-pin
    std::optional<int> pin;
    std::optional<QByteArray> wpsSsid;

    // apply
    QString inventoryFile;
    bool check = false;
    bool sendKeys = false; // send a profile for its key or wireless mode alone
    bool all = false;      // --all: also read the devices that answer and are not in the file
    QStringList only;      // --only: MACs in the form of FormatMAC, and names of the file

    // Remarks for the user about what was adjusted (printed on stderr).
    QStringList notes;
};

// Asks for a secret without echo on a terminal; nothing when there is no
// terminal or the user gives nothing.
using SecretPrompt = std::function<std::optional<QString>(const QString& question)>;

// Parses args (without the program name). False with a one-line message when
// something is wrong; --help alone is always accepted.
// The password of a command that logs in comes from, in this order:
// --password-file, SWP_PASSWORD, --password (with a warning: every user
// reads it), the prompt, "tosca". The wireless key likewise from --key-file,
// SWP_KEY, --key (warned), the prompt.
bool ParseOptions(const QStringList& args, CtlOptions& options, QString& error,
                  const SecretPrompt& prompt = {});

// The usage text, with the exit codes.
QString HelpText();

} // namespace swpctl
