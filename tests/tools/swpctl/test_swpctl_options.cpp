// swpctl's command line and the wizard pages' checks it applies, without any
// network: parsing, the IP settings rules, keys, PIN, and the texts it prints.

#include "settings/wirelessrules.h"
#include "tools/swpctl/exitcode.h"
#include "tools/swpctl/options.h"
#include "tools/swpctl/output.h"
#include "tools/swpctl/present.h"
#include "tools/swpctl/validate.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace swpctl;

namespace {

struct Parsed {
    bool ok;
    CtlOptions options;
    QString error;
};

Parsed Parse(const QStringList& args) {
    Parsed parsed;
    parsed.ok = ParseOptions(args, parsed.options, parsed.error);
    return parsed;
}

QString StaticError(const QString& ip, const QString& mask, const QString& gateway = QString()) {
    StaticAddress address;
    QString error;
    return ValidateStaticAddress(ip, mask, gateway, address, error) ? QString() : error;
}

TEST(SwpctlOptions, CommandsAndGlobalOptionsAnywhere) {
    const Parsed p = Parse({"--password", "secret", "show", "--device", "02:5a:00:00:00:0A",
                            "--adapter=10.91.1.1", "--json", "--capture", "run.pcapng"});
    ASSERT_TRUE(p.ok) << p.error.toStdString();
    EXPECT_EQ(Command::Show, p.options.command);
    EXPECT_EQ("secret", p.options.password.toStdString());
    EXPECT_TRUE(p.options.hasDevice);
    EXPECT_EQ(0x0A, p.options.deviceMac[5]);
    EXPECT_EQ("10.91.1.1", p.options.adapter.toStdString());
    EXPECT_TRUE(p.options.json);
    EXPECT_EQ("run.pcapng", p.options.captureFile.toStdString());
}

TEST(SwpctlOptions, DoctorTakesJsonAndAdapter) {
    const Parsed p = Parse({"doctor", "--json", "--adapter", "10.91.1.1"});
    ASSERT_TRUE(p.ok) << p.error.toStdString();
    EXPECT_EQ(Command::Doctor, p.options.command);
    EXPECT_TRUE(p.options.json);
    EXPECT_EQ("10.91.1.1", p.options.adapter.toStdString());
    for (const char* code : {"  10 ", "  11 ", "  12 ", "  13 ", "  14 ", "  15 ", "  16 "})
        EXPECT_TRUE(ExitCodesText().contains(QLatin1String(code))) << code;
}

TEST(SwpctlOptions, DefaultsAndHelp) {
    const Parsed p = Parse({"discover"});
    ASSERT_TRUE(p.ok);
    EXPECT_EQ("tosca", p.options.password.toStdString());
    EXPECT_FALSE(p.options.hasDevice);
    EXPECT_TRUE(Parse({"--help"}).options.help);
    EXPECT_TRUE(Parse({"show", "-h"}).options.help);
    const QString help = ExitCodesText();
    for (const char* code :
         {"  0  ", "  1  ", "  2  ", "  3  ", "  4  ", "  5  ", "  6  ", "  7  ", "  18 "})
        EXPECT_TRUE(help.contains(QLatin1String(code))) << code;
}

// Every command has its own help, by COMMAND --help, COMMAND -h and help
// COMMAND: its synopsis, an example, and the options every command takes;
// the list of all fits one screen.
TEST(SwpctlOptions, HelpPerCommand) {
    const QStringList commands = {"discover",    "show",     "set-ip", "set-wireless",
                                  "set-station", "set-mode", "survey", "client-pin",
                                  "wps-pbc",     "wps-pin",  "apply",  "doctor"};
    for (const QString& command : commands) {
        const QString text = HelpFor(command);
        EXPECT_TRUE(text.startsWith("usage: swpctl " + command)) << text.toStdString();
        EXPECT_TRUE(text.contains("Example:\n  ") && text.contains("-j, --json"))
            << text.toStdString();
        EXPECT_TRUE(HelpText().contains("  " + command + " ")) << command.toStdString();
        for (const QStringList& args : QList<QStringList>{
                 {command, "--help"}, {command, "-h"}, {"help", command}, {"-j", command, "-h"}}) {
            const Parsed p = Parse(args);
            EXPECT_TRUE(p.ok && p.options.help) << args.join(' ').toStdString();
            EXPECT_EQ(command, p.options.helpTopic) << args.join(' ').toStdString();
        }
    }
    EXPECT_LE(HelpText().count('\n'), 40);
    for (const QString& text : {HelpText(), ExitCodesText()})
        EXPECT_FALSE(text.contains("README") || text.contains("tools/")) << text.toStdString();
    EXPECT_TRUE(Parse({"--version"}).options.version);
    EXPECT_TRUE(VersionText().startsWith("swpctl "));
    EXPECT_TRUE(HelpFor("nothing").isEmpty());
    EXPECT_FALSE(Parse({"help", "nothing"}).ok);
}

// What the command line says when it cannot be used: an unknown option is
// called one, with the help to read; short forms and --timeout are taken.
TEST(SwpctlOptions, OptionShapes) {
    const struct {
        QStringList args;
        const char* error; // empty: accepted
    } cases[] = {
        {{"show", "-x", "X"}, "unknown option -x (swpctl show --help lists the options)"},
        {{"show", "--bogus"}, "unknown option --bogus (swpctl show --help lists the options)"},
        {{"--bogus"}, "unknown option --bogus (swpctl --help lists the options)"},
        {{"show", "--ssid", "x"}, "--ssid is not an option of show (swpctl show --help lists"},
        {{"show", "extra"}, "show takes no argument"},
        {{"nothing"}, "unknown command \"nothing\""},
        {{"show", "--timeout", "0"}, "--timeout: seconds"},
        {{"show", "--timeout", "soon"}, "--timeout: seconds"},
        {{"show", "-a", "no-such-adapter0"}, "--adapter: an interface name (ip link) or an IPv4"},
        {{"show", "-d", "02:5a:00:00:00:0a", "-j", "--timeout", "2.5"}, ""},
        {{"set-mode", "ap", "-a", "10.91.1.1"}, ""},
        {{"set-mode", "-j", "--", "ap"}, ""},
        {{"wps-pbc", "--json"}, ""},
        {{"client-pin", "--json"}, ""},
    };
    for (const auto& c : cases) {
        const Parsed p = Parse(c.args);
        const std::string args = c.args.join(' ').toStdString();
        EXPECT_EQ(!*c.error, p.ok) << args << ": " << p.error.toStdString();
        EXPECT_TRUE(!*c.error || p.error.startsWith(QLatin1String(c.error)))
            << args << ": " << p.error.toStdString();
    }
    const Parsed p = Parse({"show", "-d", "02:5a:00:00:00:0a", "-j", "--timeout", "2.5"});
    EXPECT_TRUE(p.options.hasDevice && p.options.json);
    EXPECT_EQ(2500, p.options.timeoutMs);
    EXPECT_EQ("10.91.1.1",
              Parse({"set-mode", "ap", "-a", "10.91.1.1"}).options.adapter.toStdString());
    EXPECT_TRUE(WantsJson({"show", "-j"}) && WantsJson({"--json", "bogus"}));
    EXPECT_FALSE(WantsJson({"show", "--", "-j"}));
}

// The error object of a failed --json run names its exit code.
TEST(SwpctlOptions, ExitCodeNames) {
    const struct {
        int code;
        const char* name;
    } cases[] = {{kExitInvalidArguments, "invalid-arguments"},
                 {kExitNoDevice, "no-device"},
                 {kExitLoginRefused, "login-refused"},
                 {kExitTimeout, "timeout"},
                 {kExitPortInUse, "port-in-use"},
                 {kExitDiffers, "differs"},
                 {kExitDeadline, "deadline"}};
    for (const auto& c : cases) {
        const QJsonObject error = ErrorJson(c.code, "why");
        EXPECT_EQ(c.name, error["name"].toString().toStdString());
        EXPECT_EQ(c.code, error["code"].toInt());
        EXPECT_EQ("why", error["message"].toString().toStdString());
        EXPECT_TRUE(ExitCodesText().contains(QLatin1String(c.name))) << c.name;
    }
}

TEST(SwpctlOptions, RefusedCommandLines) {
    for (const QStringList& args : QList<QStringList>{
             {},
             {"nothing"},
             {"show", "extra"},
             {"show", "--ssid", "x"},
             {"discover", "--bogus"},
             {"show", "--device"},
             {"show", "--json=1"},
             {"show", "--password", "a", "--password", "b"},
             {"set-ip"},
             {"set-ip", "static", "10.0.0.1"},
             {"set-mode", "router"},
             {"wps-pin"},
             {"wps-pbc", "--ssid", "x"},
             {"set-wireless", "--ssid", "x", "--security", "none", "--key", "12345678"},
             {"set-wireless", "--ssid", "x", "--security", "wep"},
             {"set-wireless", "--ssid", "x", "--security", "wep", "--key", "abcde", "--cipher",
              "aes"},
             {"set-wireless", "--ssid", "x", "--security", "wpa-psk", "--key", "12345678", "--auth",
              "open"},
             {"set-station", "--ssid", "x", "--security", "wep", "--key", "abcde", "--auth",
              "auto"},
             {"set-wireless", "--ssid", "x", "--security", "none", "--mode", "z"},
             {"set-wireless", "--ssid", "x", "--security", "none", "--channel", "300"},
             {"show", "--speedup", "0"},
             {"show", "--adapter", "10.0.0"},
             {"show", "--capture="},
             {"doctor", "extra"},
             {"doctor", "--ssid", "x"},
         }) {
        const Parsed p = Parse(args);
        EXPECT_FALSE(p.ok) << args.join(' ').toStdString();
        EXPECT_FALSE(p.error.isEmpty()) << args.join(' ').toStdString();
    }
}

TEST(SwpctlOptions, SetIpStaticFollowsTheIpPageRules) {
    const Parsed p = Parse({"set-ip", "static", "192.168.1.10", "255.255.255.0", "192.168.1.1"});
    ASSERT_TRUE(p.ok) << p.error.toStdString();
    EXPECT_FALSE(p.options.dhcp);
    EXPECT_EQ(0xC0A8010Au, p.options.address.config.IP);
    EXPECT_EQ(0xFFFFFF00u, p.options.address.config.Mask);
    EXPECT_EQ(0xC0A80101u, p.options.address.config.Gateway);
    EXPECT_TRUE(Parse({"set-ip", "dhcp"}).options.dhcp);

    const QString ip = "The IP Address entered is invalid.";
    const QString mask = "The Subnet Mask entered is invalid.";
    const QString gateway = "The Default Gateway entered is invalid.";
    EXPECT_EQ(ip, StaticError("127.0.0.5", "255.0.0.0"));
    EXPECT_EQ(ip, StaticError("0.0.0.0", "255.0.0.0"));
    EXPECT_EQ(ip, StaticError("224.0.0.1", "255.0.0.0"));
    EXPECT_EQ(ip, StaticError("192.168.1", "255.255.255.0"));
    EXPECT_EQ(ip, StaticError("192.168.1.256", "255.255.255.0"));
    EXPECT_EQ(ip, StaticError("192.168.1.0", "255.255.255.0"));
    EXPECT_EQ(mask, StaticError("192.168.1.10", "255.0.255.0"));
    EXPECT_EQ(mask, StaticError("192.168.1.10", "255.255.255.255"));
    EXPECT_EQ(mask, StaticError("192.168.1.10", "0.0.0.0"));
    EXPECT_EQ(mask, StaticError("192.168.1.10", ""));
    EXPECT_EQ(gateway, StaticError("192.168.1.10", "255.255.255.0", "192.168.2.1"));
    EXPECT_EQ(gateway, StaticError("192.168.1.10", "255.255.255.0", "192.168.1.255"));
    EXPECT_EQ(gateway, StaticError("192.168.1.10", "255.255.255.0", "192.168.1.0"));
    EXPECT_EQ(gateway, StaticError("192.168.1.10", "255.255.255.0", "192.168.1"));
    EXPECT_EQ(QString(), StaticError("192.168.1.10", "255.255.255.0"));
    EXPECT_EQ(QString(), StaticError("10.0.0.1", "255.0.0.0", "10.0.0.254"));
    // As the page: no address on network 0, no gateway that is the device itself.
    EXPECT_EQ(ip, StaticError("0.1.2.3", "255.0.0.0"));
    EXPECT_EQ(gateway, StaticError("192.168.1.10", "255.255.255.0", "192.168.1.10"));
}

// What is typed is what is sent, or nothing: the wizard's rewrite of a final
// octet 255 is refused with the address to use.
TEST(SwpctlOptions, BroadcastFinalOctetIsRefusedWithTheAddressToUse) {
    for (const char* mask : {"255.255.0.0", "255.255.255.0"}) {
        const Parsed p = Parse({"set-ip", "static", "192.168.1.255", mask});
        EXPECT_FALSE(p.ok) << mask;
        EXPECT_TRUE(p.error.contains("final octet 255 would be sent as 254"))
            << p.error.toStdString();
        EXPECT_TRUE(p.error.contains("give 192.168.1.254")) << p.error.toStdString();
    }
}

TEST(SwpctlOptions, LocalHostAddressIsRefused) {
    QString error;
    StaticAddress own, other;
    ASSERT_TRUE(ValidateStaticAddress("10.91.1.1", "255.255.255.0", "", own, error));
    ASSERT_TRUE(ValidateStaticAddress("10.91.1.9", "255.255.255.0", "", other, error));
    EXPECT_FALSE(CheckNotLocalHost(own, "10.91.1.1", error));
    EXPECT_EQ("The IP Address is the same as local host IP.", error.toStdString());
    EXPECT_TRUE(CheckNotLocalHost(other, "10.91.1.1", error));
}

TEST(SwpctlOptions, WepKeys) {
    int len = -1;
    QByteArray stored;
    QString error;
    EXPECT_TRUE(CheckWEPKey("ab cd", len, stored, error));
    EXPECT_EQ(0, len);
    EXPECT_EQ("ab cd", stored.toStdString());
    EXPECT_TRUE(CheckWEPKey("0123456789abc", len, stored, error));
    EXPECT_EQ(1, len);
    EXPECT_TRUE(CheckWEPKey("abcdef0123", len, stored, error));
    EXPECT_EQ(0, len);
    EXPECT_EQ("ABCDEF0123", stored.toStdString());
    EXPECT_TRUE(CheckWEPKey("0123456789abcdef0123456789", len, stored, error));
    EXPECT_EQ(1, len);
    EXPECT_FALSE(CheckWEPKey("abcd", len, stored, error));
    EXPECT_FALSE(CheckWEPKey("abcdef", len, stored, error));
    EXPECT_FALSE(CheckWEPKey("abcdefghij", len, stored, error)); // 10, not hex
    EXPECT_TRUE(error.startsWith("You have entered an incorrect WEP key."));
    EXPECT_FALSE(CheckWEPKey(QByteArray(25, 'a'), len, stored, error));
}

TEST(SwpctlOptions, PreSharedKeys) {
    QString error;
    EXPECT_FALSE(CheckPassphrase("1234567", error));
    EXPECT_EQ("Passphrase should be between 8 to 63 charachers in ASCII format.",
              error.toStdString());
    EXPECT_TRUE(CheckPassphrase("12345678", error));
    EXPECT_TRUE(CheckPassphrase(QByteArray(63, '#'), error));
    EXPECT_TRUE(CheckPassphrase(QByteArray(64, 'f'), error));
    EXPECT_FALSE(CheckPassphrase(QByteArray(63, 'f') + "g", error));
    EXPECT_EQ("Passphrase should be 64 hex digits.", error.toStdString());
    EXPECT_FALSE(CheckPassphrase(QByteArray(65, 'f'), error));
}

TEST(SwpctlOptions, WirelessDefaultsAreTheWizardsAndCipherFollowsTheMode) {
    Parsed p = Parse({"set-wireless", "--ssid", "net", "--security", "wpa-psk", "--key", "12345678",
                      "--wpa-mode", "wpa"});
    ASSERT_TRUE(p.ok) << p.error.toStdString();
    const WirelessOptions& wl = p.options.wireless;
    EXPECT_EQ("net", wl.ssid.toStdString());
    EXPECT_FALSE(wl.channel.has_value());
    EXPECT_EQ(9, wl.wirelessMode);
    EXPECT_EQ(2, wl.security);
    EXPECT_EQ(0, wl.wpaMode);
    EXPECT_FALSE(wl.cipher.has_value()); // the session takes the mode's own cipher

    p = Parse({"set-wireless", "--ssid", "net", "--security", "WEP", "--key", "abcde", "--mode",
               "n", "--channel", "11", "--auth", "shared"});
    ASSERT_TRUE(p.ok) << p.error.toStdString();
    EXPECT_EQ(6, p.options.wireless.wirelessMode);
    EXPECT_EQ(11, p.options.wireless.channel.value_or(-1));
    EXPECT_EQ(1, p.options.wireless.auth.value_or(-1));
    EXPECT_EQ(0, p.options.wireless.wepKeyLen);

    p = Parse({"set-station", "--ssid", QString(32, 's'), "--security", "none", "--mode", "b/g"});
    ASSERT_TRUE(p.ok) << p.error.toStdString();
    EXPECT_EQ(0, p.options.wireless.wirelessMode);
    EXPECT_FALSE(Parse({"set-station", "--ssid", QString(33, 's'), "--security", "none"}).ok);
    EXPECT_FALSE(Parse({"set-station", "--ssid", "", "--security", "none"}).ok);
}

TEST(SwpctlOptions, WpsPin) {
    Parsed p = Parse({"wps-pin", "00000000"});
    ASSERT_TRUE(p.ok) << p.error.toStdString();
    EXPECT_EQ(0, p.options.pin.value_or(-1));
    p = Parse({"wps-pin", "--ssid", "office"});
    ASSERT_TRUE(p.ok);
    EXPECT_EQ("office", p.options.wpsSsid.value_or(QByteArray()).toStdString());
    for (const char* pin : {"1234567", "123456789", "1234567a"}) {
        p = Parse({"wps-pin", pin});
        EXPECT_FALSE(p.ok) << pin;
        EXPECT_TRUE(p.error.startsWith("Invaild PIN Code")) << pin;
    }
    EXPECT_EQ("Invaild SSID", Parse({"wps-pin", "--ssid", ""}).error.toStdString());
}

TEST(SwpctlPresent, TextsAndSurveyOrder) {
    EXPECT_EQ("TKIP/AES", wirelessrules::EncryptionLabel(4).toStdString());
    EXPECT_EQ("", wirelessrules::EncryptionLabel(7).toStdString());
    EXPECT_EQ("WPA/WPA2", wirelessrules::AuthenticationLabel(7).toStdString());
    EXPECT_EQ("", wirelessrules::AuthenticationLabel(1).toStdString());

    std::vector<_tag_AP_ROFIILE> survey(4);
    const int strengths[] = {40, 90, 40, 60};
    for (size_t n = 0; n < survey.size(); ++n) {
        survey[n].Signal = strengths[n];
        survey[n].Channel = static_cast<int>(n);
    }
    const auto sorted = SortedBySignal(survey);
    EXPECT_EQ(1, sorted[0].Channel);
    EXPECT_EQ(3, sorted[1].Channel);
    EXPECT_EQ(0, sorted[2].Channel); // equal signals keep the device's order
    EXPECT_EQ(2, sorted[3].Channel);
}

TEST(SwpctlPresent, SignalOutsideAPercentIsHeldToIt) {
    std::vector<_tag_AP_ROFIILE> survey(3);
    const int strengths[] = {-7, 250, 100};
    for (size_t n = 0; n < survey.size(); ++n) {
        survey[n].Signal = strengths[n];
        survey[n].Channel = static_cast<int>(n);
    }
    const auto sorted = SortedBySignal(survey);
    const int order[] = {1, 2, 0}; // 250 and 100 are both shown as 100: device order
    const int shown[] = {100, 100, 0};
    const QJsonArray json = SurveyJson(sorted);
    const QStringList rows = SurveyTable(sorted).split(QLatin1Char('\n'));
    for (int n = 0; n < 3; ++n) {
        EXPECT_EQ(order[n], sorted[n].Channel) << n;
        EXPECT_EQ(shown[n], json[n].toObject()["signal"].toInt()) << n;
        EXPECT_TRUE(rows[n + 1].contains(QStringLiteral("  %1%  ").arg(shown[n])))
            << rows[n + 1].toStdString();
    }
}

} // namespace

// The password and the key off the command line: a private file first, then
// the environment, then the option (warned), then the prompt, then "tosca".
TEST(SwpctlOptions, SecretsComeFromAFileTheEnvironmentOrThePrompt) {
    QTemporaryDir dir;
    const auto write = [&dir](const char* name, const QByteArray& text, QFile::Permissions mode) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
        file.close();
        file.setPermissions(mode);
        return dir.filePath(name);
    };
    const QFile::Permissions owner = QFile::ReadOwner | QFile::WriteOwner;
    const QString pw = write("pw", "from-file\n", owner);
    const QString key = write("key", "a key from a file\n", owner);
    const QString shared = write("shared", "from-file\n", owner | QFile::ReadGroup);
    const QString latin1 = write("latin1", "caf\xe9\n", owner);
    const QString nulKey = write("nul.key", QByteArray("abc\0defghij\n", 12), owner);
    const QString nulPw = write("nul.pw", QByteArray("ab\0cd\n", 6), owner);
    QFile::link(pw, dir.filePath("link"));
    const QString link = dir.filePath("link");
    const QStringList wpa = {"set-wireless", "--ssid", "x", "--security", "wpa-psk"};

    const struct {
        QStringList args;
        const char* password; // or the key, for set-wireless
        const char* error;    // the error begins so, when not empty
        bool warned;
    } cases[] = {
        {{"show"}, "tosca", "", false},
        {{"show", "--password", "typed"}, "typed", "", true},
        {{"show", "--password-file", pw}, "from-file", "", false},
        {{"show", "--password-file", pw, "--password", "x"},
         "",
         "--password-file and --password",
         false},
        {{"show", "--password-file", shared}, "", "--password-file: ", false},
        {{"show", "--password-file", link}, "", "--password-file: ", false},
        {{"show", "--password-file", latin1}, "", "--password-file: ", false},
        {{"apply", "f.yml", "--password-file", pw},
         "",
         "--password-file is not an option of apply",
         false},
        {{"apply"}, "", "usage: apply FILE", false},
        {{"apply", "--all", "--check"}, "tosca", "", false},
        {wpa + QStringList{"--key-file", key}, "a key from a file", "", false},
        // A NUL would end the key or password where the device reads it.
        {wpa + QStringList{"--key-file", nulKey}, "",
         "The passphrase must not contain a NUL character", false},
        {{"show", "--password-file", nulPw}, "", "The password must not contain a NUL", false},
        {wpa + QStringList{"--key", "a typed key"}, "a typed key", "", true},
        {wpa, "", "no wireless key: give it by --key-file FILE (readable by you only) or SWP_KEY",
         false},
    };
    for (const auto& c : cases) {
        const Parsed p = Parse(c.args);
        const std::string args = c.args.join(' ').toStdString();
        if (*c.error) {
            EXPECT_FALSE(p.ok) << args;
            EXPECT_TRUE(p.error.startsWith(QLatin1String(c.error)))
                << args << ": " << p.error.toStdString();
            EXPECT_FALSE(p.error.contains("from-file") || p.error.contains("caf"))
                << p.error.toStdString();
            continue;
        }
        ASSERT_TRUE(p.ok) << args << ": " << p.error.toStdString();
        const QString got = c.args[0] != "set-wireless" ? p.options.password
                                                        : QString::fromUtf8(p.options.wireless.key);
        EXPECT_EQ(c.password, got.toStdString()) << args;
        EXPECT_EQ(c.warned, p.options.notes.join(' ').contains("can be read by every user"))
            << args;
    }

    // The command line beats the environment, and says so when both are given.
    qputenv("SWP_PASSWORD", "from-env");
    qputenv("SWP_KEY", "a key from the environment");
    const struct {
        QStringList args;
        const char* secret;
        const char* note; // empty: no note on the source
    } sources[] = {
        {{"show"}, "from-env", ""},
        {{"show", "--password", "typed"},
         "typed",
         "the password comes from --password; SWP_PASSWORD is set too and is not used"},
        {{"show", "--password-file", pw},
         "from-file",
         "the password comes from --password-file; SWP_PASSWORD is set too"},
        {wpa, "a key from the environment", ""},
        {wpa + QStringList{"--key-file", key}, "a key from a file",
         "the key comes from --key-file; SWP_KEY is set too"},
        {wpa + QStringList{"--key", "a typed key"}, "a typed key",
         "the key comes from --key; SWP_KEY is set too"},
    };
    for (const auto& c : sources) {
        const Parsed p = Parse(c.args);
        const std::string args = c.args.join(' ').toStdString();
        ASSERT_TRUE(p.ok) << args << ": " << p.error.toStdString();
        const QString got =
            c.args[0] == "show" ? p.options.password : QString::fromUtf8(p.options.wireless.key);
        EXPECT_EQ(c.secret, got.toStdString()) << args;
        const QString notes = p.options.notes.join('\n');
        EXPECT_EQ(*c.note == 0, !notes.contains("comes from"))
            << args << ": " << notes.toStdString();
        EXPECT_TRUE(notes.contains(QLatin1String(c.note))) << args << ": " << notes.toStdString();
        EXPECT_FALSE(notes.contains("from-env") || notes.contains("a key from")) << args;
    }
    EXPECT_EQ("from-env", Parse({"apply", "f.yml", "--all"}).options.password.toStdString());
    EXPECT_TRUE(Parse({"set-wireless", "--ssid", "x", "--security", "none"}).ok);
    qunsetenv("SWP_PASSWORD");
    qunsetenv("SWP_KEY");

    // The key is asked twice before the search; the password once the device
    // is known, naming it, and an empty answer keeps the default.
    CtlOptions options;
    QString error;
    QStringList asked;
    QStringList answers;
    const SecretPrompt prompt = [&asked, &answers](const QString& question) {
        asked.append(question);
        const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
        return answer.isEmpty() ? std::nullopt : std::optional<QString>(answer);
    };
    answers = {"a typed secret", "a typed secret"};
    ASSERT_TRUE(ParseOptions(wpa, options, error, prompt)) << error.toStdString();
    EXPECT_EQ("a typed secret", options.wireless.key.toStdString());
    EXPECT_EQ(QStringList({"Wireless key: ", "Wireless key again: "}), asked);
    answers = {"a typed secret", "a typo secret"};
    EXPECT_FALSE(ParseOptions(wpa, options, error, prompt));
    EXPECT_EQ("the two keys typed differ: nothing was sent", error.toStdString());

    const struct {
        QString answer;
        const char* password; // empty: refused
    } typed[] = {{"", "tosca"}, {"s3cret", "s3cret"}, {QString(17, 'x'), ""}};
    for (const auto& c : typed) {
        ASSERT_TRUE(ParseOptions({"show"}, options, error, prompt));
        asked.clear();
        answers = {c.answer};
        EXPECT_EQ(*c.password != 0, AskPassword(options, "AP \x1b[31m(02:5A:00:00:00:01)", error))
            << c.password;
        if (*c.password) {
            EXPECT_EQ(c.password, options.password.toStdString());
        }
        EXPECT_EQ(QStringList({"Password of AP \\x1b[31m(02:5A:00:00:00:01) (empty keeps the "
                               "default): "}),
                  asked);
    }
    asked.clear();
    ASSERT_TRUE(ParseOptions({"show", "--password", "given"}, options, error, prompt));
    ASSERT_TRUE(AskPassword(options, "AP", error));
    ASSERT_TRUE(ParseOptions({"discover"}, options, error, prompt));
    EXPECT_TRUE(asked.isEmpty());
}
