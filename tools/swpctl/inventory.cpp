#include "tools/swpctl/inventory.h"

#include "settings/records.h"
#include "settings/textutil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QMap>
#include <QSet>
#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>
#include <yaml-cpp/yaml.h>

namespace swpctl {

namespace {

constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;
constexpr qint64 kMaxSecretSize = 4096;
// An alias is read again at each use: this many keys and values at most, so
// that a few lines of aliases cannot keep the reader busy for hours.
constexpr int kMaxValues = 1000000;
// More errors than this are counted, not listed.
constexpr int kMaxErrorsShown = 100;

// The schema: the keys each part of the file may hold.
const QStringList kTopKeys = {QStringLiteral("defaults"), QStringLiteral("devices")};
const QStringList kEntryKeys = {QStringLiteral("password"), QStringLiteral("mode"),
                                QStringLiteral("ip"), QStringLiteral("access_point"),
                                QStringLiteral("station")};
const QStringList kDeviceKeys =
    QStringList{QStringLiteral("mac"), QStringLiteral("name")} + kEntryKeys;
const QStringList kAddressKeys = {QStringLiteral("address"), QStringLiteral("mask"),
                                  QStringLiteral("gateway")};
// Profile keys of the file and the names the profile checks know them by.
const QMap<QString, QString> kProfileKeys = {
    {QStringLiteral("ssid"), QStringLiteral("ssid")},
    {QStringLiteral("channel"), QStringLiteral("channel")},
    {QStringLiteral("wireless_mode"), QStringLiteral("mode")},
    {QStringLiteral("security"), QStringLiteral("security")},
    {QStringLiteral("auth"), QStringLiteral("auth")},
    {QStringLiteral("key"), QStringLiteral("key")},
    {QStringLiteral("wpa_mode"), QStringLiteral("wpa-mode")},
    {QStringLiteral("cipher"), QStringLiteral("cipher")},
};
// Given with security in a device's own profile, these of the defaults no longer hold.
const QStringList kSecurityKeys = {QStringLiteral("auth"), QStringLiteral("key"),
                                   QStringLiteral("wpa_mode"), QStringLiteral("cipher")};

int Line(const YAML::Node& node) {
    const YAML::Mark mark = node.Mark();
    return mark.is_null() ? 0 : mark.line + 1;
}

struct Value {
    QString text;
    int line = 0;
    bool unresolved = false; // a reference that could not be read (already an error)
};
using Values = QMap<QString, Value>;

// One entry (the defaults or a device) as written.
struct Entry {
    int line = 0;
    Values top;     // mac, name, password, mode
    Value ip;       // "dhcp", or empty with address values
    Values address; // address, mask, gateway
    bool hasIp = false;
    Values profile[2]; // access point, station
    int profileLine[2] = {0, 0};
    bool hasProfile[2] = {false, false};
};

// Thrown when the file holds more than kMaxValues values.
struct TooManyValues {
    int line;
};

struct LineError {
    int line;
    QString text;
};

class CReader {
public:
    CReader(const QString& name, const QString& folder) : m_Name(name), m_Folder(folder) {}

    // "FILE:LINE: message", by line.
    QStringList Errors() const {
        std::vector<LineError> sorted = m_Errors;
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const LineError& a, const LineError& b) { return a.line < b.line; });
        QStringList errors;
        for (const LineError& error : sorted)
            errors.append(error.text);
        return errors;
    }

    bool Read(const YAML::Node& root, Inventory& out) {
        if (!root.IsMap()) {
            Error(Line(root), QStringLiteral("the file must be a mapping with \"devices\" (and "
                                             "optionally \"defaults\")"));
            return false;
        }
        Entry defaults;
        YAML::Node devices;
        bool hasDevices = false;
        for (const auto& item : root) {
            const QString key = Key(item.first);
            if (key == QLatin1String("defaults")) {
                if (Map(item.second, key))
                    ReadEntry(item.second, kEntryKeys, defaults);
            } else if (key == QLatin1String("devices")) {
                devices = item.second;
                hasDevices = true;
            } else if (!key.isNull()) {
                Unknown(item.first, key, kTopKeys);
            }
        }
        if (!hasDevices) {
            Error(std::max(Line(root), 1), QStringLiteral("\"devices\" is missing"));
            return false;
        }
        if (!devices.IsSequence() || devices.size() == 0) {
            Error(Line(devices),
                  QStringLiteral("\"devices\" must be a list of one device or more"));
            return false;
        }
        for (const auto& node : devices) {
            Entry entry;
            entry.line = Line(node);
            if (!Map(node, QStringLiteral("a device")))
                continue;
            ReadEntry(node, kDeviceKeys, entry);
            DesiredDevice device;
            if (Resolve(defaults, entry, device))
                out.devices.push_back(device);
        }
        return m_Errors.empty();
    }

private:
    void Error(int line, const QString& message) {
        const QString text =
            QStringLiteral("%1:%2: %3").arg(m_Name, QString::number(line), message);
        if (!m_Seen.contains(text)) {
            m_Seen.insert(text);
            m_Errors.push_back({line, text});
        }
    }

    void Count(const YAML::Node& node) {
        if (++m_Values > kMaxValues)
            throw TooManyValues{Line(node)};
    }

    QString Key(const YAML::Node& node) {
        Count(node);
        if (!node.IsScalar()) {
            Error(Line(node), QStringLiteral("a key must be a plain name"));
            return QString();
        }
        return QString::fromStdString(node.Scalar());
    }

    void Unknown(const YAML::Node& node, const QString& key, const QStringList& known) {
        Error(Line(node), QStringLiteral("unknown key \"%1\" (expected: %2)")
                              .arg(key, known.join(QStringLiteral(", "))));
    }

    bool Map(const YAML::Node& node, const QString& what) {
        Count(node);
        if (node.IsMap())
            return true;
        Error(Line(node), QStringLiteral("%1 must be a mapping of keys").arg(what));
        return false;
    }

    bool Scalar(const YAML::Node& node, const QString& key, Value& out) {
        Count(node);
        if (!node.IsScalar()) {
            Error(Line(node), QStringLiteral("\"%1\" needs a single value").arg(key));
            return false;
        }
        out = {QString::fromStdString(node.Scalar()), Line(node)};
        return true;
    }

    // A password or key: the text, {env: NAME} or {file: PATH}.
    bool Secret(const YAML::Node& node, const QString& key, Value& out) {
        if (!node.IsMap())
            return Scalar(node, key, out);
        const QString usage =
            QStringLiteral("\"%1\" is a text, {env: NAME} or {file: PATH}").arg(key);
        if (node.size() != 1) {
            Error(Line(node), usage);
            return false;
        }
        const auto item = *node.begin();
        const QString kind = Key(item.first);
        Value ref;
        if (kind.isNull() || !Scalar(item.second, key, ref))
            return false;
        out.line = Line(node);
        if (kind == QLatin1String("env")) {
            if (!qEnvironmentVariableIsSet(ref.text.toLocal8Bit().constData())) {
                Error(ref.line, QStringLiteral("\"%1\": the environment variable %2 is not set")
                                    .arg(key, ref.text));
                return false;
            }
            out.text = qEnvironmentVariable(ref.text.toLocal8Bit().constData());
            return true;
        }
        if (kind == QLatin1String("file"))
            return SecretFile(key, ref, out);
        Error(Line(item.first), usage);
        return false;
    }

    bool SecretFile(const QString& key, const Value& ref, Value& out) {
        const QString path = QDir(m_Folder).absoluteFilePath(ref.text);
        struct stat info = {};
        auto fail = [&](const QString& why) {
            Error(ref.line, QStringLiteral("\"%1\": %2 %3").arg(key, path, why));
            return false;
        };
        if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
            return fail(QStringLiteral("is not a file that can be read"));
        if (info.st_uid != ::geteuid())
            return fail(QStringLiteral("belongs to another user"));
        if ((info.st_mode & 077) != 0)
            return fail(QStringLiteral("can be read by others than its owner (chmod 600 it)"));
        QFile file(path);
        if (info.st_size > kMaxSecretSize || !file.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("cannot be read (or is longer than 4096 bytes)"));
        QByteArray text = file.readAll();
        while (text.endsWith('\n') || text.endsWith('\r'))
            text.chop(1);
        out.text = QString::fromUtf8(text);
        return true;
    }

    void ReadEntry(const YAML::Node& node, const QStringList& allowed, Entry& entry) {
        entry.line = Line(node);
        for (const auto& item : node) {
            const QString key = Key(item.first);
            if (key.isNull())
                continue;
            if (!allowed.contains(key)) {
                Unknown(item.first, key, allowed);
                continue;
            }
            Value value;
            if (key == QLatin1String("ip")) {
                ReadIp(item.second, entry);
            } else if (key == QLatin1String("access_point") || key == QLatin1String("station")) {
                ReadProfile(item.second, key, key == QLatin1String("station") ? 1 : 0, entry);
            } else if (key == QLatin1String("password")) {
                value.unresolved = !Secret(item.second, key, value);
                entry.top.insert(key, value);
            } else if (Scalar(item.second, key, value)) {
                entry.top.insert(key, value);
            }
        }
    }

    void ReadIp(const YAML::Node& node, Entry& entry) {
        entry.hasIp = true;
        if (node.IsScalar()) {
            Scalar(node, QStringLiteral("ip"), entry.ip);
            if (entry.ip.text != QLatin1String("dhcp"))
                Error(entry.ip.line, QStringLiteral("\"ip\" is dhcp or a mapping with address, "
                                                    "mask and gateway"));
            return;
        }
        entry.ip.line = Line(node);
        if (!Map(node, QStringLiteral("\"ip\"")))
            return;
        for (const auto& item : node) {
            const QString key = Key(item.first);
            Value value;
            if (key.isNull())
                continue;
            if (!kAddressKeys.contains(key))
                Unknown(item.first, key, kAddressKeys);
            else if (Scalar(item.second, key, value))
                entry.address.insert(key, value);
        }
    }

    void ReadProfile(const YAML::Node& node, const QString& name, int kind, Entry& entry) {
        entry.hasProfile[kind] = true;
        entry.profileLine[kind] = Line(node);
        if (!Map(node, QStringLiteral("\"%1\"").arg(name)))
            return;
        QStringList allowed = kProfileKeys.keys();
        if (kind == 1)
            allowed.removeAll(QStringLiteral("channel")); // the station follows its access point
        for (const auto& item : node) {
            const QString key = Key(item.first);
            Value value;
            if (key.isNull())
                continue;
            if (!allowed.contains(key)) {
                Unknown(item.first, key, allowed);
            } else if (key == QLatin1String("key")) {
                value.unresolved = !Secret(item.second, key, value);
                entry.profile[kind].insert(key, value);
            } else if (Scalar(item.second, key, value)) {
                entry.profile[kind].insert(key, value);
            }
        }
    }

    // The device's entry over the defaults, checked.
    bool Resolve(const Entry& defaults, const Entry& entry, DesiredDevice& device) {
        const size_t errorsBefore = m_Errors.size();
        device.line = entry.line;
        Values top = defaults.top;
        for (auto it = entry.top.cbegin(); it != entry.top.cend(); ++it)
            top.insert(it.key(), it.value());

        if (top.contains(QStringLiteral("mac"))) {
            const Value& mac = top[QStringLiteral("mac")];
            device.hasMac = ParseMAC(mac.text, device.mac);
            if (!device.hasMac)
                Error(mac.line, QStringLiteral("\"mac\": a MAC like 02:00:00:00:00:01 is "
                                               "expected, not \"%1\"")
                                    .arg(mac.text));
            else if (!m_Macs.contains(FormatMAC(device.mac)))
                m_Macs.insert(FormatMAC(device.mac));
            else
                Error(mac.line,
                      QStringLiteral("the device %1 is listed twice").arg(FormatMAC(device.mac)));
        }
        if (top.contains(QStringLiteral("name"))) {
            const Value& name = top[QStringLiteral("name")];
            device.name = name.text;
            if (name.text.isEmpty())
                Error(name.line, QStringLiteral("\"name\" is empty"));
            else if (!device.hasMac && m_Names.contains(name.text))
                Error(name.line,
                      QStringLiteral("the device named \"%1\" is listed twice").arg(name.text));
            if (!device.hasMac)
                m_Names.insert(name.text);
        }
        if (!top.contains(QStringLiteral("mac")) && !top.contains(QStringLiteral("name")))
            Error(entry.line, QStringLiteral("a device needs \"mac\" or \"name\""));

        if (top.contains(QStringLiteral("password"))) {
            const Value& password = top[QStringLiteral("password")];
            QString error;
            if (password.unresolved)
                device.password.clear(); // told where it is read
            else if (CheckPassword(password.text, error))
                device.password = password.text;
            else
                Error(password.line, QStringLiteral("\"password\": %1").arg(error));
        }
        if (top.contains(QStringLiteral("mode"))) {
            const Value& mode = top[QStringLiteral("mode")];
            if (mode.text == QLatin1String("ap"))
                device.deviceMode = DEVICE_AP;
            else if (mode.text == QLatin1String("bridge"))
                device.deviceMode = DEVICE_WBRIDGE;
            else
                Error(mode.line, QStringLiteral("\"mode\": ap or bridge is expected, not \"%1\"")
                                     .arg(mode.text));
        }
        ResolveIp(entry.hasIp ? entry : defaults, device);
        for (int kind = 0; kind < 2; ++kind)
            ResolveProfile(defaults, entry, kind, device);
        return m_Errors.size() == errorsBefore;
    }

    void ResolveIp(const Entry& from, DesiredDevice& device) {
        if (!from.hasIp || (!from.ip.text.isEmpty() && from.ip.text != QLatin1String("dhcp")))
            return; // none, or an error already told
        DesiredAddress ip;
        if (from.ip.text == QLatin1String("dhcp")) {
            ip.dhcp = true;
            device.ip = ip;
            return;
        }
        if (!from.address.contains(QStringLiteral("address")) ||
            !from.address.contains(QStringLiteral("mask"))) {
            Error(from.ip.line, QStringLiteral("a static \"ip\" needs address and mask"));
            return;
        }
        QString error;
        if (!ValidateStaticAddress(from.address[QStringLiteral("address")].text,
                                   from.address[QStringLiteral("mask")].text,
                                   from.address.value(QStringLiteral("gateway")).text, ip.address,
                                   error)) {
            Error(from.ip.line, QStringLiteral("\"ip\": %1").arg(error));
            return;
        }
        device.ip = ip;
    }

    void ResolveProfile(const Entry& defaults, const Entry& entry, int kind,
                        DesiredDevice& device) {
        const bool own = entry.hasProfile[kind];
        if (!own && !defaults.hasProfile[kind])
            return;
        const int mode = kind == 0 ? DEVICE_AP : DEVICE_WBRIDGE;
        const QString name = kind == 0 ? QStringLiteral("access_point") : QStringLiteral("station");
        const int line = own ? entry.profileLine[kind] : defaults.profileLine[kind];
        if (own) {
            if (device.deviceMode && *device.deviceMode != mode) {
                Error(line,
                      QStringLiteral("\"%1\" does not fit \"mode: %2\"")
                          .arg(name, *device.deviceMode == DEVICE_AP ? QStringLiteral("ap")
                                                                     : QStringLiteral("bridge")));
                return;
            }
            if (device.ownProfileMode != 0) {
                Error(line, QStringLiteral("a device has \"access_point\" or \"station\", not "
                                           "both (\"mode\" chooses)"));
                return;
            }
            device.ownProfileMode = mode;
        } else if (device.deviceMode && *device.deviceMode != mode) {
            return; // the defaults hold profiles for both modes
        }
        Values values = defaults.profile[kind];
        const Values& mine = entry.profile[kind];
        if (mine.contains(QStringLiteral("security")))
            for (const QString& key : kSecurityKeys)
                values.remove(key);
        for (auto it = mine.cbegin(); it != mine.cend(); ++it)
            values.insert(it.key(), it.value());
        QMap<QString, QString> settings;
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            if (it.value().unresolved)
                return; // told where it is read
            settings.insert(kProfileKeys.value(it.key()), it.value().text);
        }
        WirelessOptions options;
        QString error;
        const auto shown = [](const QString& setting) {
            return QLatin1Char('"') + kProfileKeys.key(setting) + QLatin1Char('"');
        };
        if (!CheckWirelessSettings(settings, kind == 1, shown, options, error)) {
            Error(line, QStringLiteral("%1: %2").arg(name, error));
            return;
        }
        (kind == 0 ? device.accessPoint : device.station) = options;
    }

    QString m_Name;
    QString m_Folder;
    std::vector<LineError> m_Errors;
    QSet<QString> m_Seen;
    int m_Values = 0;
    QSet<QString> m_Macs;
    QSet<QString> m_Names;
};

// Strict JSON first, so a JSON file gets JSON's rules; the line of the error.
bool CheckJsonSyntax(const QByteArray& text, const QString& name, QStringList& errors) {
    QJsonParseError parsed;
    QJsonDocument::fromJson(text, &parsed);
    if (parsed.error == QJsonParseError::NoError)
        return true;
    const int line = static_cast<int>(text.left(parsed.offset).count('\n')) + 1;
    errors.append(
        QStringLiteral("%1:%2: %3").arg(name, QString::number(line), parsed.errorString()));
    return false;
}

} // namespace

QString DesiredDevice::Label() const {
    return hasMac ? FormatMAC(mac) : name;
}

bool ParseInventory(const QByteArray& text, bool json, const QString& name, const QString& folder,
                    Inventory& out, QStringList& errors) {
    out = Inventory{};
    errors.clear();
    if (json && !CheckJsonSyntax(text, name, errors))
        return false;
    // JSON is YAML in flow style, but for tabs, which JSON allows between tokens only.
    QByteArray yaml = text;
    if (json)
        yaml.replace('\t', ' ');
    try {
        const YAML::Node root = YAML::Load(yaml.toStdString());
        CReader reader(name, folder);
        const bool read = reader.Read(root, out);
        errors = reader.Errors();
        if (errors.size() > kMaxErrorsShown) {
            const qsizetype more = errors.size() - kMaxErrorsShown;
            errors.resize(kMaxErrorsShown);
            errors.append(QStringLiteral("%1: %2 more errors").arg(name, QString::number(more)));
        }
        if (!read) {
            out = Inventory{};
            return false;
        }
    } catch (const TooManyValues& e) {
        errors = QStringList{QStringLiteral("%1:%2: more than %3 keys and values (each use of an "
                                            "alias counts)")
                                 .arg(name, QString::number(e.line), QString::number(kMaxValues))};
        out = Inventory{};
        return false;
    } catch (const YAML::Exception& e) {
        errors.append(QStringLiteral("%1:%2: %3")
                          .arg(name, QString::number(e.mark.is_null() ? 0 : e.mark.line + 1),
                               QString::fromStdString(e.msg)));
        out = Inventory{};
        return false;
    }
    return true;
}

bool LoadInventory(const QString& path, Inventory& out, QStringList& errors) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        errors = QStringList{QStringLiteral("%1: %2").arg(path, file.errorString())};
        return false;
    }
    if (file.size() > kMaxFileSize) {
        errors = QStringList{QStringLiteral("%1: larger than 4 MiB").arg(path)};
        return false;
    }
    const bool json = path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive);
    return ParseInventory(file.readAll(), json, path, QFileInfo(path).absolutePath(), out, errors);
}

} // namespace swpctl
