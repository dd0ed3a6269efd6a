#include "tools/swpctl/options.h"

#include "protocol/iphelp.h"
#include "settings/privatefile.h"
#include "settings/records.h"
#include "settings/textutil.h"

#include <QMap>
#include <QSet>
#include <algorithm>

namespace swpctl {

namespace {

struct CommandInfo {
    Command command;
    const char* name;
};

const CommandInfo kCommands[] = {
    {Command::Discover, "discover"},      {Command::Show, "show"},
    {Command::SetIp, "set-ip"},           {Command::SetWireless, "set-wireless"},
    {Command::SetStation, "set-station"}, {Command::SetMode, "set-mode"},
    {Command::Survey, "survey"},          {Command::ClientPin, "client-pin"},
    {Command::WpsPbc, "wps-pbc"},         {Command::WpsPin, "wps-pin"},
    {Command::Doctor, "doctor"},          {Command::Apply, "apply"},
};

const QSet<QString> kValueOptions = {
    QStringLiteral("--device"),   QStringLiteral("--password"), QStringLiteral("--password-file"),
    QStringLiteral("--adapter"),  QStringLiteral("--log"),      QStringLiteral("--speedup"),
    QStringLiteral("--ssid"),     QStringLiteral("--channel"),  QStringLiteral("--mode"),
    QStringLiteral("--security"), QStringLiteral("--auth"),     QStringLiteral("--key"),
    QStringLiteral("--key-file"), QStringLiteral("--wpa-mode"), QStringLiteral("--cipher"),
    QStringLiteral("--only"),     QStringLiteral("--capture"),  QStringLiteral("--timeout"),
};
// A password or key file holds no more than this.
constexpr qint64 kMaxSecretSize = 4096;
const QSet<QString> kFlagOptions = {QStringLiteral("--json"), QStringLiteral("--help"),
                                    QStringLiteral("--version"), QStringLiteral("--check"),
                                    QStringLiteral("--send-keys")};
const QSet<QString> kGlobalOptions = {
    QStringLiteral("--device"),  QStringLiteral("--password"), QStringLiteral("--password-file"),
    QStringLiteral("--adapter"), QStringLiteral("--log"),      QStringLiteral("--speedup"),
    QStringLiteral("--help"),    QStringLiteral("--capture"),  QStringLiteral("--json"),
    QStringLiteral("--timeout"), QStringLiteral("--version"),
};
// The short forms of the options used most.
const QMap<QString, QString> kShortOptions = {
    {QStringLiteral("-h"), QStringLiteral("--help")},
    {QStringLiteral("-d"), QStringLiteral("--device")},
    {QStringLiteral("-j"), QStringLiteral("--json")},
    {QStringLiteral("-a"), QStringLiteral("--adapter")},
};
// --timeout takes at most a day.
constexpr double kMaxTimeoutSeconds = 86400;

// The options a command takes beside the global ones.
QSet<QString> CommandOptions(Command command) {
    switch (command) {
    case Command::SetWireless:
        return {
            QStringLiteral("--ssid"),     QStringLiteral("--channel"),  QStringLiteral("--mode"),
            QStringLiteral("--security"), QStringLiteral("--auth"),     QStringLiteral("--key"),
            QStringLiteral("--key-file"), QStringLiteral("--wpa-mode"), QStringLiteral("--cipher")};
    case Command::SetStation:
        return {QStringLiteral("--ssid"),     QStringLiteral("--mode"),
                QStringLiteral("--security"), QStringLiteral("--auth"),
                QStringLiteral("--key"),      QStringLiteral("--key-file"),
                QStringLiteral("--wpa-mode"), QStringLiteral("--cipher")};
    case Command::WpsPin:
        return {QStringLiteral("--ssid")};
    case Command::Apply:
        return {QStringLiteral("--check"), QStringLiteral("--only"), QStringLiteral("--send-keys")};
    default:
        return {};
    }
}

// Wireless mode names and their codes, in code order.
const char* const kModeNames[] = {"bg", "b", "a", "abg", "g", "abgn", "n", "gn", "an", "bgn"};

bool Choice(const QString& text, std::initializer_list<const char*> names, int& value) {
    int code = 0;
    for (const char* name : names) {
        if (text.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) {
            value = code;
            return true;
        }
        ++code;
    }
    return false;
}

bool WirelessModeCode(const QString& text, int& mode) {
    bool number = false;
    const int code = text.toInt(&number);
    if (number) {
        if (code < 0 || code > 9)
            return false;
        mode = code;
        return true;
    }
    QString name = text.toLower();
    name.remove(QLatin1Char('/'));
    for (int n = 0; n < 10; ++n) {
        if (name == QLatin1String(kModeNames[n])) {
            mode = n;
            return true;
        }
    }
    return false;
}

// The commands that log in to a device.
bool LogsIn(Command command) {
    return command != Command::Discover && command != Command::Doctor && command != Command::Apply;
}

class CParser {
public:
    CParser(CtlOptions& options, QString& error, const SecretPrompt& prompt)
        : m_Options(options), m_Error(error), m_Prompt(prompt) {}

    bool Run(const QStringList& args) {
        const bool split = Split(args);
        const QString name = m_Positional.value(0);
        for (const CommandInfo& info : kCommands)
            if (name == QLatin1String(info.name))
                m_Options.command = info.command;
        // Where to look for the options: the command's own help, or the list.
        const QString helpHint = m_Options.command == Command::None
                                     ? QStringLiteral("swpctl --help")
                                     : QStringLiteral("swpctl %1 --help").arg(name);
        if (!m_Unknown.isEmpty())
            return Fail(QStringLiteral("unknown option %1 (%2 lists the options)")
                            .arg(m_Unknown, helpHint));
        if (!split)
            return false;
        if (Has("--version")) {
            m_Options.version = true;
            return true;
        }
        if (name == QLatin1String("help")) {
            m_Options.help = true;
            m_Options.helpTopic = m_Positional.value(1);
            if (m_Positional.size() > 2 || HelpFor(m_Options.helpTopic).isEmpty())
                return Fail(QStringLiteral("help: a command is expected, not \"%1\" (swpctl "
                                           "--help lists them)")
                                .arg(m_Positional.mid(1).join(QLatin1Char(' '))));
            return true;
        }
        if (!name.isEmpty() && m_Options.command == Command::None)
            return Fail(
                QStringLiteral("unknown command \"%1\" (swpctl --help lists them)").arg(name));
        if (Has("--help")) {
            m_Options.help = true;
            m_Options.helpTopic = name;
            return true;
        }
        if (name.isEmpty())
            return Fail(QStringLiteral("no command given (swpctl --help lists them)"));
        m_Positional.removeFirst();
        const QSet<QString> allowed = CommandOptions(m_Options.command);
        for (auto it = m_Values.cbegin(); it != m_Values.cend(); ++it)
            if (!kGlobalOptions.contains(it.key()) && !allowed.contains(it.key()))
                return Fail(QStringLiteral("%1 is not an option of %2 (%3 lists its options)")
                                .arg(it.key(), name, helpHint));
        return Globals() && CommandArguments();
    }

private:
    bool Fail(const QString& message) {
        m_Error = message;
        return false;
    }

    // Options and their values apart from the arguments. An unknown option
    // is kept for Run, which names it with the help that lists the options.
    bool Split(const QStringList& args) {
        bool optionsEnded = false;
        for (int n = 0; n < args.size(); ++n) {
            QString arg = args[n];
            if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
                m_Positional.append(arg);
                continue;
            }
            if (arg == QLatin1String("--")) {
                optionsEnded = true;
                continue;
            }
            arg = kShortOptions.value(arg, arg);
            if (!arg.startsWith(QLatin1String("--"))) {
                if (m_Unknown.isEmpty())
                    m_Unknown = arg;
                continue;
            }
            QString value;
            const qsizetype equals = arg.indexOf(QLatin1Char('='));
            const bool inlineValue = equals > 0;
            if (inlineValue) {
                value = arg.mid(equals + 1);
                arg = arg.left(equals);
            }
            if (kFlagOptions.contains(arg)) {
                if (inlineValue)
                    return Fail(QStringLiteral("%1 takes no value").arg(arg));
            } else if (kValueOptions.contains(arg)) {
                if (!inlineValue) {
                    if (n + 1 >= args.size())
                        return Fail(QStringLiteral("%1 needs a value").arg(arg));
                    value = args[++n];
                }
            } else {
                if (m_Unknown.isEmpty())
                    m_Unknown = arg;
                continue;
            }
            if (m_Values.contains(arg))
                return Fail(QStringLiteral("%1 is given twice").arg(arg));
            m_Values.insert(arg, value);
        }
        return true;
    }

    bool Has(const char* option) const { return m_Values.contains(QLatin1String(option)); }

    // A password or key: OPTION-file, then OPTION itself (which every user
    // can read in the process list, so it is warned of), then the environment
    // variable; the command line beats the environment. none when none of
    // them gives it. what names the secret in the note on where it came from.
    bool Secret(const char* option, const char* variable, const QString& what,
                std::optional<QString>& out) {
        const QString name = QLatin1String(option);
        const QString fileOption = name + QStringLiteral("-file");
        const QString envName = QLatin1String(variable);
        const bool inFile = m_Values.contains(fileOption);
        const bool inEnvironment = qEnvironmentVariableIsSet(variable);
        if (inFile && Has(option))
            return Fail(
                QStringLiteral("%1 and %2 are one too many: give one").arg(fileOption, name));
        if ((inFile || Has(option)) && inEnvironment)
            m_Options.notes.append(QStringLiteral("the %1 comes from %2; %3 is set too and is "
                                                  "not used")
                                       .arg(what, inFile ? fileOption : name, envName));
        if (inFile) {
            const QString path = m_Values.value(fileOption);
            const privatefile::ReadResult read =
                privatefile::Read(path, kMaxSecretSize, privatefile::Owner::PrivateToUser);
            if (!read.ok)
                return Fail(QStringLiteral("%1: %2 %3").arg(fileOption, path, read.error));
            QByteArray bytes = read.data;
            while (bytes.endsWith('\n') || bytes.endsWith('\r'))
                bytes.chop(1);
            QString text;
            if (!DecodeUtf8Strictly(bytes, text))
                return Fail(QStringLiteral("%1: %2 is not valid UTF-8").arg(fileOption, path));
            out = text;
            return true;
        }
        if (Has(option)) {
            m_Options.notes.append(QStringLiteral("%1 can be read by every user of this computer "
                                                  "(ps): use %2 or %3")
                                       .arg(name, fileOption, envName));
            out = Value(option);
            return true;
        }
        if (inEnvironment) {
            QString text;
            if (!DecodeUtf8Strictly(qgetenv(variable), text))
                return Fail(QStringLiteral("%1 is not valid UTF-8").arg(envName));
            out = text;
        }
        return true;
    }

    // A new wireless key typed on the terminal: asked twice, as a typing
    // error in a hidden key would otherwise reach the device.
    bool AskKey(std::optional<QString>& key) {
        if (!m_Prompt)
            return true;
        const std::optional<QString> first = m_Prompt(QStringLiteral("Wireless key: "));
        if (!first)
            return true;
        const std::optional<QString> second = m_Prompt(QStringLiteral("Wireless key again: "));
        if (!second || *second != *first)
            return Fail(QStringLiteral("the two keys typed differ: nothing was sent"));
        key = first;
        return true;
    }

    bool Adapter(const QString& given) {
        uint32_t address = 0;
        if (ParseDotted(given, address) && address != 0) {
            m_Options.adapter = DottedText(address);
            return true;
        }
        const auto adapters = CIPHelp().GetAdaptersList();
        if (adapters) {
            for (const AdapterInfo& adapter : *adapters) {
                if (adapter.Name != given)
                    continue;
                QStringList addresses;
                for (const AdapterAddress& own : adapter.Addresses)
                    if (ParseDotted(own.IP, address) && address != 0)
                        addresses.append(own.IP);
                if (addresses.size() == 1) {
                    m_Options.adapter = addresses.front();
                    return true;
                }
                if (addresses.isEmpty())
                    return Fail(QStringLiteral("--adapter: %1 has no IPv4 address").arg(given));
                return Fail(QStringLiteral("--adapter: %1 has the IPv4 addresses %2: give one "
                                           "of them")
                                .arg(given, addresses.join(QStringLiteral(", "))));
            }
        }
        return Fail(QStringLiteral("--adapter: an interface name (ip link) or an IPv4 address is "
                                   "expected; no adapter is named \"%1\"")
                        .arg(given));
    }

    QString Value(const char* option) const { return m_Values.value(QLatin1String(option)); }

    bool Globals() {
        m_Options.json = Has("--json");
        if (Has("--timeout")) {
            bool ok = false;
            const double seconds = Value("--timeout").toDouble(&ok);
            if (!ok || !(seconds > 0) || seconds > kMaxTimeoutSeconds)
                return Fail(QStringLiteral("--timeout: seconds from 0.001 to %1 are expected, not "
                                           "\"%2\"")
                                .arg(kMaxTimeoutSeconds)
                                .arg(Value("--timeout")));
            m_Options.timeoutMs = std::max(1, static_cast<int>(seconds * 1000));
        }
        if (Has("--device")) {
            if (!ParseMAC(Value("--device"), m_Options.deviceMac))
                return Fail(QStringLiteral("--device: a MAC like 02:00:00:00:00:01 is expected, "
                                           "not \"%1\"")
                                .arg(Value("--device")));
            m_Options.hasDevice = true;
        }
        if (LogsIn(m_Options.command)) {
            std::optional<QString> password;
            if (!Secret("--password", "SWP_PASSWORD", QStringLiteral("password"), password))
                return false;
            m_Options.passwordGiven = password.has_value();
            if (password)
                m_Options.password = *password;
            else
                m_Options.prompt = m_Prompt; // asked for once the device is known
            if (!CheckPassword(m_Options.password, m_Error))
                return false;
        }
        if (Has("--adapter") && !Adapter(Value("--adapter")))
            return false;
        if (Has("--log")) {
            m_Options.logFile = Value("--log");
            if (m_Options.logFile.isEmpty())
                return Fail(QStringLiteral("--log needs a file name"));
        }
        if (Has("--capture")) {
            m_Options.captureFile = Value("--capture");
            if (m_Options.captureFile.isEmpty())
                return Fail(QStringLiteral("--capture needs a file name"));
        }
        if (Has("--speedup")) {
            bool ok = false;
            m_Options.speedup = Value("--speedup").toInt(&ok);
            if (!ok || m_Options.speedup < 1 || m_Options.speedup > 1000)
                return Fail(QStringLiteral("--speedup: a whole number from 1 to 1000 is expected"));
        }
        return true;
    }

    bool NoArguments() {
        if (!m_Positional.isEmpty())
            return Fail(
                QStringLiteral("%1 takes no argument (\"%2\" is one too many)")
                    .arg(QLatin1String(CommandName(m_Options.command)), m_Positional.first()));
        return true;
    }

    bool CommandArguments() {
        switch (m_Options.command) {
        case Command::SetIp:
            return SetIpArguments();
        case Command::SetWireless:
        case Command::SetStation:
            return NoArguments() && WirelessArguments();
        case Command::SetMode:
            return SetModeArguments();
        case Command::WpsPin:
            return WpsPinArguments();
        case Command::Apply:
            return ApplyArguments();
        default:
            return NoArguments();
        }
    }

    bool SetIpArguments() {
        const QStringList& a = m_Positional;
        if (a.size() == 1 && a[0] == QLatin1String("dhcp")) {
            m_Options.dhcp = true;
            return true;
        }
        if (!a.isEmpty() && a[0] == QLatin1String("static")) {
            if (a.size() < 3 || a.size() > 4)
                return Fail(QStringLiteral("usage: set-ip static IP MASK [GATEWAY]"));
            if (!ValidateStaticAddress(a[1], a[2], a.size() == 4 ? a[3] : QString(),
                                       m_Options.address, m_Error))
                return false;
            if (m_Options.address.rewritten)
                m_Options.notes.append(QStringLiteral("the final octet 255 is sent as 254: %1")
                                           .arg(m_Options.address.ipText));
            return true;
        }
        return Fail(QStringLiteral("usage: set-ip dhcp | set-ip static IP MASK [GATEWAY]"));
    }

    bool ApplyArguments() {
        // The passwords of the devices come from the file, never from the command line.
        for (const char* option : {"--password", "--password-file", "--device"})
            if (Has(option))
                return Fail(QStringLiteral("%1 is not an option of apply: the file names the "
                                           "devices and their passwords")
                                .arg(QLatin1String(option)));
        if (m_Positional.size() != 1)
            return Fail(QStringLiteral(
                "usage: apply FILE [--check] [--json] [--send-keys] [--only DEVICE,...]"));
        m_Options.inventoryFile = m_Positional[0];
        m_Options.check = Has("--check");
        m_Options.sendKeys = Has("--send-keys");
        if (Has("--only")) {
            // A MAC, or a name the file gives; the file checks the names.
            for (const QString& given : Value("--only").split(QLatin1Char(','))) {
                const QString item = given.trimmed();
                uint8_t mac[6] = {};
                if (item.isEmpty())
                    return Fail(QStringLiteral("--only: MACs or names of the file, separated by "
                                               "commas, are expected"));
                m_Options.only.append(ParseMAC(item, mac) ? FormatMAC(mac) : item);
            }
        }
        return true;
    }

    bool SetModeArguments() {
        if (m_Positional.size() == 1 && m_Positional[0] == QLatin1String("ap")) {
            m_Options.deviceMode = DEVICE_AP;
            return true;
        }
        if (m_Positional.size() == 1 && m_Positional[0] == QLatin1String("bridge")) {
            m_Options.deviceMode = DEVICE_WBRIDGE;
            return true;
        }
        return Fail(QStringLiteral("usage: set-mode ap|bridge"));
    }

    bool WpsPinArguments() {
        if (m_Positional.size() > 1)
            return Fail(QStringLiteral("usage: wps-pin PIN [--ssid SSID]"));
        if (m_Positional.size() == 1) {
            int pin = 0;
            if (!CheckPin(m_Positional[0], pin, m_Error))
                return false;
            m_Options.pin = pin;
        }
        if (Has("--ssid")) {
            const QByteArray ssid = Value("--ssid").toUtf8();
            if (!CheckWpsSSID(ssid, m_Error))
                return false;
            m_Options.wpsSsid = ssid;
        }
        if (!m_Options.pin && !m_Options.wpsSsid)
            return Fail(QStringLiteral("usage: wps-pin PIN (access point) or wps-pin --ssid SSID "
                                       "(AP client)"));
        return true;
    }

    bool WirelessArguments() {
        QMap<QString, QString> values;
        for (auto it = m_Values.cbegin(); it != m_Values.cend(); ++it)
            values.insert(it.key().mid(2), it.value());
        values.remove(QStringLiteral("key"));
        values.remove(QStringLiteral("key-file"));
        // The environment and the prompt give a key only where one is needed;
        // a key given by option is checked against the security in any case.
        int security = 0;
        Choice(Value("--security"), {"none", "wep", "wpa-psk"}, security);
        if (security != 0 || Has("--key") || Has("--key-file")) {
            std::optional<QString> key;
            if (!Secret("--key", "SWP_KEY", QStringLiteral("key"), key))
                return false;
            if (!key && security != 0) {
                if (!AskKey(key))
                    return false;
                if (!key)
                    return Fail(QStringLiteral(
                        "no wireless key: give it by --key-file FILE (readable by you only) or "
                        "SWP_KEY, or type it on a terminal (--key works too, but every user can "
                        "read it)"));
            }
            if (key)
                values.insert(QStringLiteral("key"), *key);
        }
        return CheckWirelessSettings(
            values, m_Options.command == Command::SetStation,
            [](const QString& name) { return QStringLiteral("--") + name; }, m_Options.wireless,
            m_Error);
    }

    CtlOptions& m_Options;
    QString& m_Error;
    const SecretPrompt& m_Prompt;
    QMap<QString, QString> m_Values;
    QStringList m_Positional;
    QString m_Unknown; // the first unknown option
};

} // namespace

const char* CommandName(Command command) {
    for (const CommandInfo& info : kCommands)
        if (info.command == command)
            return info.name;
    return "";
}

bool CheckWirelessSettings(const QMap<QString, QString>& values, bool station,
                           const std::function<QString(const QString&)>& shown, WirelessOptions& wl,
                           QString& error) {
    auto has = [&values](const char* name) { return values.contains(QLatin1String(name)); };
    auto value = [&values](const char* name) { return values.value(QLatin1String(name)); };
    auto n = [&shown](const char* name) { return shown(QLatin1String(name)); };
    auto fail = [&error](const QString& message) {
        error = message;
        return false;
    };
    wl = WirelessOptions{};
    if (!has("ssid"))
        return fail(QStringLiteral("%1 is required").arg(n("ssid")));
    wl.ssid = value("ssid").toUtf8();
    if (!CheckSSID(wl.ssid, error))
        return false;
    if (has("channel")) {
        bool ok = false;
        const int channel = value("channel").toInt(&ok);
        if (!ok || channel < 0 || channel > 255)
            return fail(QStringLiteral("%1: a channel number is expected (0: the device chooses)")
                            .arg(n("channel")));
        wl.channel = channel;
    }
    wl.wirelessModeGiven = has("mode");
    if (has("mode") && !WirelessModeCode(value("mode"), wl.wirelessMode))
        return fail(QStringLiteral("%1: bgn, bg, n (or b, g, a, abg, abgn, gn, an, or the code 0 "
                                   "to 9) is expected")
                        .arg(n("mode")));
    if (!has("security"))
        return fail(QStringLiteral("%1 none|wep|wpa-psk is required").arg(n("security")));
    if (!Choice(value("security"), {"none", "wep", "wpa-psk"}, wl.security))
        return fail(QStringLiteral("%1: none, wep or wpa-psk is expected").arg(n("security")));

    const bool wep = wl.security == 1;
    const bool psk = wl.security == 2;
    if (has("key") && !wep && !psk)
        return fail(QStringLiteral("%1 has no meaning with %2 none").arg(n("key"), n("security")));
    if (has("auth") && !wep)
        return fail(QStringLiteral("%1 is for %2 wep").arg(n("auth"), n("security")));
    if ((has("wpa-mode") || has("cipher")) && !psk)
        return fail(QStringLiteral("%1 is for %2 wpa-psk")
                        .arg(has("wpa-mode") ? n("wpa-mode") : n("cipher"), n("security")));
    if ((wep || psk) && !has("key"))
        return fail(QStringLiteral("%1 is required with %2 %3")
                        .arg(n("key"), n("security"),
                             wep ? QStringLiteral("wep") : QStringLiteral("wpa-psk")));
    if (wep) {
        if (!CheckWEPKey(value("key").toUtf8(), wl.wepKeyLen, wl.key, error))
            return false;
        if (has("auth")) {
            int auth = 0;
            const bool known = station ? Choice(value("auth"), {"open", "shared"}, auth)
                                       : Choice(value("auth"), {"open", "shared", "auto"}, auth);
            if (!known)
                return fail(
                    station
                        ? QStringLiteral("%1: open or shared is expected").arg(n("auth"))
                        : QStringLiteral("%1: open, shared or auto is expected").arg(n("auth")));
            wl.auth = auth;
        }
    }
    if (psk) {
        wl.key = value("key").toUtf8();
        if (!CheckPassphrase(wl.key, error))
            return false;
        if (has("wpa-mode") && !Choice(value("wpa-mode"), {"wpa", "wpa2", "auto"}, wl.wpaMode))
            return fail(QStringLiteral("%1: wpa, wpa2 or auto is expected").arg(n("wpa-mode")));
        if (has("cipher")) {
            int cipher = 0;
            if (!Choice(value("cipher"), {"tkip", "aes", "auto"}, cipher))
                return fail(QStringLiteral("%1: tkip, aes or auto is expected").arg(n("cipher")));
            wl.cipher = cipher;
        }
    }
    return true;
}

bool ParseOptions(const QStringList& args, CtlOptions& options, QString& error,
                  const SecretPrompt& prompt) {
    options = CtlOptions{};
    error.clear();
    return CParser(options, error, prompt).Run(args);
}

bool AskPassword(CtlOptions& options, const QString& device, QString& error) {
    if (options.passwordGiven || !options.prompt)
        return true;
    const std::optional<QString> typed = options.prompt(
        QStringLiteral("Password of %1 (empty keeps the default): ").arg(PrintableText(device)));
    if (!typed)
        return true;
    if (!CheckPassword(*typed, error))
        return false;
    options.password = *typed;
    options.passwordGiven = true;
    return true;
}

bool WantsJson(const QStringList& args) {
    for (const QString& arg : args) {
        if (arg == QLatin1String("--"))
            return false;
        if (arg == QLatin1String("--json") || arg == QLatin1String("-j"))
            return true;
    }
    return false;
}

} // namespace swpctl
