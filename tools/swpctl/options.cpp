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
                                    QStringLiteral("--send-keys"), QStringLiteral("--all")};
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
    case Command::SetIp:
    case Command::SetMode:
        return {QStringLiteral("--check")};
    case Command::SetWireless:
        return {
            QStringLiteral("--ssid"),     QStringLiteral("--channel"),  QStringLiteral("--mode"),
            QStringLiteral("--security"), QStringLiteral("--auth"),     QStringLiteral("--key"),
            QStringLiteral("--key-file"), QStringLiteral("--wpa-mode"), QStringLiteral("--cipher"),
            QStringLiteral("--check")};
    case Command::SetStation:
        return {QStringLiteral("--ssid"),     QStringLiteral("--mode"),
                QStringLiteral("--security"), QStringLiteral("--auth"),
                QStringLiteral("--key"),      QStringLiteral("--key-file"),
                QStringLiteral("--wpa-mode"), QStringLiteral("--cipher"),
                QStringLiteral("--check")};
    case Command::WpsPin:
        return {QStringLiteral("--ssid")};
    case Command::Apply:
        return {QStringLiteral("--check"), QStringLiteral("--only"), QStringLiteral("--send-keys"),
                QStringLiteral("--all")};
    default:
        return {};
    }
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

    bool AskKey(std::optional<QString>& key) {
        QString error;
        return AskNewKey(m_Prompt, QStringLiteral("Wireless key"), key, error) || Fail(error);
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
        m_Options.check = Has("--check");
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
        m_Options.all = Has("--all");
        if (m_Positional.size() > 1 || (m_Positional.isEmpty() && !m_Options.all))
            return Fail(QStringLiteral("usage: apply FILE [--check] [--json] [--send-keys] "
                                       "[--only DEVICE,...] [--all], or apply --all [...]"));
        if (!m_Positional.isEmpty())
            m_Options.inventoryFile = m_Positional[0];
        // The devices --all adds log in with SWP_PASSWORD, else the factory password.
        if (m_Options.all && qEnvironmentVariableIsSet("SWP_PASSWORD")) {
            m_Options.password = qEnvironmentVariable("SWP_PASSWORD");
            if (!CheckPassword(m_Options.password, m_Error))
                return Fail(QStringLiteral("SWP_PASSWORD: %1").arg(m_Error));
        }
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
        SecurityCode(Value("--security"), security);
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

bool ParseOptions(const QStringList& args, CtlOptions& options, QString& error,
                  const SecretPrompt& prompt) {
    options = CtlOptions{};
    error.clear();
    return CParser(options, error, prompt).Run(args);
}

bool AskNewKey(const SecretPrompt& prompt, const QString& question, std::optional<QString>& key,
               QString& error) {
    if (!prompt)
        return true;
    const std::optional<QString> first = prompt(question + QStringLiteral(": "));
    if (!first)
        return true;
    const std::optional<QString> second = prompt(question + QStringLiteral(" again: "));
    if (!second || *second != *first) {
        error = QStringLiteral("the two keys typed differ: nothing was sent");
        return false;
    }
    key = first;
    return true;
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
