#include "tools/swpctl/inventory.h"

#include "settings/privatefile.h"
#include "settings/records.h"
#include "settings/textutil.h"
#include "settings/wirelessrules.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <yaml-cpp/depthguard.h>
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

// A key is quoted in a message only when it is a plain name: a line that
// lost its colon ("key secret-text") is one key that holds a secret.
bool PlainName(const QString& key) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]{0,31}$"));
    return plain.match(key).hasMatch();
}

QString Quoted(const QString& key) {
    return PlainName(key) ? QLatin1Char('"') + key + QLatin1Char('"')
                          : QStringLiteral("a key that is not a plain name");
}

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

// The keys of one mapping seen so far, with their lines.
using SeenKeys = QHash<QString, int>;

QString AtLine(const QString& name, int line, const QString& message) {
    return QStringLiteral("%1:%2: %3").arg(name, QString::number(line), message);
}

// The errors of one file, "FILE:LINE: message", each once. Beyond
// kMaxErrorsShown they are counted as they come, never kept, so that a
// hostile file (millions of bad lines) cannot fill the memory.
class CErrorList {
public:
    explicit CErrorList(const QString& name) : m_Name(name) {}

    void Add(int line, const QString& message) {
        ++m_Total;
        if (m_Errors.size() >= static_cast<size_t>(kMaxErrorsShown)) {
            ++m_More;
            return;
        }
        const QString text = AtLine(m_Name, line, message);
        if (!m_Seen.contains(text)) {
            m_Seen.insert(text);
            m_Errors.push_back({line, text});
        }
    }
    // How many were added, kept or not.
    qint64 Total() const { return m_Total; }
    bool Empty() const { return m_Total == 0; }

    // By line, then how many more there were.
    QStringList Lines() const {
        std::vector<LineError> sorted = m_Errors;
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const LineError& a, const LineError& b) { return a.line < b.line; });
        QStringList lines;
        for (const LineError& error : sorted)
            lines.append(error.text);
        if (m_More > 0)
            lines.append(QStringLiteral("%1: %2 more errors").arg(m_Name, QString::number(m_More)));
        return lines;
    }

private:
    QString m_Name;
    std::vector<LineError> m_Errors;
    QSet<QString> m_Seen;
    qint64 m_Total = 0;
    qint64 m_More = 0;
};

class CReader {
public:
    CReader(const QString& name, const QString& folder) : m_Folder(folder), m_Errors(name) {}

    // "FILE:LINE: message", by line.
    QStringList Errors() const { return m_Errors.Lines(); }

    bool Read(const YAML::Node& root, Inventory& out) {
        if (!root.IsMap() || root.IsNull()) {
            Error(Line(root), QStringLiteral("the file must be a mapping with \"devices\" (and "
                                             "optionally \"defaults\")"));
            return false;
        }
        Entry defaults;
        YAML::Node devices;
        bool hasDevices = false;
        SeenKeys seen;
        for (const auto& item : root) {
            const QString key = Key(item.first);
            if (!key.isNull() && !FirstOfItsName(seen, key, item.first))
                continue;
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
        return m_Errors.Empty();
    }

private:
    void Error(int line, const QString& message) { m_Errors.Add(line, message); }

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
        const QString expected = known.join(QStringLiteral(", "));
        if (PlainName(key))
            Error(Line(node),
                  QStringLiteral("unknown key \"%1\" (expected: %2)").arg(key, expected));
        else
            Error(Line(node), QStringLiteral("a key that is not a plain name (a missing \":\"?); "
                                             "expected: %1")
                                  .arg(expected));
    }

    // A key given twice in one mapping is an error, never the last one winning.
    bool FirstOfItsName(SeenKeys& seen, const QString& key, const YAML::Node& node) {
        const int line = Line(node);
        const auto first = seen.constFind(key);
        if (first == seen.cend()) {
            seen.insert(key, line);
            return true;
        }
        Error(line, QStringLiteral("%1 is given twice in one mapping (lines %2 and %3)")
                        .arg(Quoted(key), QString::number(*first), QString::number(line)));
        return false;
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

    // Text read from outside the file: UTF-8 as it stands, or an error.
    bool Utf8(const QByteArray& bytes, const QString& key, const QString& where, int line,
              QString& text) {
        if (DecodeUtf8Strictly(bytes, text))
            return true;
        Error(line, QStringLiteral("%1: %2 is not valid UTF-8").arg(Quoted(key), where));
        return false;
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
            const QByteArray variable = ref.text.toLocal8Bit();
            if (!qEnvironmentVariableIsSet(variable.constData())) {
                Error(ref.line, QStringLiteral("%1: the environment variable %2 is not set")
                                    .arg(Quoted(key), ref.text));
                return false;
            }
            return Utf8(qgetenv(variable.constData()), key,
                        QStringLiteral("the environment variable %1").arg(ref.text), ref.line,
                        out.text);
        }
        if (kind == QLatin1String("file"))
            return SecretFile(key, ref, out);
        Error(Line(item.first), usage);
        return false;
    }

    bool SecretFile(const QString& key, const Value& ref, Value& out) {
        const QString path = QDir(m_Folder).absoluteFilePath(ref.text);
        const privatefile::ReadResult read =
            privatefile::Read(path, kMaxSecretSize, privatefile::Owner::PrivateToUser);
        if (!read.ok) {
            Error(ref.line, QStringLiteral("%1: %2 %3").arg(Quoted(key), path, read.error));
            return false;
        }
        QByteArray text = read.data;
        while (text.endsWith('\n') || text.endsWith('\r'))
            text.chop(1);
        return Utf8(text, key, path, ref.line, out.text);
    }

    void ReadEntry(const YAML::Node& node, const QStringList& allowed, Entry& entry) {
        entry.line = Line(node);
        SeenKeys seen;
        for (const auto& item : node) {
            const QString key = Key(item.first);
            if (key.isNull() || !FirstOfItsName(seen, key, item.first))
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
        SeenKeys seen;
        for (const auto& item : node) {
            const QString key = Key(item.first);
            Value value;
            if (key.isNull() || !FirstOfItsName(seen, key, item.first))
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
        SeenKeys seen;
        for (const auto& item : node) {
            const QString key = Key(item.first);
            Value value;
            if (key.isNull() || !FirstOfItsName(seen, key, item.first))
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
        const qint64 errorsBefore = m_Errors.Total();
        device.line = entry.line;
        Values top = defaults.top;
        for (auto it = entry.top.cbegin(); it != entry.top.cend(); ++it)
            top.insert(it.key(), it.value());

        if (top.contains(QStringLiteral("mac"))) {
            const Value& mac = top[QStringLiteral("mac")];
            device.hasMac = ParseMAC(mac.text, device.mac);
            if (!device.hasMac)
                Error(mac.line, QStringLiteral("\"mac\": a MAC like 02:00:00:00:00:01 is "
                                               "expected"));
            else if (!m_Macs.contains(FormatMAC(device.mac)))
                m_Macs.insert(FormatMAC(device.mac), entry.line);
            else
                Error(mac.line, QStringLiteral("the device %1 is listed twice (lines %2 and %3)")
                                    .arg(FormatMAC(device.mac),
                                         QString::number(m_Macs.value(FormatMAC(device.mac))),
                                         QString::number(entry.line)));
        }
        if (top.contains(QStringLiteral("name"))) {
            const Value& name = top[QStringLiteral("name")];
            device.name = name.text;
            if (name.text.isEmpty())
                Error(name.line, QStringLiteral("\"name\" is empty"));
            else if (wirelessrules::HasNul(name.text))
                Error(name.line, QStringLiteral("\"name\": %1")
                                     .arg(wirelessrules::NulMessage(QStringLiteral("name"))));
            else if (!device.hasMac && m_Names.contains(name.text))
                Error(name.line,
                      QStringLiteral("the device named \"%1\" is listed twice (lines %2 and %3)")
                          .arg(name.text, QString::number(m_Names.value(name.text)),
                               QString::number(entry.line)));
            else if (!device.hasMac)
                m_Names.insert(name.text, entry.line);
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
                Error(mode.line, QStringLiteral("\"mode\": ap or bridge is expected"));
        }
        ResolveIp(entry.hasIp ? entry : defaults, device);
        for (int kind = 0; kind < 2; ++kind)
            ResolveProfile(defaults, entry, kind, device);
        return m_Errors.Total() == errorsBefore;
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

    QString m_Folder;
    CErrorList m_Errors;
    int m_Values = 0;
    QHash<QString, int> m_Macs;  // the line of the entry that names it
    QHash<QString, int> m_Names; // of entries without a MAC
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

// Bytes that are not UTF-8 are an error on their line: never replaced.
bool CheckUtf8(const QByteArray& text, CErrorList& errors) {
    const QByteArrayView view(text);
    int line = 1;
    qsizetype start = 0;
    for (qsizetype n = 0; n <= view.size(); ++n) {
        if (n < view.size() && view[n] != '\n')
            continue;
        QString decoded;
        if (!DecodeUtf8Strictly(view.sliced(start, n - start), decoded))
            errors.Add(line, QStringLiteral("bytes that are not UTF-8 (save the file as UTF-8)"));
        ++line;
        start = n + 1;
    }
    return errors.Empty();
}

// JSON writes a character beyond the first 65536 as an escape pair
// ("\ud83d\ude00"), which the YAML reader refuses: the pair becomes the
// character itself, and a lone half of a pair is an error. The text has
// passed the JSON syntax check, so every \u has its four hex digits.
bool JoinEscapePairs(QByteArray& text, CErrorList& errors) {
    const auto unit = [&text](qsizetype at) {
        return at + 4 <= text.size() ? text.mid(at, 4).toUInt(nullptr, 16) : 0u;
    };
    const auto high = [](uint u) { return u >= 0xD800 && u <= 0xDBFF; };
    const auto low = [](uint u) { return u >= 0xDC00 && u <= 0xDFFF; };
    QByteArray out;
    out.reserve(text.size());
    bool inString = false;
    int line = 1;
    for (qsizetype n = 0; n < text.size(); ++n) {
        const char c = text[n];
        if (c == '\n')
            ++line;
        if (c == '"')
            inString = !inString;
        if (!inString || c != '\\' || n + 1 >= text.size()) {
            out += c;
            continue;
        }
        if (text[n + 1] != 'u') { // another escape, kept as it is
            out += c;
            out += text[++n];
            continue;
        }
        const uint first = unit(n + 2);
        const bool pair = high(first) && n + 11 < text.size() && text[n + 6] == '\\' &&
                          text[n + 7] == 'u' && low(unit(n + 8));
        if (pair) {
            const char32_t code = 0x10000 + ((first - 0xD800) << 10) + (unit(n + 8) - 0xDC00);
            out += QString::fromUcs4(&code, 1).toUtf8();
            n += 11;
            continue;
        }
        if (high(first) || low(first))
            errors.Add(line, QStringLiteral("a lone half of an escape pair (\\uD800 to "
                                            "\\uDFFF) is no character"));
        out += text.mid(n, 6);
        n += 5;
    }
    text = std::move(out);
    return errors.Empty();
}

} // namespace

QString DesiredDevice::Label() const {
    return hasMac ? FormatMAC(mac) : name;
}

bool ParseInventory(const QByteArray& text, bool json, const QString& name, const QString& folder,
                    Inventory& out, QStringList& errors) {
    out = Inventory{};
    errors.clear();
    CErrorList checked(name);
    if (!CheckUtf8(text, checked)) {
        errors = checked.Lines();
        return false;
    }
    if (json && !CheckJsonSyntax(text, name, errors))
        return false;
    // JSON is YAML in flow style, but for tabs, which JSON allows between
    // tokens only, and for escape pairs.
    QByteArray yaml = text;
    if (json) {
        yaml.replace('\t', ' ');
        if (!JoinEscapePairs(yaml, checked)) {
            errors = checked.Lines();
            return false;
        }
    }
    try {
        const YAML::Node root = YAML::Load(yaml.toStdString());
        CReader reader(name, folder);
        const bool read = reader.Read(root, out);
        errors = reader.Errors();
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
    } catch (const YAML::DeepRecursion& e) {
        errors = QStringList{AtLine(name, e.mark.is_null() ? 0 : e.mark.line + 1,
                                    QStringLiteral("lists and mappings nested too deeply "
                                                   "(%1 levels)")
                                        .arg(e.depth()))};
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
    // Whatever the file is (a pipe, /dev/stdin, a /proc file), no more than
    // the limit is read.
    const privatefile::ReadResult file =
        privatefile::Read(path, kMaxFileSize, privatefile::Owner::Anyone);
    if (!file.ok) {
        errors = QStringList{
            QStringLiteral("%1: %2").arg(path, file.error.startsWith(QLatin1String("is longer"))
                                                   ? QStringLiteral("larger than 4 MiB")
                                                   : file.error)};
        return false;
    }
    const bool json = path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive);
    return ParseInventory(file.data, json, path, QFileInfo(path).absolutePath(), out, errors);
}

} // namespace swpctl
