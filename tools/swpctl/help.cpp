// The texts of swpctl --help, swpctl help COMMAND (or COMMAND --help), the
// exit codes and --version. The manual page says the same at length.

#include "setupversion.h"
#include "tools/swpctl/options.h"

namespace swpctl {

namespace {

struct CommandHelpText {
    Command command;
    const char* text;
};

// Every command's synopsis, what it does, its own options, its JSON and an
// example; the options of every command follow from kCommonOptions.
const CommandHelpText kCommandHelp[] = {
    {Command::Discover,
     "usage: swpctl discover [-j] [-a ADAPTER]\n"
     "\n"
     "Searches the local network (4 s) and lists the devices that answer: name,\n"
     "MAC, address and the adapter that heard them.\n"
     "\n"
     "JSON: a list of {name, mac, ip, adapter, adapter_mask}; when none answers,\n"
     "{devices: [], error}.\n"
     "\n"
     "Example:\n"
     "  swpctl discover -a eth0\n"},
    {Command::Show, "usage: swpctl show [-d MAC] [--password-file FILE] [-j]\n"
                    "\n"
                    "Logs in to the device and shows its configuration: mode, address and\n"
                    "wireless profile.\n"
                    "\n"
                    "JSON: {device, device_mode, ip, wireless}.\n"
                    "\n"
                    "Example:\n"
                    "  swpctl show -d 02:5A:00:00:00:01 --password-file ~/.config/swp/password\n"},
    {Command::SetIp,
     "usage: swpctl set-ip dhcp [-d MAC] [--check]\n"
     "       swpctl set-ip static IP MASK [GATEWAY|none] [-d MAC] [--check]\n"
     "\n"
     "Lets the device take its address by DHCP, or gives it a static address,\n"
     "checked as the wizard's IP page checks it; then reads it back. Without\n"
     "GATEWAY the device keeps its own; none removes it. An address the device\n"
     "would not take as typed (a final octet 255) is refused.\n"
     "\n"
     "  --check           send nothing; say what would change (exit 17 if anything)\n"
     "\n"
     "JSON: {command, check, devices: [{mac, name, ip, status, changes}], exit_code}.\n"
     "\n"
     "Example:\n"
     "  swpctl set-ip static 192.168.0.50 255.255.255.0 192.168.0.1 -d 02:5A:00:00:00:01\n"},
    {Command::SetWireless,
     "usage: swpctl set-wireless [--ssid SSID] [--security none|wep|wpa-psk] [OPTIONS]\n"
     "\n"
     "Changes the wireless profile of an access point, then reads it back. Only\n"
     "what is named changes; the rest is sent as the device reported it.\n"
     "\n"
     "  --ssid S          network name, 1 to 32 characters\n"
     "  --security S      none, wep or wpa-psk\n"
     "  --channel N       a channel of the device's list; 0 lets the device choose\n"
     "  --mode M          bgn (default), bg or n; also b, g, a, abg, abgn, gn, an, 0-9\n"
     "  --key-file F      the key from the file F (readable by you only); else\n"
     "                    --key, else SWP_KEY, else asked twice on a terminal\n"
     "  --key K           the key on the command line (every user can read it)\n"
     "                    WEP: 5 or 13 characters, or 10 or 26 hex digits;\n"
     "                    WPA-PSK: 8 to 63 characters, or 64 hex digits\n"
     "  --auth A          WEP: open, shared or auto (default auto)\n"
     "  --wpa-mode M      WPA-PSK: wpa, wpa2 or auto (default auto)\n"
     "  --cipher C        WPA-PSK: tkip, aes or auto (default: the WPA mode's)\n"
     "                    (the defaults apply when the security changes)\n"
     "  --check           send nothing; say what would change (exit 17 if anything)\n"
     "\n"
     "JSON: {command, check, devices: [{mac, name, ip, status, changes}], exit_code}.\n"
     "With --capture, anyone who has the capture can recover the key sent.\n"
     "\n"
     "Example:\n"
     "  swpctl set-wireless --channel 11 -d 02:5A:00:00:00:01\n"
     "  SWP_KEY=... swpctl set-wireless --ssid office --security wpa-psk --wpa-mode wpa2\n"},
    {Command::SetStation,
     "usage: swpctl set-station [--ssid SSID] [--security none|wep|wpa-psk] [OPTIONS]\n"
     "\n"
     "Changes the wireless profile of a device in bridge mode: the network it\n"
     "joins. Only what is named changes.\n"
     "\n"
     "  --ssid S          the access point's network name, 1 to 32 characters\n"
     "  --security S      none, wep or wpa-psk\n"
     "  --mode M          bgn (default), bg or n; also b, g, a, abg, abgn, gn, an, 0-9\n"
     "  --key-file F      the key from the file F (readable by you only); else\n"
     "                    --key, else SWP_KEY, else asked twice on a terminal\n"
     "  --key K           the key on the command line (every user can read it)\n"
     "  --auth A          WEP: open or shared (default open)\n"
     "  --wpa-mode M      WPA-PSK: wpa, wpa2 or auto (default auto)\n"
     "  --cipher C        WPA-PSK: tkip, aes or auto (default: the WPA mode's)\n"
     "                    (the defaults apply when the security changes)\n"
     "  --check           send nothing; say what would change (exit 17 if anything)\n"
     "\n"
     "JSON: {command, check, devices: [{mac, name, ip, status, changes}], exit_code}.\n"
     "With --capture, anyone who has the capture can recover the key sent.\n"
     "\n"
     "Example:\n"
     "  swpctl set-station --ssid office --security wpa-psk --key-file office.key\n"},
    {Command::SetMode, "usage: swpctl set-mode ap|bridge [-d MAC] [--check]\n"
                       "\n"
                       "Runs the device as access point (ap) or in bridge mode, a client of\n"
                       "another access point (bridge).\n"
                       "\n"
                       "  --check           send nothing; say what would change\n"
                       "\n"
                       "JSON: {command, check, devices: [{mac, name, ip, status, changes}],\n"
                       "exit_code}.\n"
                       "\n"
                       "Example:\n"
                       "  swpctl set-mode bridge -d 02:5A:00:00:01:01\n"},
    {Command::Survey, "usage: swpctl survey [-d MAC] [-j]\n"
                      "\n"
                      "Lists the networks the device hears, strongest first.\n"
                      "\n"
                      "JSON: a list of {ssid, bssid, signal, channel, encryption, authentication,\n"
                      "kind, wps}; on failure {networks: [], error}.\n"
                      "\n"
                      "Example:\n"
                      "  swpctl survey -d 02:5A:00:00:01:01 -j\n"},
    {Command::ClientPin,
     "usage: swpctl client-pin [-d MAC]\n"
     "\n"
     "Shows the PIN the device uses as a WPS client (enter it at the access point).\n"
     "\n"
     "JSON: {pin}.\n"
     "\n"
     "Example:\n"
     "  swpctl client-pin -d 02:5A:00:00:01:01\n"},
    {Command::WpsPbc,
     "usage: swpctl wps-pbc [-d MAC]\n"
     "\n"
     "Starts WPS push-button pairing on the device and follows it until the device\n"
     "reports \"Configured\" or a failure (at most 180 s).\n"
     "\n"
     "JSON: {status, configuration}.\n"
     "\n"
     "Example:\n"
     "  swpctl wps-pbc -d 02:5A:00:00:00:01\n"},
    {Command::WpsPin,
     "usage: swpctl wps-pin PIN [-d MAC]          (access point)\n"
     "       swpctl wps-pin --ssid SSID [-d MAC]  (bridge mode)\n"
     "\n"
     "Pairs by WPS PIN: an access point with the client that has the 8-digit PIN;\n"
     "a device in bridge mode with the access point SSID, showing the device's\n"
     "own PIN to enter there.\n"
     "\n"
     "  --ssid S          bridge mode: the access point to pair with\n"
     "\n"
     "JSON: {status, configuration} (and pin in bridge mode).\n"
     "\n"
     "Example:\n"
     "  swpctl wps-pin 12345670 -d 02:5A:00:00:00:01\n"},
    {Command::Apply,
     "usage: swpctl apply FILE [--check] [--send-keys] [--only DEVICE,...] [--all]\n"
     "       swpctl apply --all [--check] [-j]\n"
     "\n"
     "Brings every device of the inventory FILE (YAML or JSON) to the state it\n"
     "describes, sending only what differs; the passwords come from the file, so\n"
     "apply takes no --device and no --password. The inventory's keys are in\n"
     "swpctl(1), section INVENTORY.\n"
     "\n"
     "  --check           send nothing; print per device the fields that differ\n"
     "  --only DEVICE,... only these devices: MACs or names the file gives\n"
     "  --send-keys       also send a profile whose key or wireless mode is all\n"
     "                    that may differ (the devices never report them)\n"
     "  --all             also read every device that answers and is not in\n"
     "                    the file (nothing is sent to it; its password:\n"
     "                    SWP_PASSWORD, else the default); FILE may then be\n"
     "                    left out\n"
     "\n"
     "JSON: {file, check, devices: [{device, line, status, changes, ...}],\n"
     "unlisted, exit_code}, and error when it fails.\n"
     "\n"
     "Example:\n"
     "  HOTEL_KEY=... swpctl apply lobby.yml --check\n"},
    {Command::Doctor,
     "usage: swpctl doctor [-a ADAPTER] [-j]\n"
     "\n"
     "Searches once and says why no device answers (no adapter, the port held by\n"
     "another program, a firewall, the reverse-path filter, ...), with the fix for\n"
     "each cause found; exit codes 10 to 16 name the main cause.\n"
     "\n"
     "JSON: {main_cause, exit_code, devices, adapters, findings: [...], ...}.\n"
     "\n"
     "Example:\n"
     "  swpctl doctor -a eth0\n"},
};

const char kCommonOptions[] =
    "\n"
    "Options of every command:\n"
    "  -d, --device MAC        the device (default: the only one that answers)\n"
    "  -a, --adapter ADAPTER   search on this adapter only: interface name or IPv4\n"
    "  -j, --json              one JSON document on stdout, also on failure\n"
    "      --password-file F   the device password from F (readable by you only);\n"
    "                          else --password, else SWP_PASSWORD, else asked for\n"
    "      --timeout SECONDS   end the whole run by then (exit code 18)\n"
    "      --log F, --capture F, --speedup N: see swpctl --help\n"
    "With -j, a failed run's document holds error: {code, name, message}.\n";

} // namespace

QString HelpText() {
    return QStringLiteral(
        "usage: swpctl [OPTIONS] COMMAND [ARGUMENTS]\n"
        "       swpctl help COMMAND | swpctl COMMAND --help | swpctl --version\n"
        "\n"
        "Finds, reads and configures the wireless devices on the local network.\n"
        "\n"
        "Commands:\n"
        "  discover       list the devices that answer\n"
        "  show           show a device's configuration\n"
        "  set-ip         give a device a static address, or DHCP\n"
        "  set-wireless   write an access point's wireless profile\n"
        "  set-station    write a bridge's wireless profile\n"
        "  set-mode       run a device as access point or bridge\n"
        "  survey         list the networks a device hears\n"
        "  client-pin     show the PIN a device uses as a WPS client\n"
        "  wps-pbc        pair by WPS push button\n"
        "  wps-pin        pair by WPS PIN\n"
        "  apply          bring the devices of an inventory file to its state\n"
        "  doctor         say why no device answers, and the fix\n"
        "\n"
        "Options:\n"
        "  -d, --device MAC        the device (default: the only one that answers)\n"
        "  -a, --adapter ADAPTER   search on this adapter only: interface name or IPv4\n"
        "  -j, --json              one JSON document on stdout, also on failure\n"
        "      --password-file F   the device password from F (readable by you only);\n"
        "                          else --password P (every user can read it), else\n"
        "                          SWP_PASSWORD, else asked for, else the default\n"
        "      --timeout SECONDS   end the whole run by then (exit code 18)\n"
        "      --capture FILE      write every datagram to a pcapng capture; it lets\n"
        "                          anyone recover a key sent, password or not\n"
        "      --log FILE          write the debug trace\n"
        "      --speedup N         run every wait N times faster (tests)\n"
        "  -h, --help, --version\n"
        "\n"
        "Exit codes: 0 done, 1 other, 2 invalid arguments, 3 no device, 4 login\n"
        "refused, 5 time-out, 6 refused, 7 WPS failed, 8 unusable reply, 9 apply: a\n"
        "device failed, 10-16 doctor's finding, 17 --check: differs, 18 --timeout\n"
        "(swpctl help exit-codes; man swpctl)\n");
}

QString CommandHelp(Command command) {
    for (const CommandHelpText& help : kCommandHelp)
        if (help.command == command)
            return QString::fromUtf8(help.text) + QLatin1String(kCommonOptions);
    return QString();
}

QString ExitCodesText() {
    return QStringLiteral(
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
        "  18 --timeout: the run was ended at its deadline\n"
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
        "  16 an adapter is down, has no link or no IPv4 address\n"
        "With --json, a failed run's document holds error: {code, name, message}; the\n"
        "names: other, invalid-arguments, no-device, login-refused, timeout, refused,\n"
        "wps-failed, bad-reply, some-failed, no-adapter, port-in-use, firewall,\n"
        "reverse-path-filter, receive-buffer, foreign-address, adapter-down, differs,\n"
        "deadline.\n");
}

QString VersionText() {
    return QStringLiteral("swpctl %1\n").arg(QLatin1String(SETUP_VERSION));
}

QString HelpFor(const QString& topic) {
    if (topic.isEmpty())
        return HelpText();
    if (topic == QLatin1String("exit-codes"))
        return ExitCodesText();
    for (const CommandHelpText& help : kCommandHelp)
        if (topic == QLatin1String(CommandName(help.command)))
            return CommandHelp(help.command);
    return QString();
}

} // namespace swpctl
