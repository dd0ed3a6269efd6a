// The inventory of swpctl apply without any network: the file's schema and
// its line-numbered errors, YAML and JSON alike, password references, the
// apply options, and the differences apply finds between a device and the file.

#include "settings/globalvar.h"
#include "settings/textutil.h"
#include "tools/swpctl/applystate.h"
#include "tools/swpctl/inventory.h"
#include "tools/swpctl/options.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <sys/stat.h>

using namespace swpctl;

namespace {

struct Loaded {
    bool ok;
    Inventory inventory;
    QStringList errors;
};

Loaded Parse(const char* text, bool json = false, const QString& folder = QString()) {
    Loaded loaded;
    loaded.ok = ParseInventory(QByteArray(text), json, QStringLiteral("site.yml"), folder,
                               loaded.inventory, loaded.errors);
    return loaded;
}

const char kSite[] = R"(defaults:
  password: lobby-pw
  access_point: {security: wpa-psk, key: welcome-guests, wpa_mode: wpa2}
devices:
  - mac: 02:5a:00:00:00:01
    ip: {address: 192.168.0.51, mask: 255.255.255.0, gateway: 192.168.0.1}
    access_point: {ssid: lobby, channel: 11}
  - name: Client-1
    mode: bridge
    ip: dhcp
    station: {ssid: lobby, security: none}
)";

const char kSiteJson[] = R"({
	"defaults": {"password": "lobby-pw",
	  "access_point": {"security": "wpa-psk", "key": "welcome-guests", "wpa_mode": "wpa2"}},
	"devices": [
	  {"mac": "02:5a:00:00:00:01",
	   "ip": {"address": "192.168.0.51", "mask": "255.255.255.0", "gateway": "192.168.0.1"},
	   "access_point": {"ssid": "lobby", "channel": 11}},
	  {"name": "Client-1", "mode": "bridge", "ip": "dhcp",
	   "station": {"ssid": "lobby", "security": "none"}}
	]})";

TEST(SwpctlInventory, YamlAndJsonDescribeTheSameDevices) {
    for (const bool json : {false, true}) {
        const Loaded l = Parse(json ? kSiteJson : kSite, json);
        ASSERT_TRUE(l.ok) << l.errors.join('\n').toStdString();
        ASSERT_EQ(2u, l.inventory.devices.size());
        const DesiredDevice& ap = l.inventory.devices[0];
        EXPECT_EQ("02:5A:00:00:00:01", ap.Label().toStdString());
        EXPECT_EQ("lobby-pw", ap.password.toStdString());
        ASSERT_TRUE(ap.ip && !ap.ip->dhcp);
        EXPECT_EQ("192.168.0.51", DottedText(ap.ip->address.config.IP).toStdString());
        ASSERT_TRUE(ap.accessPoint);
        EXPECT_EQ("lobby", ap.accessPoint->ssid.toStdString());
        EXPECT_EQ(11, ap.accessPoint->channel.value_or(-1));
        EXPECT_EQ(2, ap.accessPoint->security);
        EXPECT_EQ(1, ap.accessPoint->wpaMode);
        EXPECT_EQ(DEVICE_AP, ap.ownProfileMode);

        const DesiredDevice& client = l.inventory.devices[1];
        EXPECT_EQ("Client-1", client.Label().toStdString());
        EXPECT_EQ(DEVICE_WBRIDGE, client.deviceMode.value_or(0));
        EXPECT_TRUE(client.ip && client.ip->dhcp);
        EXPECT_FALSE(client.accessPoint); // the defaults' profile is for the other mode
        ASSERT_TRUE(client.station);
        EXPECT_EQ(0, client.station->security); // its own security drops the defaults' key
    }
}

TEST(SwpctlInventory, EveryErrorNamesItsLineAndNothingIsKept) {
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"devices: []\n", "site.yml:1: \"devices\" must be a list"},
        {"defaults: {}\n", "site.yml:1: \"devices\" is missing"},
        {"devices:\n  - mac: 02:5A:00:00:00:01\n    colour: red\n",
         "site.yml:3: unknown key \"colour\""},
        {"devices:\n  - mac: 02:5A:00:00:00:0Z\n", "site.yml:2: \"mac\": a MAC like"},
        {"devices:\n  - mac: 02:5A:00:00:00:01\n  - mac: 02-5a-00-00-00-01\n",
         "site.yml:3: the device 02:5A:00:00:00:01 is listed twice"},
        {"devices:\n  - password: x\n", "site.yml:2: a device needs \"mac\" or \"name\""},
        {"devices:\n  - name: a\n    mode: router\n", "site.yml:3: \"mode\": ap or bridge"},
        {"devices:\n  - name: a\n    ip: {address: 10.0.0.5}\n",
         "site.yml:3: a static \"ip\" needs address and mask"},
        {"devices:\n  - name: a\n    ip: {address: 10.0.0.5, mask: 255.0.255.0}\n",
         "site.yml:3: \"ip\": The Subnet Mask entered is invalid."},
        {"devices:\n  - name: a\n    password: 12345678901234567\n",
         "site.yml:3: \"password\": The password is at most 16 characters."},
        {"devices:\n  - name: a\n\n    access_point: {ssid: x, security: wep, key: abc}\n",
         "site.yml:4: access_point: You have entered an incorrect WEP key."},
        {"devices:\n  - name: a\n    station: {ssid: x, security: none, channel: 6}\n",
         "site.yml:3: unknown key \"channel\""},
        {"devices:\n  - name: a\n    mode: ap\n    station: {ssid: x, security: none}\n",
         "site.yml:4: \"station\" does not fit \"mode: ap\""},
        {"devices:\n  - name: a\n    access_point: {ssid: x, security: none, key: abcdefgh}\n",
         "site.yml:3: access_point: \"key\" has no meaning with \"security\" none"},
        {"devices:\n  - name: a\n    password: {env: SWP_TEST_NOT_SET}\n",
         "site.yml:3: \"password\": the environment variable SWP_TEST_NOT_SET is not set"},
        {"devices:\n  - [name\n", "site.yml:"},
    };
    for (const auto& c : cases) {
        const Loaded l = Parse(c.text);
        EXPECT_FALSE(l.ok) << c.text;
        EXPECT_TRUE(l.inventory.devices.empty()) << c.text;
        ASSERT_FALSE(l.errors.isEmpty()) << c.text;
        EXPECT_TRUE(l.errors.first().startsWith(QLatin1String(c.error)))
            << c.text << "\n"
            << l.errors.join('\n').toStdString();
    }
    const Loaded json = Parse("{\"devices\": [\n {\"mac\": \"02:5A:00:00:00:01\",}\n]}", true);
    ASSERT_FALSE(json.ok);
    EXPECT_TRUE(json.errors.first().startsWith(QLatin1String("site.yml:2: ")))
        << json.errors.first().toStdString();
}

TEST(SwpctlInventory, HostileFilesGiveAnErrorNotACrash) {
    const QByteArray nested = "devices: " + QByteArray(100000, '[');
    const QByteArray binary("\x00\xff\xfe{[:\x01"
                            "devices",
                            13);
    const QByteArray aliases =
        "x: &a {mac: 02:5A:00:00:00:01}\ndevices: [" + QByteArray("*a, ").repeated(2000) + "*a]\n";
    for (const QByteArray& text : {nested, binary, aliases}) {
        for (const bool json : {false, true}) {
            Inventory inventory;
            QStringList errors;
            EXPECT_FALSE(ParseInventory(text, json, "h.yml", QString(), inventory, errors));
            EXPECT_FALSE(errors.isEmpty());
            EXPECT_TRUE(errors.first().startsWith(QLatin1String("h.yml:")))
                << errors.first().toStdString();
        }
    }
}

// An alias read again at every use, a flood of errors, a deep nest: a
// bounded answer that says what was wrong and where.
TEST(SwpctlInventory, AliasFloodsAndErrorFloodsAreCut) {
    QByteArray aliases = "devices:\n  - {name: d, access_point: &p {" +
                         QByteArray("ssid: x, ").repeated(2000) + "}}\n";
    for (int i = 0; i < 1000; ++i)
        aliases += "  - {name: d" + QByteArray::number(i) + ", access_point: *p}\n";
    QByteArray unknown = "devices:\n";
    for (int i = 0; i < 300; ++i)
        unknown += "  - {name: d" + QByteArray::number(i) + ", colour: red}\n";
    // 4 MiB of bytes that are not UTF-8: two million bad lines, counted as they
    // come rather than listed and cut.
    const QByteArray latin1 = QByteArray("\xff\n").repeated(2 * 1024 * 1024);
    const QByteArray nested = "devices:\n  - " + QByteArray(5000, '[');
    const QByteArray nestedJson = "{\"devices\":\n" + QByteArray(5000, '[');
    const struct {
        QByteArray text;
        bool json;
        const char* last;
    } cases[] = {
        {aliases, false,
         "h.yml:2: more than 1000000 keys and values (each use of an alias counts)"},
        {unknown, false, "h.yml: 200 more errors"},
        {latin1, false, "h.yml: 2097052 more errors"},
        {nested, false, "h.yml:2: lists and mappings nested too deeply (500 levels)"},
        {nestedJson, true, "h.yml:2: too deeply nested document"},
    };
    for (const auto& c : cases) {
        Inventory inventory;
        QStringList errors;
        EXPECT_FALSE(ParseInventory(c.text, c.json, "h.yml", QString(), inventory, errors));
        EXPECT_LE(errors.size(), 101);
        EXPECT_EQ(c.last, errors.value(errors.size() - 1).toStdString());
    }
}

TEST(SwpctlInventory, PasswordsFromTheEnvironmentOrAnOwnerOnlyFile) {
    qputenv("SWP_TEST_KEY", "from-the-environment");
    QTemporaryDir dir;
    QFile file(dir.filePath("ap.pw"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("from-a-file\n");
    file.close();
    const char text[] =
        "devices:\n  - name: a\n    password: {file: ap.pw}\n"
        "    access_point: {ssid: x, security: wpa-psk, key: {env: SWP_TEST_KEY}}\n";

    ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    Loaded l = Parse(text, false, dir.path());
    ASSERT_TRUE(l.ok) << l.errors.join('\n').toStdString();
    EXPECT_EQ("from-a-file", l.inventory.devices[0].password.toStdString());
    EXPECT_EQ("from-the-environment", l.inventory.devices[0].accessPoint->key.toStdString());

    ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    l = Parse(text, false, dir.path());
    EXPECT_FALSE(l.ok);
    EXPECT_TRUE(l.errors.join('\n').contains("can be read by others than its owner"))
        << l.errors.join('\n').toStdString();
    qunsetenv("SWP_TEST_KEY");
}

// Files people really write, and files planted to trick the reader: each is
// refused with its line, and no error holds a secret.
TEST(SwpctlInventory, HostileInventoriesAreRefusedWithoutTheSecret) {
    QTemporaryDir dir;
    const auto write = [&dir](const char* name, const QByteArray& text, bool priv = true) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        file.setPermissions(priv ? QFile::ReadOwner | QFile::WriteOwner
                                 : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        return dir.filePath(name);
    };
    write("pw", "welcome-guests-2024\n");
    QFile::link(dir.filePath("pw"), dir.filePath("pw.link"));
    ASSERT_EQ(0, ::mkfifo(QFile::encodeName(dir.filePath("pw.fifo")).constData(), 0600));
    write("latin1.pw", "caf\xe9-caf\xe9-caf\xe9\n");
    write("nul.key", QByteArray("abc\0defghij\n", 12));
    const QByteArray device = "devices:\n  - name: a\n    password: ";
    const struct {
        const char* name;
        QByteArray text;
        const char* error; // the first error begins so
    } cases[] = {
        {"link.yml", device + "{file: pw.link}\n", ":3: \"password\": "},
        {"fifo.yml", device + "{file: pw.fifo}\n", ":3: \"password\": "},
        {"pagemap.yml", device + "{file: /proc/self/pagemap}\n", ":3: \"password\": "},
        {"environ.yml", device + "{file: /proc/self/environ}\n", ":3: \"password\": "},
        {"latin1-pw.yml", device + "{file: latin1.pw}\n", ":3: \"password\": "},
        {"latin1.yml",
         "devices:\n  - name: a\n    access_point: {ssid: \"Caf\xe9\", security: none}\n",
         ":3: bytes that are not UTF-8"},
        {"twice.yml", "devices:\n  - mac: 02:5A:00:00:00:01\n    mac: 02:5A:00:00:00:02\n",
         ":3: \"mac\" is given twice in one mapping (lines 2 and 3)"},
        {"twice.json",
         "{\"devices\": [{\"name\": \"a\",\n \"password\": \"x\",\n \"password\": \"y\"}]}",
         ":3: \"password\" is given twice in one mapping (lines 2 and 3)"},
        {"lone.json", "{\"devices\": [{\"name\": \"a\",\n \"password\": \"\\ud83d\"}]}",
         ":2: a lone half of an escape pair"},
        {"typo.yml",
         "devices:\n  - name: a\n    access_point:\n      ssid: x\n      security: "
         "wpa-psk\n      key welcome-guests-2024\n",
         ":"},
        {"typo-flow.yml",
         "devices:\n  - name: a\n    access_point: {ssid: x, security: wpa-psk, "
         "key welcome-guests-2024}\n",
         ":3: a key that is not a plain name"},
        {"same.yml", "devices:\n  - name: a\n  - name: a\n",
         ":3: the device named \"a\" is listed twice (lines 2 and 3)"},
        // A NUL would cut the text where the device reads it: never sent.
        {"nul-ssid.yml", "devices:\n  - name: a\n    access_point: {ssid: \"ho\\0tel\"}\n",
         ":3: access_point: The SSID must not contain a NUL character"},
        {"nul-ssid.json",
         "{\"devices\": [{\"name\": \"a\",\n \"access_point\": {\"ssid\": \"ho\\u0000tel\"}}]}",
         ":2: access_point: The SSID must not contain a NUL character"},
        {"nul-key.yml",
         "devices:\n  - name: a\n    access_point: {ssid: x, security: wpa-psk, key: {file: "
         "nul.key}}\n",
         ":3: access_point: The passphrase must not contain a NUL character"},
        {"nul-name.yml", "devices:\n  - name: \"a\\0b\"\n", ":2: \"name\": The name must not"},
    };
    for (const auto& c : cases) {
        const QString path = write(c.name, c.text, false);
        Inventory inventory;
        QStringList errors;
        EXPECT_FALSE(LoadInventory(path, inventory, errors)) << c.name;
        const QString all = errors.join('\n');
        EXPECT_TRUE(errors.value(0).startsWith(path + c.error))
            << c.name << ": " << all.toStdString();
        EXPECT_FALSE(all.contains("welcome-guests") || all.contains("caf")) << all.toStdString();
        EXPECT_TRUE(inventory.devices.empty());
    }

    // The inventory itself is read with a bounded read, whatever it is.
    Inventory whole;
    QStringList refused;
    EXPECT_FALSE(LoadInventory("/proc/self/pagemap", whole, refused));
    EXPECT_TRUE(refused.value(0).startsWith("/proc/self/pagemap: "))
        << refused.join('\n').toStdString();

    // An escape pair is one character; the same text in YAML and JSON.
    Inventory inventory;
    QStringList errors;
    ASSERT_TRUE(LoadInventory(write("pair.json", "{\"devices\": [{\"name\": \"\\ud83d\\ude00\"}]}"),
                              inventory, errors))
        << errors.join('\n').toStdString();
    EXPECT_EQ(QString::fromUtf8("\xF0\x9F\x98\x80"), inventory.devices[0].name);
}

TEST(SwpctlInventory, ApplyOptionsKeepPasswordsOffTheCommandLine) {
    CtlOptions options;
    QString error;
    ASSERT_TRUE(ParseOptions(
        {"apply", "site.yml", "--check", "--json", "--only", "02:5a:00:00:00:01,02-5A-00-00-00-02"},
        options, error))
        << error.toStdString();
    EXPECT_EQ(Command::Apply, options.command);
    EXPECT_TRUE(options.check);
    EXPECT_EQ(QStringList({"02:5A:00:00:00:01", "02:5A:00:00:00:02"}), options.only);
    EXPECT_FALSE(ParseOptions({"apply", "site.yml", "--password", "x"}, options, error));
    EXPECT_TRUE(error.contains("the file names the devices and their passwords"));
    EXPECT_FALSE(ParseOptions({"apply"}, options, error));
    EXPECT_FALSE(ParseOptions({"apply", "site.yml", "--only", "a,,b"}, options, error));
    ASSERT_TRUE(
        ParseOptions({"apply", "site.yml", "--send-keys", "--only", "Client-1, 02-5a-00-00-00-03"},
                     options, error));
    EXPECT_TRUE(options.sendKeys);
    EXPECT_EQ(QStringList({"Client-1", "02:5A:00:00:00:03"}), options.only);
}

DeviceState Reported(int mode, const char* ssid, int channel, int security) {
    DeviceState state;
    state.mode = mode;
    state.ip.IpMode = 1;
    CopyBounded(state.wl.SSID, sizeof state.wl.SSID, ssid, std::strlen(ssid));
    state.wl.StdCh = static_cast<uint8_t>(channel);
    state.wl.Security = security;
    state.wl.WpaMode = 1;
    state.wl.WpaCipher = 1;
    return state;
}

QStringList Changes(const DesiredDevice& device, const DeviceState& state) {
    QStringList out;
    for (const FieldChange& change : Differences(device, state))
        out.append(FieldName(change.field) + ": " + change.before + " -> " + change.after);
    return out;
}

TEST(SwpctlInventory, DifferencesInTheFilesWords) {
    const Loaded l = Parse(kSite);
    ASSERT_TRUE(l.ok);
    const DesiredDevice& ap = l.inventory.devices[0];
    const DesiredDevice& client = l.inventory.devices[1];
    const struct {
        const DesiredDevice* device;
        DeviceState state;
        QStringList changes;
    } cases[] = {
        {&ap,
         Reported(DEVICE_AP, "lobby", 11, 2),
         {"ip: dhcp -> static", "address: 0.0.0.0 -> 192.168.0.51",
          "mask: 0.0.0.0 -> 255.255.255.0", "gateway: none -> 192.168.0.1"}},
        {&ap,
         Reported(DEVICE_AP, "old", 6, 0),
         {"ip: dhcp -> static", "address: 0.0.0.0 -> 192.168.0.51",
          "mask: 0.0.0.0 -> 255.255.255.0", "gateway: none -> 192.168.0.1", "ssid: old -> lobby",
          "channel: 6 -> 11", "security: none -> wpa-psk"}},
        // Runs as access point and is to be a client: the station profile counts.
        {&client,
         Reported(DEVICE_AP, "lobby", 6, 2),
         {"mode: ap -> bridge", "security: wpa-psk -> none"}},
        {&client, Reported(DEVICE_WBRIDGE, "lobby", 6, 0), {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.changes, Changes(*c.device, c.state))
            << Changes(*c.device, c.state).join('\n').toStdString();

    // A state the file leaves alone: the channel is not given for this device.
    DesiredDevice free = ap;
    free.accessPoint->channel.reset();
    free.ip.reset();
    EXPECT_TRUE(Changes(free, Reported(DEVICE_AP, "lobby", 3, 2)).isEmpty());
}

} // namespace
