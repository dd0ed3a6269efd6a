#include "tools/devsim/config.h"
#include "settings/textutil.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QStringList>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

namespace devsim {

namespace {

const char* const kKindNames[] = {
    "discover", "login",    "logout",         "get_config",  "get_mode",
    "set_ip",   "set_mode", "set_wireless",   "set_station", "wps_pbc",
    "wps_pin",  "survey",   "sta_get_config",
};
constexpr int kKindCount = sizeof(kKindNames) / sizeof(kKindNames[0]);

constexpr int kMaxTlvText = 255;
constexpr int kSurveySsidField = 32;
constexpr int kMaxClones = 65536;
constexpr int kMaxDelayMs = 24 * 3600 * 1000;

// A JSON number that is a whole number small enough to convert safely.
bool IsWhole(double number) {
    return std::isfinite(number) && std::fabs(number) < 1e15 && std::trunc(number) == number;
}

// Reads one JSON object and remembers which keys were used, so that the keys
// left over can be reported as unknown.
class CObjectReader {
public:
    CObjectReader(const QJsonObject& object, QString path, QString& error)
        : m_Object(object), m_Path(std::move(path)), m_Error(error) {}

    bool Has(const char* key) {
        m_Used.insert(QString::fromLatin1(key));
        return m_Object.contains(QLatin1String(key));
    }
    QJsonValue Value(const char* key) const { return m_Object.value(QLatin1String(key)); }
    QString Where(const char* key) const { return m_Path + QLatin1Char('.') + key; }

    bool Fail(const QString& where, const QString& what) {
        if (m_Error.isEmpty())
            m_Error = where + QStringLiteral(": ") + what;
        return false;
    }

    bool Int(const char* key, int& out, long long low, long long high) {
        if (!Has(key))
            return true;
        const QJsonValue value = Value(key);
        const double number = value.toDouble();
        if (!value.isDouble() || !IsWhole(number))
            return Fail(Where(key), QStringLiteral("an integer is expected"));
        if (number < static_cast<double>(low) || number > static_cast<double>(high))
            return Fail(Where(key), QStringLiteral("must be from %1 to %2").arg(low).arg(high));
        out = static_cast<int>(number);
        return true;
    }

    bool Bool(const char* key, bool& out) {
        if (!Has(key))
            return true;
        if (!Value(key).isBool())
            return Fail(Where(key), QStringLiteral("true or false is expected"));
        out = Value(key).toBool();
        return true;
    }

    // Text as UTF-8 bytes, at most maxBytes long.
    bool Text(const char* key, std::string& out, int maxBytes) {
        if (!Has(key))
            return true;
        if (!Value(key).isString())
            return Fail(Where(key), QStringLiteral("a text is expected"));
        const QByteArray bytes = Value(key).toString().toUtf8();
        if (bytes.size() > maxBytes)
            return Fail(Where(key), QStringLiteral("at most %1 bytes").arg(maxBytes));
        out = bytes.toStdString();
        return true;
    }

    bool MacValue(const char* key, Mac& out) {
        if (!Has(key))
            return true;
        if (!ParseMAC(Value(key).toString(), out.data()))
            return Fail(Where(key), QStringLiteral("a MAC like \"02:00:00:00:00:01\" is expected"));
        return true;
    }

    bool Address(const char* key, uint32_t& out) {
        if (!Has(key))
            return true;
        if (!ParseDotted(Value(key).toString(), out))
            return Fail(Where(key),
                        QStringLiteral("an IPv4 address like \"10.0.0.1\" is expected"));
        return true;
    }

    bool Object(const char* key, QJsonObject& out) {
        if (!Has(key))
            return false;
        if (!Value(key).isObject())
            return Fail(Where(key), QStringLiteral("an object is expected"));
        out = Value(key).toObject();
        return true;
    }

    bool Array(const char* key, QJsonArray& out) {
        if (!Has(key))
            return false;
        if (!Value(key).isArray())
            return Fail(Where(key), QStringLiteral("an array is expected"));
        out = Value(key).toArray();
        return true;
    }

    // An array of at most 255 numbers 0 to 255; what names one of them in the
    // messages ("channel").
    bool ByteList(const char* key, std::vector<uint8_t>& out, const char* what) {
        QJsonArray list;
        if (!Array(key, list))
            return true;
        if (list.size() > kMaxTlvText)
            return Fail(Where(key), QStringLiteral("at most 255 %1s").arg(QLatin1String(what)));
        out.clear();
        for (const QJsonValue& item : list) {
            const int number = item.toInt(-1);
            if (!item.isDouble() || number < 0 || number > 255)
                return Fail(Where(key),
                            QStringLiteral("%1 numbers are 0 to 255").arg(QLatin1String(what)));
            out.push_back(static_cast<uint8_t>(number));
        }
        return true;
    }

    // Call after every key was read: any key not asked for is unknown.
    bool Finish() {
        for (const QString& key : m_Object.keys())
            if (!m_Used.contains(key))
                return Fail(m_Path, QStringLiteral("unknown key \"%1\"").arg(key));
        return m_Error.isEmpty();
    }

private:
    QJsonObject m_Object;
    QString m_Path;
    QString& m_Error;
    QSet<QString> m_Used;
};

bool ParseIp(const QJsonObject& object, const QString& path, IpSettings& ip, QString& error) {
    CObjectReader reader(object, path, error);
    reader.Bool("dhcp", ip.dhcp);
    reader.Address("ip", ip.ip);
    reader.Address("mask", ip.mask);
    reader.Address("gateway", ip.gateway);
    return reader.Finish();
}

bool ParseWireless(const QJsonObject& object, const QString& path, WirelessSettings& wl,
                   QString& error) {
    CObjectReader reader(object, path, error);
    reader.Text("ssid", wl.ssid, kMaxTlvText);
    reader.Int("std_ch", wl.stdCh, 0, 255);
    reader.Int("ext_ch", wl.extCh, 0, 255);
    if (!reader.ByteList("channels", wl.channels, "channel"))
        return false;
    reader.Int("wireless_mode", wl.wirelessMode, 0, 255);
    reader.Int("security", wl.security, 0, 255);
    reader.Int("auth", wl.auth, 0, 255);
    reader.Int("wep_key_len", wl.wepKeyLen, 0, 255);
    reader.Int("wep_key_index", wl.wepKeyIndex, 0, 255);
    reader.Text("wep_key", wl.wepKey, kMaxTlvText);
    reader.Int("wpa_mode", wl.wpaMode, 0, 255);
    reader.Int("cipher", wl.cipher, 0, 255);
    reader.Text("wpa_key", wl.wpaKey, kMaxTlvText);
    int pin = static_cast<int>(wl.wpsPin);
    reader.Int("wps_pin", pin, 0, 0x7FFFFFFF);
    wl.wpsPin = static_cast<uint32_t>(pin);
    return reader.Finish();
}

bool ParseSurvey(const QJsonArray& entries, const QString& path, std::vector<SurveyEntry>& survey,
                 QString& error) {
    survey.clear();
    for (int n = 0; n < entries.size(); ++n) {
        const QString where = QStringLiteral("%1[%2]").arg(path).arg(n);
        if (!entries[n].isObject()) {
            error = where + QStringLiteral(": an object is expected");
            return false;
        }
        SurveyEntry entry;
        CObjectReader reader(entries[n].toObject(), where, error);
        reader.Text("ssid", entry.ssid, kSurveySsidField);
        reader.MacValue("bssid", entry.bssid);
        reader.Int("signal", entry.signal, 0, 999);
        reader.Int("channel", entry.channel, 0, 999);
        reader.Int("encryption", entry.encryption, 0, 255);
        reader.Int("authentication", entry.authentication, 0, 255);
        reader.Int("kind", entry.kind, 0, 255);
        reader.Bool("wps", entry.wps);
        reader.Bool("highlight", entry.highlight);
        if (!reader.Finish())
            return false;
        survey.push_back(entry);
    }
    return true;
}

bool ParseWpsStatus(const QJsonArray& steps, const QString& path, std::vector<WpsStep>& sequence,
                    QString& error) {
    sequence.clear();
    for (int n = 0; n < steps.size(); ++n) {
        const QJsonArray pair = steps[n].toArray();
        const double delay = pair.size() == 2 ? pair[0].toDouble(-1) : -1;
        const double status = pair.size() == 2 ? pair[1].toDouble(0.5) : 0.5;
        if (!steps[n].isArray() || !IsWhole(delay) || delay < 0 || delay > kMaxDelayMs ||
            !IsWhole(status) || status < INT32_MIN || status > INT32_MAX) {
            error = QStringLiteral("%1[%2]: [delay_ms, status] is expected").arg(path).arg(n);
            return false;
        }
        sequence.push_back({static_cast<int>(delay), static_cast<int32_t>(status)});
    }
    return true;
}

bool ParseRequests(const QJsonObject& object, const QString& path,
                   std::map<RequestKind, Behaviour>& requests, QString& error) {
    for (const QString& key : object.keys()) {
        const QString where = path + QLatin1Char('.') + key;
        RequestKind kind;
        if (!KindFromName(key, kind)) {
            error = path + QStringLiteral(": unknown request kind \"%1\"").arg(key);
            return false;
        }
        if (!object.value(key).isObject()) {
            error = where + QStringLiteral(": an object is expected");
            return false;
        }
        Behaviour behaviour;
        CObjectReader reader(object.value(key).toObject(), where, error);
        if (reader.Has("action")) {
            const QString action = reader.Value("action").toString();
            if (action == QLatin1String("answer"))
                behaviour.action = Action::Answer;
            else if (action == QLatin1String("drop"))
                behaviour.action = Action::Drop;
            else if (action == QLatin1String("refuse"))
                behaviour.action = Action::Refuse;
            else
                return reader.Fail(
                    reader.Where("action"),
                    QStringLiteral("\"answer\", \"drop\" or \"refuse\" is expected"));
        }
        reader.Int("delay_ms", behaviour.delayMs, 0, kMaxDelayMs);
        reader.Int("count", behaviour.count, -1, 0x7FFFFFFF);
        if (!reader.Finish())
            return false;
        requests[kind] = behaviour;
    }
    return true;
}

bool ParseDevice(const QJsonObject& object, const QString& path, DeviceConfig& device,
                 QString& error) {
    CObjectReader reader(object, path, error);
    reader.Text("name", device.name, kMaxTlvText);
    if (!reader.Has("mac"))
        return reader.Fail(path, QStringLiteral("\"mac\" is required"));
    reader.MacValue("mac", device.mac);
    reader.Text("password", device.password, kMaxTlvText);
    reader.Int("mode", device.mode, 1, 2);
    QJsonObject sub;
    if (reader.Object("ip", sub) && !ParseIp(sub, reader.Where("ip"), device.ip, error))
        return false;
    if (reader.Object("wireless", sub) &&
        !ParseWireless(sub, reader.Where("wireless"), device.wireless, error))
        return false;
    reader.Text("client_pin", device.clientPin, kMaxTlvText);
    QJsonArray list;
    if (reader.Array("survey", list) &&
        !ParseSurvey(list, reader.Where("survey"), device.survey, error))
        return false;
    if (reader.Array("wps_status", list) &&
        !ParseWpsStatus(list, reader.Where("wps_status"), device.wpsStatus, error))
        return false;
    int port = 0;
    reader.Int("login_port", port, 0, 65535);
    device.loginPort = static_cast<uint16_t>(port);
    std::vector<uint8_t> portValue;
    if (reader.Has("login_port_value")) {
        if (!reader.ByteList("login_port_value", portValue, "byte"))
            return false;
        device.loginPortValue = portValue;
    }
    if (reader.Has("reply")) {
        const QString reply = reader.Value("reply").toString();
        if (reply == QLatin1String("unicast"))
            device.reply = ReplyMode::Unicast;
        else if (reply == QLatin1String("broadcast"))
            device.reply = ReplyMode::Broadcast;
        else
            return reader.Fail(reader.Where("reply"),
                               QStringLiteral("\"unicast\" or \"broadcast\" is expected"));
    }
    reader.Int("connect_timeout_ms", device.connectTimeoutMs, 0, kMaxDelayMs);
    reader.Bool("require_login", device.requireLogin);
    if (reader.Has("foreign_login")) {
        const QString foreign = reader.Value("foreign_login").toString();
        if (foreign == QLatin1String("refuse"))
            device.foreignLogin = ForeignLogin::Refuse;
        else if (foreign == QLatin1String("ignore"))
            device.foreignLogin = ForeignLogin::Ignore;
        else
            return reader.Fail(reader.Where("foreign_login"),
                               QStringLiteral("\"refuse\" or \"ignore\" is expected"));
    }
    reader.Int("clones", device.clones, 1, kMaxClones);
    if (reader.Object("requests", sub) &&
        !ParseRequests(sub, reader.Where("requests"), device.requests, error))
        return false;
    return reader.Finish();
}

} // namespace

const char* KindName(RequestKind kind) {
    const int index = static_cast<int>(kind);
    return index >= 0 && index < kKindCount ? kKindNames[index] : "unknown";
}

bool KindFromName(const QString& name, RequestKind& kind) {
    for (int n = 0; n < kKindCount; ++n) {
        if (name == QLatin1String(kKindNames[n])) {
            kind = static_cast<RequestKind>(n);
            return true;
        }
    }
    return false;
}

bool ParseConfig(const QByteArray& json, SimConfig& config, QString& error) {
    error.clear();
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (document.isNull()) {
        error = QStringLiteral("not valid JSON at offset %1: %2")
                    .arg(parseError.offset)
                    .arg(parseError.errorString());
        return false;
    }
    if (!document.isObject()) {
        error = QStringLiteral("the top level must be an object");
        return false;
    }
    const QJsonObject top = document.object();
    config.devices.clear();
    if (!top.contains(QLatin1String("devices"))) { // one device given directly
        DeviceConfig device;
        if (!ParseDevice(top, QStringLiteral("device"), device, error))
            return false;
        config.devices.push_back(device);
    } else {
        if (top.size() != 1) {
            error = QStringLiteral("beside \"devices\" the top level holds no other key");
            return false;
        }
        const QJsonValue devices = top.value(QLatin1String("devices"));
        if (!devices.isArray() || devices.toArray().isEmpty()) {
            error = QStringLiteral("devices: a non-empty array is expected");
            return false;
        }
        const QJsonArray list = devices.toArray();
        for (int n = 0; n < list.size(); ++n) {
            const QString path = QStringLiteral("devices[%1]").arg(n);
            if (!list[n].isObject()) {
                error = path + QStringLiteral(": an object is expected");
                return false;
            }
            DeviceConfig device;
            if (!ParseDevice(list[n].toObject(), path, device, error))
                return false;
            config.devices.push_back(device);
        }
    }
    // Every MAC the process answers for must be unique, clones included.
    QSet<QString> macs;
    for (const DeviceConfig& device : config.devices) {
        for (int n = 0; n < device.clones; ++n) {
            const QString mac = FormatMAC(CloneMac(device.mac, n).data());
            if (macs.contains(mac)) {
                error = QStringLiteral("MAC %1 is used twice").arg(mac);
                return false;
            }
            macs.insert(mac);
        }
    }
    return true;
}

Mac CloneMac(const Mac& base, int index) {
    uint64_t value = 0;
    for (uint8_t byte : base)
        value = (value << 8) | byte;
    value = (value + static_cast<uint64_t>(index)) & 0xFFFFFFFFFFFFull;
    Mac mac{};
    for (int n = 5; n >= 0; --n) {
        mac[n] = static_cast<uint8_t>(value & 0xFF);
        value >>= 8;
    }
    return mac;
}

std::string CloneName(const std::string& base, int index, int clones) {
    if (index == 0)
        return base;
    const int width = static_cast<int>(std::to_string(clones - 1).size());
    char number[16];
    std::snprintf(number, sizeof number, "%0*d", width, index);
    return base + "-" + number;
}

} // namespace devsim
