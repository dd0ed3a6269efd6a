#pragma once
// The command line of swpctl: the command, its arguments and options, checked
// as the wizard pages check what the user types. Checks that need the device
// (its mode, its channel list, the local address it answered on) are made by
// the session once it knows them.

#include "tools/swpctl/validate.h"

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

// The profile options of set-wireless and set-station, already checked.
struct WirelessOptions {
    QByteArray ssid;
    std::optional<int> channel;     // set-wireless only; 0 lets the device choose
    int wirelessMode = 9;           // the wizard's default: b/g/n mixed
    bool wirelessModeGiven = false; // the devices never report it, so it is never compared
    int security = 0;               // 0 none, 1 WEP, 2 WPA-PSK
    std::optional<int> auth;        // WEP: 0 open, 1 shared, 2 auto
    int wepKeyLen = 0;              // WEP: 0 64 bit, 1 128 bit (from the key's length)
    QByteArray key;                 // WEP key (hex in upper case) or pre-shared key
    int wpaMode = 2;                // WPA-PSK: 0 WPA, 1 WPA2, 2 either
    std::optional<int> cipher;      // WPA-PSK: 0 TKIP, 1 AES, 2 both; default from the mode
};

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
    QStringList only;      // --only: MACs in the form of FormatMAC, and names of the file

    // Remarks for the user about what was adjusted (printed on stderr).
    QStringList notes;
};

// The profile settings of set-wireless and set-station by name ("ssid",
// "channel", "mode", "security", "auth", "key", "wpa-mode", "cipher"), checked
// as the profile pages check them; the inventory of apply passes its own.
// shown(name) is how the user wrote the setting, for the messages.
bool CheckWirelessSettings(const QMap<QString, QString>& values, bool station,
                           const std::function<QString(const QString&)>& shown,
                           WirelessOptions& out, QString& error);

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
