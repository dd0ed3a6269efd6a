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

// Asks for a secret without echo on a terminal; nothing when there is no
// terminal or the user gives nothing.
using SecretPrompt = std::function<std::optional<QString>(const QString& question)>;

struct CtlOptions {
    Command command = Command::None;
    bool help = false;
    QString helpTopic; // with help: a command's name, "exit-codes", or empty for all
    bool version = false;
    bool json = false;
    int timeoutMs = 0; // --timeout: the whole run ends by then; 0 none

    bool hasDevice = false;
    uint8_t deviceMac[6] = {};
    QString password = QStringLiteral("tosca");
    // False while the password is the default: it is asked for once the
    // device is known (AskPassword).
    bool passwordGiven = false;
    SecretPrompt prompt;
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


// A new wireless key typed on the terminal: asked twice, as a typing error in
// a hidden key would otherwise reach the device. key stays empty when nothing
// was typed; false with error when the two answers differ.
bool AskNewKey(const SecretPrompt& prompt, const QString& question, std::optional<QString>& key,
               QString& error);

// Parses args (without the program name). False with a one-line message when
// something is wrong; --help and --version are always accepted.
// The password of a command that logs in comes from, in this order:
// --password-file, --password (with a warning: every user reads it),
// SWP_PASSWORD, the prompt once the device is known, "tosca". The wireless
// key likewise from --key-file, --key (warned), SWP_KEY, the prompt (asked
// twice). When more than one was given, a note says which one is used.
bool ParseOptions(const QStringList& args, CtlOptions& options, QString& error,
                  const SecretPrompt& prompt = {});

// The password of a command that logs in to device (its DeviceLine), asked
// for on the terminal when none was given; an empty answer keeps "tosca".
// False with the reason when the typed one cannot be a password.
bool AskPassword(CtlOptions& options, const QString& device, QString& error);

// Whether args ask for JSON (-j, --json), for the document of a command line
// that cannot be parsed.
bool WantsJson(const QStringList& args);

// The texts of --help: every command on one screen, one command in full,
// the exit codes; and --version.
QString HelpText();
QString CommandHelp(Command command);
QString ExitCodesText();
QString VersionText();
// What --help or help TOPIC prints; empty for an unknown topic.
QString HelpFor(const QString& topic);

} // namespace swpctl
