#include "tools/swpctl/options.h"

#include "settings/privatefile.h"
#include "settings/records.h"
#include "settings/textutil.h"

#include <QMap>
#include <QSet>

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
    QStringLiteral("--only"),     QStringLiteral("--capture"),
};
// A password or key file holds no more than this.
constexpr qint64 kMaxSecretSize = 4096;
const QSet<QString> kFlagOptions = {QStringLiteral("--json"), QStringLiteral("--help"),
                                    QStringLiteral("--check"), QStringLiteral("--send-keys"),
                                    QStringLiteral("--all")};
const QSet<QString> kGlobalOptions = {
    QStringLiteral("--device"),  QStringLiteral("--password"), QStringLiteral("--password-file"),
    QStringLiteral("--adapter"), QStringLiteral("--log"),      QStringLiteral("--speedup"),
    QStringLiteral("--help"),    QStringLiteral("--capture"),
};

// The options a command takes beside the global ones.
QSet<QString> CommandOptions(Command command) {
    switch (command) {
    case Command::Discover:
    case Command::Show:
    case Command::Survey:
    case Command::Doctor:
        return {QStringLiteral("--json")};
    case Command::SetIp:
    case Command::SetMode:
        return {QStringLiteral("--json"), QStringLiteral("--check")};
    case Command::SetWireless:
        return {
            QStringLiteral("--ssid"),     QStringLiteral("--channel"),  QStringLiteral("--mode"),
            QStringLiteral("--security"), QStringLiteral("--auth"),     QStringLiteral("--key"),
            QStringLiteral("--key-file"), QStringLiteral("--wpa-mode"), QStringLiteral("--cipher"),
            QStringLiteral("--json"),     QStringLiteral("--check")};
    case Command::SetStation:
        return {QStringLiteral("--ssid"),     QStringLiteral("--mode"),
                QStringLiteral("--security"), QStringLiteral("--auth"),
                QStringLiteral("--key"),      QStringLiteral("--key-file"),
                QStringLiteral("--wpa-mode"), QStringLiteral("--cipher"),
                QStringLiteral("--json"),     QStringLiteral("--check")};
    case Command::WpsPin:
        return {QStringLiteral("--ssid")};
    case Command::Apply:
        return {QStringLiteral("--json"), QStringLiteral("--check"), QStringLiteral("--only"),
                QStringLiteral("--send-keys"), QStringLiteral("--all")};
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
        if (!Split(args))
            return false;
        if (m_Values.contains(QStringLiteral("--help"))) {
            m_Options.help = true;
            return true;
        }
        if (m_Positional.isEmpty())
            return Fail(QStringLiteral("no command given (try --help)"));
        const QString name = m_Positional.takeFirst();
        for (const CommandInfo& info : kCommands)
            if (name == QLatin1String(info.name))
                m_Options.command = info.command;
        if (m_Options.command == Command::None)
            return Fail(QStringLiteral("unknown command \"%1\" (try --help)").arg(name));
        const QSet<QString> allowed = CommandOptions(m_Options.command);
        for (auto it = m_Values.cbegin(); it != m_Values.cend(); ++it)
            if (!kGlobalOptions.contains(it.key()) && !allowed.contains(it.key()))
                return Fail(QStringLiteral("%1 is not an option of %2").arg(it.key(), name));
        return Globals() && CommandArguments();
    }

private:
    bool Fail(const QString& message) {
        m_Error = message;
        return false;
    }

    bool Split(const QStringList& args) {
        for (int n = 0; n < args.size(); ++n) {
            QString arg = args[n];
            if (arg == QLatin1String("-h"))
                arg = QStringLiteral("--help");
            if (!arg.startsWith(QLatin1String("--")) || arg == QLatin1String("--")) {
                m_Positional.append(arg);
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
                return Fail(QStringLiteral("unknown option %1 (try --help)").arg(arg));
            }
            if (m_Values.contains(arg))
                return Fail(QStringLiteral("%1 is given twice").arg(arg));
            m_Values.insert(arg, value);
        }
        return true;
    }

    bool Has(const char* option) const { return m_Values.contains(QLatin1String(option)); }

    // A password or key without the command line: OPTION-file, then the
    // environment variable, then OPTION itself (which every user can read
    // in the process list, so it is warned of), then the prompt.
    bool Secret(const char* option, const char* variable, const QString& question,
                std::optional<QString>& out) {
        const QString name = QLatin1String(option);
        const QString fileOption = name + QStringLiteral("-file");
        if (m_Values.contains(fileOption)) {
            if (Has(option))
                return Fail(
                    QStringLiteral("%1 and %2 are one too many: give one").arg(fileOption, name));
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
        if (qEnvironmentVariableIsSet(variable)) {
            QString text;
            if (!DecodeUtf8Strictly(qgetenv(variable), text))
                return Fail(QStringLiteral("%1 is not valid UTF-8").arg(QLatin1String(variable)));
            out = text;
            return true;
        }
        if (Has(option)) {
            m_Options.notes.append(QStringLiteral("%1 can be read by every user of this computer "
                                                  "(ps): use %2 or %3")
                                       .arg(name, fileOption, QLatin1String(variable)));
            out = Value(option);
            return true;
        }
        if (m_Prompt)
            out = m_Prompt(question);
        return true;
    }
    QString Value(const char* option) const { return m_Values.value(QLatin1String(option)); }

    bool Globals() {
        m_Options.json = Has("--json");
        m_Options.check = Has("--check");
        if (Has("--device")) {
            if (!ParseMAC(Value("--device"), m_Options.deviceMac))
                return Fail(QStringLiteral("--device: a MAC like 02:00:00:00:00:01 is expected, "
                                           "not \"%1\"")
                                .arg(Value("--device")));
            m_Options.hasDevice = true;
        }
        if (LogsIn(m_Options.command)) {
            std::optional<QString> password;
            if (!Secret("--password", "SWP_PASSWORD", QStringLiteral("Device password: "),
                        password))
                return false;
            if (password)
                m_Options.password = *password;
            if (!CheckPassword(m_Options.password, m_Error))
                return false;
        }
        if (Has("--adapter")) {
            uint32_t address = 0;
            if (!ParseDotted(Value("--adapter"), address) || address == 0)
                return Fail(QStringLiteral("--adapter: an IPv4 address is expected, not \"%1\"")
                                .arg(Value("--adapter")));
            m_Options.adapter = DottedText(address);
        }
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
            if (!Secret("--key", "SWP_KEY", QStringLiteral("Wireless key: "), key))
                return false;
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

QString HelpText() {
    return QStringLiteral(
        "usage: swpctl [OPTIONS] COMMAND [ARGUMENTS]\n"
        "\n"
        "Finds, reads and configures the wireless devices on the local network with\n"
        "the same protocol engine as the setup wizard.\n"
        "\n"
        "Commands:\n"
        "  discover                     list the devices that answer (name, MAC, address,\n"
        "                               adapter)\n"
        "  show                         log in and show the device's configuration\n"
        "  set-ip dhcp                  let the device take its address by DHCP\n"
        "  set-ip static IP MASK [GATEWAY]\n"
        "                               give the device a static address\n"
        "  set-wireless --ssid S --security none|wep|wpa-psk [--key K] [...]\n"
        "                               write the wireless profile of an access point\n"
        "  set-station --ssid S --security none|wep|wpa-psk [--key K] [...]\n"
        "                               write the wireless profile of an AP client\n"
        "  set-mode ap|bridge           run the device as access point or as AP client\n"
        "  survey                       list the networks the device hears, strongest first\n"
        "  client-pin                   show the PIN the device uses as a WPS client\n"
        "  wps-pbc                      pair by WPS push button and follow it to \"Configured\"\n"
        "  wps-pin PIN                  access point: pair with the client that has this PIN\n"
        "  wps-pin --ssid S             AP client: pair by PIN with the access point S\n"
        "                               (swpctl shows the device's PIN to enter there)\n"
        "  apply FILE [--check] [--send-keys] [--only DEVICE,...] [--all]\n"
        "                               bring every device of the inventory FILE (YAML or\n"
        "                               JSON) to the state it describes, sending only what\n"
        "                               differs; --check sends nothing and shows the\n"
        "                               differences (see the README section \"Many devices\")\n"
        "  doctor                       search once and say why no device answers, with the\n"
        "                               fix for each cause found (see exit codes 10 to 16)\n"
        "\n"
        "Options:\n"
        "  --device MAC      the device to use (default: the only one that answers)\n"
        "  --password-file F the device password from the file F (only its owner may\n"
        "                    read it); else from SWP_PASSWORD, else --password, else\n"
        "                    asked for on a terminal, else \"tosca\" (at most 16 characters)\n"
        "  --password P      the device password on the command line, where every user\n"
        "                    can read it (warned)\n"
        "  --adapter ADDRESS use only the adapter with this IPv4 address\n"
        "  --json            discover, show, survey, doctor, apply: print JSON\n"
        "  --log FILE        write the debug trace to FILE (it is also written when\n"
        "                    swpctl.Log exists beside the program)\n"
        "  --capture FILE    also write every datagram sent and received to FILE, a\n"
        "                    pcapng capture for Wireshark (readable by you only)\n"
        "  --speedup N       run every wait N times faster (for tests)\n"
        "  --help            this text\n"
        "\n"
        "Apply options (apply):\n"
        "  --check           send nothing; print per device the fields that differ\n"
        "  --only DEVICE,... only these devices: MACs or names the file gives, or the\n"
        "                    MAC of a device that a named entry finds\n"
        "  --send-keys       also send the profile of a device whose entry holds a key\n"
        "                    or wireless mode when nothing else differs (the devices\n"
        "                    never report them, so they are not compared)\n"
        "  --all             also log in to and read every device that answers and is\n"
        "                    not in the file (FILE may then be left out), as an entry of\n"
        "                    its MAC alone: nothing is sent to it; its password is\n"
        "                    SWP_PASSWORD, else \"tosca\"\n"
        "  apply takes no --device and no --password(-file): the file names the devices and\n"
        "  their passwords (in the file, or from an environment variable or a file\n"
        "  only its owner can read)\n"
        "\n"
        "Wireless options (set-wireless, set-station):\n"
        "  --ssid S          network name, 1 to 32 characters\n"
        "  --channel N       set-wireless only: channel from the device's list, 0 lets the\n"
        "                    device choose (default 0)\n"
        "  --mode M          bgn (default), bg or n; also b, g, a, abg, abgn, gn, an, or 0-9\n"
        "  --security S      none, wep or wpa-psk\n"
        "  --key K           WEP: 5 or 13 characters, or 10 or 26 hex digits (64 or 128 bit);\n"
        "                    WPA-PSK: 8 to 63 characters, or 64 hex digits; on the command\n"
        "                    line every user can read it (warned)\n"
        "  --key-file F      the key from the file F (only its owner may read it); else\n"
        "                    from SWP_KEY, else --key, else asked for on a terminal\n"
        "  --auth A          WEP: open, shared or auto (access point, default auto);\n"
        "                    open or shared (AP client, default open)\n"
        "  --wpa-mode M      WPA-PSK: wpa, wpa2 or auto (default auto)\n"
        "  --cipher C        WPA-PSK: tkip, aes or auto (default: what the WPA mode implies,\n"
        "                    wpa tkip, wpa2 aes, auto both)\n"
        "\n"
        "Every command but discover first discovers (4 s), then logs in to the device.\n"
        "Results go to standard output, messages to standard error.\n"
        "\n"
        "Exit codes:\n"
        "  0  done\n"
        "  1  other failure (no usable network adapter, ...)\n"
        "  2  invalid arguments (also: several devices answered and no --device was given,\n"
        "     or the command does not fit the device's mode)\n"
        "  3  no device found, or the --device MAC did not answer\n"
        "  4  login refused (wrong password)\n"
        "  5  time-out: the device did not answer\n"
        "  6  the device refused the setting\n"
        "  7  WPS pairing failed\n"
        "  8  the device's reply cannot be used: its configuration reply holds no value\n"
        "     (empty, or enciphered with another password), or its login reply names\n"
        "     an unusable port\n"
        "apply: 0 every device of the file is as the file describes (with --check:\n"
        "  nothing would change); otherwise:\n"
        "  2  the file is invalid (nothing was sent; each error names its line)\n"
        "  9  a device failed or was not found (the others were still configured)\n"
        "  17 --check: some devices differ from the file (none failed)\n"
        "doctor: 0 a device answered and nothing is wrong; otherwise the main finding's:\n"
        "  3  no device answered and nothing checked here explains it (device checklist)\n"
        "  10 no usable adapter, or an adapter could not be opened\n"
        "  11 another program holds UDP port 5433\n"
        "  12 the firewall drops or rejects UDP to port 5433\n"
        "  13 the reverse-path filter dropped the replies\n"
        "  14 replies lost to a full receive buffer\n"
        "  15 a device answered from an address outside its adapter's subnet\n"
        "  16 an adapter is down, has no link or no IPv4 address\n");
}

} // namespace swpctl
