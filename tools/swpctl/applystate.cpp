#include "tools/swpctl/applystate.h"

#include "settings/globalvar.h"
#include "settings/textutil.h"
#include "tools/swpctl/present.h"
#include "tools/swpctl/profile.h"

#include <QJsonArray>

namespace swpctl {

namespace {

QString Named(int code, std::initializer_list<const char*> names) {
    if (code >= 0 && code < static_cast<int>(names.size()))
        return QLatin1String(names.begin()[code]);
    return QStringLiteral("unknown (%1)").arg(code);
}

} // namespace

DeviceState ReportedState() {
    return {g_Var.DeviceMode, g_Var.CurIP, g_Var.CurWl};
}

QString FieldName(Field field) {
    switch (field) {
    case Field::DeviceMode:
        return QStringLiteral("mode");
    case Field::IpMode:
        return QStringLiteral("ip");
    case Field::Address:
        return QStringLiteral("address");
    case Field::Mask:
        return QStringLiteral("mask");
    case Field::Gateway:
        return QStringLiteral("gateway");
    case Field::Ssid:
        return QStringLiteral("ssid");
    case Field::Channel:
        return QStringLiteral("channel");
    case Field::Security:
        return QStringLiteral("security");
    case Field::Auth:
        return QStringLiteral("auth");
    case Field::WepKeyLength:
        return QStringLiteral("wep_key_length");
    case Field::WpaMode:
        return QStringLiteral("wpa_mode");
    case Field::Cipher:
        return QStringLiteral("cipher");
    }
    return QString();
}

QString FieldValue(Field field, const DeviceState& state) {
    const WirelessProfile& wl = state.wl;
    switch (field) {
    case Field::DeviceMode:
        return DeviceModeText(state.mode);
    case Field::IpMode:
        return state.ip.IpMode != 0 ? QStringLiteral("dhcp") : QStringLiteral("static");
    case Field::Address:
        return DottedText(state.ip.IP);
    case Field::Mask:
        return DottedText(state.ip.Mask);
    case Field::Gateway:
        return state.ip.Gateway == 0 ? QStringLiteral("none") : DottedText(state.ip.Gateway);
    case Field::Ssid:
        return DecodeText(
            QByteArray(wl.SSID, static_cast<qsizetype>(strnlen(wl.SSID, sizeof wl.SSID))));
    case Field::Channel:
        return wl.StdCh == 0 ? QStringLiteral("auto") : QString::number(wl.StdCh);
    case Field::Security:
        return Named(wl.Security, {"none", "wep", "wpa-psk"});
    case Field::Auth:
        return Named(wl.Auth, {"open", "shared", "auto"});
    case Field::WepKeyLength:
        return Named(wl.WepKeyLen, {"64 bit", "128 bit"});
    case Field::WpaMode:
        return Named(wl.WpaMode, {"wpa", "wpa2", "auto"});
    case Field::Cipher:
        return Named(wl.WpaCipher, {"tkip", "aes", "auto"});
    }
    return QString();
}

bool IsProfileField(Field field) {
    return field >= Field::Ssid;
}

QStringList UnreportedFields(const WirelessOptions& profile) {
    QStringList fields;
    if (!profile.key.isEmpty())
        fields.append(QStringLiteral("key"));
    if (profile.wirelessModeGiven)
        fields.append(QStringLiteral("wireless_mode"));
    return fields;
}

namespace {

// "key" → "key", "wireless_mode" → "wireless mode", for the text report.
QString Spoken(const QString& field) {
    return QString(field).replace(QLatin1Char('_'), QLatin1Char(' '));
}

} // namespace

std::vector<FieldChange> Part::Differences(const DeviceState& current) const {
    std::vector<FieldChange> changes;
    for (Field field : fields) {
        const QString before = FieldValue(field, current);
        const QString after = FieldValue(field, wanted);
        if (before != after)
            changes.push_back({field, before, after});
    }
    return changes;
}

Part ModePart(const DesiredDevice& device, const DeviceState& current) {
    Part part{current, {}, {}};
    if (device.deviceMode) {
        part.wanted.mode = *device.deviceMode;
        part.fields = {Field::DeviceMode};
    }
    return part;
}

Part AddressPart(const DesiredDevice& device, const DeviceState& current) {
    Part part{current, {}, {}};
    if (!device.ip)
        return part;
    IPConfig& ip = part.wanted.ip;
    if (device.ip->dhcp) {
        ip.IpMode = 1;
        part.fields = {Field::IpMode};
        return part;
    }
    const IPConfig& address = device.ip->address.config;
    ip.IpMode = 0;
    ip.IP = address.IP;
    ip.Mask = address.Mask;
    // Not named: the gateway the device has stays.
    if (device.ip->address.gatewayGiven)
        ip.Gateway = address.Gateway;
    part.fields = {Field::IpMode, Field::Address, Field::Mask, Field::Gateway};
    return part;
}

const WirelessOptions* ProfileFor(const DesiredDevice& device, int mode) {
    const auto& profile = mode == DEVICE_WBRIDGE ? device.station : device.accessPoint;
    return mode == DEVICE_AP || mode == DEVICE_WBRIDGE ? (profile ? &*profile : nullptr) : nullptr;
}

Part ProfilePart(const DesiredDevice& device, const DeviceState& current) {
    Part part{current, {}, {}};
    const WirelessOptions* given = ProfileFor(device, current.mode);
    if (!given)
        return part;
    const bool station = current.mode == DEVICE_WBRIDGE;
    if (!ProfileToSend(*given, station, current.wl, part.wanted.wl, part.refused))
        return part;
    part.fields = {Field::Ssid};
    if (!station)
        part.fields.push_back(Field::Channel);
    part.fields.push_back(Field::Security);
    const int security = part.wanted.wl.Security;
    if (security == 1)
        part.fields.insert(part.fields.end(), {Field::Auth, Field::WepKeyLength});
    else if (security == 2)
        part.fields.insert(part.fields.end(), {Field::WpaMode, Field::Cipher});
    return part;
}

std::vector<FieldChange> Differences(const DesiredDevice& device, const DeviceState& current) {
    const Part mode = ModePart(device, current);
    std::vector<FieldChange> changes = mode.Differences(current);
    const DeviceState next = mode.wanted;
    for (const Part& part : {AddressPart(device, next), ProfilePart(device, next)})
        for (const FieldChange& change : part.Differences(next))
            changes.push_back(change);
    return changes;
}

QString StatusName(DeviceReport::Status status) {
    switch (status) {
    case DeviceReport::Unchanged:
        return QStringLiteral("unchanged");
    case DeviceReport::Changed:
        return QStringLiteral("changed");
    case DeviceReport::WouldChange:
        return QStringLiteral("would change");
    case DeviceReport::Failed:
        return QStringLiteral("failed");
    case DeviceReport::NotFound:
        return QStringLiteral("not found");
    }
    return QString();
}

QString ReportText(const DeviceReport& report) {
    QString head = report.label;
    if (report.found) {
        const QString mac = FormatMAC(report.record.MAC);
        const QString other = report.label == mac ? PrintableText(DeviceName(report.record)) : mac;
        if (!other.isEmpty())
            head += QStringLiteral(" (%1)").arg(other);
    }
    head += QStringLiteral(": ") + StatusName(report.status);
    if (report.status == DeviceReport::Failed)
        head += QStringLiteral(" (exit %1): %2").arg(report.exitCode).arg(report.reason);
    QString out = head + QLatin1Char('\n');
    for (const FieldChange& change : report.changes)
        out += QStringLiteral("  %1: %2 → %3\n")
                   .arg(FieldName(change.field), PrintableText(change.before),
                        PrintableText(change.after));
    for (const QString& field : report.notCompared)
        out +=
            QStringLiteral("  %1 not compared: the device does not report it\n").arg(Spoken(field));
    for (const QString& field : report.sentUncompared)
        out += QStringLiteral("  %1 %2 (--send-keys): the device does not report it\n")
                   .arg(Spoken(field), report.status == DeviceReport::WouldChange
                                           ? QStringLiteral("would be sent")
                                           : QStringLiteral("sent"));
    for (const QString& note : report.notes)
        out += QStringLiteral("  %1\n").arg(note);
    return out;
}

QString ChangeLine(const DeviceReport& report) {
    QStringList parts;
    for (const FieldChange& change : report.changes)
        parts.append(QStringLiteral("%1 %2 → %3")
                         .arg(FieldName(change.field), PrintableText(change.before),
                              PrintableText(change.after)));
    QStringList unseen = report.sentUncompared;
    for (QString& field : unseen)
        field = Spoken(field);
    if (!unseen.isEmpty())
        parts.append(QStringLiteral("%1 sent (the device does not report %2)")
                         .arg(unseen.join(QStringLiteral(" and ")),
                              unseen.size() > 1 ? QStringLiteral("them") : QStringLiteral("it")));
    QString line;
    switch (report.status) {
    case DeviceReport::Unchanged:
        line = QStringLiteral("unchanged: the device already has these settings");
        break;
    case DeviceReport::Changed:
        line = QStringLiteral("changed ") + parts.join(QStringLiteral(", "));
        break;
    case DeviceReport::WouldChange:
        line = QStringLiteral("would change ") + parts.join(QStringLiteral(", "));
        break;
    case DeviceReport::Failed:
    case DeviceReport::NotFound:
        line = StatusName(report.status);
        if (!parts.isEmpty())
            line += QStringLiteral(" after ") + parts.join(QStringLiteral(", "));
        break;
    }
    for (const QString& note : report.notes)
        line += QStringLiteral("; ") + note;
    return line + QLatin1Char('\n');
}

QJsonObject ReportJson(const DeviceReport& report) {
    QJsonArray changes;
    for (const FieldChange& change : report.changes)
        changes.append(QJsonObject{{QStringLiteral("field"), FieldName(change.field)},
                                   {QStringLiteral("before"), change.before},
                                   {QStringLiteral("after"), change.after}});
    QString status = StatusName(report.status);
    status.replace(QLatin1Char(' '), QLatin1Char('_'));
    QJsonObject json{
        {QStringLiteral("device"), report.label},
        {QStringLiteral("line"), report.line},
        {QStringLiteral("status"), status},
        {QStringLiteral("changes"), changes},
        {QStringLiteral("not_compared"), QJsonArray::fromStringList(report.notCompared)}};
    if (!report.sentUncompared.isEmpty())
        json.insert(QStringLiteral("sent_uncompared"),
                    QJsonArray::fromStringList(report.sentUncompared));
    if (!report.notes.isEmpty())
        json.insert(QStringLiteral("notes"), QJsonArray::fromStringList(report.notes));
    if (report.found) {
        json.insert(QStringLiteral("mac"), FormatMAC(report.record.MAC));
        json.insert(QStringLiteral("name"), DeviceName(report.record));
        json.insert(QStringLiteral("ip"), DottedText(report.record.DeviceIP));
        json.insert(QStringLiteral("adapter"), DottedText(report.record.LocalIP));
    }
    if (!report.config.isEmpty())
        json.insert(QStringLiteral("config"), report.config);
    if (report.status == DeviceReport::Failed) {
        json.insert(QStringLiteral("exit_code"), report.exitCode);
        json.insert(QStringLiteral("reason"), report.reason);
    }
    return json;
}

} // namespace swpctl
