#include "tools/swpctl/present.h"

#include "protocol/packet.h"
#include "settings/globalvar.h"
#include "settings/textutil.h"
#include "settings/wirelessrules.h"
#include "tools/swpctl/validate.h"

#include <QStringList>
#include <algorithm>
#include <cstring>

namespace swpctl {

namespace {

QString Text(const char* field, size_t size) {
    return DecodeText(QByteArray(field, static_cast<qsizetype>(strnlen(field, size))));
}

// Columns padded to their widest cell, two blanks apart; the last is not padded.
QString Table(const QStringList& header, const QList<QStringList>& rows) {
    QList<qsizetype> widths;
    for (const QString& cell : header)
        widths.append(cell.size());
    for (const QStringList& row : rows)
        for (qsizetype n = 0; n < row.size() && n < widths.size(); ++n)
            widths[n] = std::max(widths[n], row[n].size());
    QString out;
    auto line = [&](const QStringList& cells) {
        QString text;
        for (qsizetype n = 0; n < cells.size(); ++n) {
            if (n + 1 < cells.size())
                text += cells[n].leftJustified(widths[n] + 2);
            else
                text += cells[n];
        }
        out += text + QLatin1Char('\n');
    };
    line(header);
    for (const QStringList& row : rows)
        line(row);
    return out;
}

QString Gateway(uint32_t gateway) {
    return gateway == 0 || gateway == 0xFFFFFFFFu ? QString() : DottedText(gateway);
}

QList<int> Channels(const WirelessProfile& wl) {
    QList<int> channels;
    for (size_t n = 0; n < sizeof wl.ChList && wl.ChList[n] != 0; ++n)
        channels.append(wl.ChList[n]);
    return channels;
}

QString ChannelText(int channel) {
    return channel == 0 ? QStringLiteral("0 (the device chooses)") : QString::number(channel);
}

QString Row(const char* caption, const QString& value) {
    return QString::fromLatin1(caption).leftJustified(18) + value + QLatin1Char('\n');
}

QString WirelessModeOrUnknown(int code) {
    const QString text = g_Var.WirelessModeText(code);
    return text.isEmpty() ? QStringLiteral("(not reported by the device)") : text;
}

QString PinText(uint32_t pin) {
    return QString::asprintf("%08u", pin);
}

} // namespace

QString DeviceName(const DeviceRecord& device) {
    return Text(device.Name, sizeof device.Name);
}

QString DeviceLine(const DeviceRecord& device) {
    return QStringLiteral("%1 (%2) at %3")
        .arg(PrintableText(DeviceName(device)), FormatMAC(device.MAC), DottedText(device.DeviceIP));
}

QString DeviceTable(const std::vector<DeviceRecord>& devices) {
    QList<QStringList> rows;
    for (const DeviceRecord& device : devices)
        rows.append({PrintableText(DeviceName(device)), FormatMAC(device.MAC),
                     DottedText(device.DeviceIP), DottedText(device.LocalIP)});
    return Table({QStringLiteral("NAME"), QStringLiteral("MAC"), QStringLiteral("DEVICE IP"),
                  QStringLiteral("ADAPTER")},
                 rows);
}

QJsonArray DevicesJson(const std::vector<DeviceRecord>& devices) {
    QJsonArray list;
    for (const DeviceRecord& device : devices)
        list.append(QJsonObject{{QStringLiteral("name"), DeviceName(device)},
                                {QStringLiteral("mac"), FormatMAC(device.MAC)},
                                {QStringLiteral("ip"), DottedText(device.DeviceIP)},
                                {QStringLiteral("adapter"), DottedText(device.LocalIP)},
                                {QStringLiteral("adapter_mask"), DottedText(device.LocalMask)}});
    return list;
}

QString DeviceModeText(int mode) {
    if (mode == DEVICE_AP)
        return QStringLiteral("ap");
    if (mode == DEVICE_WBRIDGE)
        return QStringLiteral("bridge");
    return QStringLiteral("unknown (%1)").arg(mode);
}

QString AddressText() {
    const IPConfig& ip = g_Var.CurIP;
    QString out;
    out += Row("IP mode:", ip.IpMode ? QStringLiteral("DHCP") : QStringLiteral("Static"));
    out += Row("IP address:", DottedText(ip.IP));
    out += Row("Subnet mask:", DottedText(ip.Mask));
    out += Row("Gateway:", Gateway(ip.Gateway));
    return out;
}

// Only the rows that apply to the device's mode and security: the channel
// list and the WPS PIN of an access point, the settings of its security.
QString WirelessText() {
    const WirelessProfile& wl = g_Var.CurWl;
    const bool ap = g_Var.DeviceMode != DEVICE_WBRIDGE;
    const bool known = wl.Security >= 0 && wl.Security <= 2;
    QStringList channels;
    for (int channel : Channels(wl))
        channels.append(QString::number(channel));
    QString out;
    out += Row("SSID:", PrintableText(Text(wl.SSID, sizeof wl.SSID)));
    out += Row("Channel:", ChannelText(wl.StdCh));
    if (ap) {
        out += Row("Ext. channel:", QString::number(wl.ExtCh));
        out += Row("Channel list:", channels.join(QLatin1Char(' ')));
    }
    out += Row("Wireless mode:", WirelessModeOrUnknown(wl.WlMode));
    out += Row("Security:", g_Var.SecurityText(wl.Security));
    if (wl.Security == 1 || !known) {
        out += Row("Authentication:", g_Var.AuthText(wl.Auth));
        out += Row("WEP key length:", g_Var.WepKeyLenText(wl.WepKeyLen));
    }
    if (wl.Security == 2 || !known) {
        out += Row("WPA mode:", g_Var.WpaModeText(wl.WpaMode));
        out += Row("Cipher:", g_Var.WpaCipherText(wl.WpaCipher));
    }
    if (ap)
        out += Row("WPS PIN:", PinText(wl.WpsPin));
    return out;
}

QString ConfigText(const DeviceRecord& device) {
    return Row("Device:", DeviceLine(device)) +
           Row("Device mode:", DeviceModeText(g_Var.DeviceMode)) + AddressText() + WirelessText();
}

QJsonObject ConfigJson(const DeviceRecord& device) {
    const IPConfig& ip = g_Var.CurIP;
    const WirelessProfile& wl = g_Var.CurWl;
    QJsonArray channels;
    for (int channel : Channels(wl))
        channels.append(channel);
    auto coded = [](int code, const QString& text) {
        return QJsonObject{{QStringLiteral("code"), code}, {QStringLiteral("text"), text}};
    };
    QJsonObject wireless{
        {QStringLiteral("ssid"), Text(wl.SSID, sizeof wl.SSID)},
        {QStringLiteral("channel"), wl.StdCh},
        {QStringLiteral("ext_channel"), wl.ExtCh},
        {QStringLiteral("channels"), channels},
        {QStringLiteral("security"), coded(wl.Security, g_Var.SecurityText(wl.Security))},
        {QStringLiteral("auth"), coded(wl.Auth, g_Var.AuthText(wl.Auth))},
        {QStringLiteral("wep_key_length"), coded(wl.WepKeyLen, g_Var.WepKeyLenText(wl.WepKeyLen))},
        {QStringLiteral("wpa_mode"), coded(wl.WpaMode, g_Var.WpaModeText(wl.WpaMode))},
        {QStringLiteral("cipher"), coded(wl.WpaCipher, g_Var.WpaCipherText(wl.WpaCipher))},
        {QStringLiteral("wps_pin"), PinText(wl.WpsPin)},
    };
    const QString mode = g_Var.WirelessModeText(wl.WlMode);
    wireless.insert(QStringLiteral("wireless_mode"),
                    mode.isEmpty() ? QJsonValue() : QJsonValue(coded(wl.WlMode, mode)));
    return QJsonObject{
        {QStringLiteral("device"), DevicesJson({device}).first()},
        {QStringLiteral("device_mode"), coded(g_Var.DeviceMode, DeviceModeText(g_Var.DeviceMode))},
        {QStringLiteral("ip"),
         QJsonObject{
             {QStringLiteral("mode"),
              ip.IpMode ? QStringLiteral("dhcp") : QStringLiteral("static")},
             {QStringLiteral("address"), DottedText(ip.IP)},
             {QStringLiteral("mask"), DottedText(ip.Mask)},
             {QStringLiteral("gateway"), Gateway(ip.Gateway)},
         }},
        {QStringLiteral("wireless"), wireless},
    };
}

std::vector<_tag_AP_ROFIILE> SortedBySignal(std::vector<_tag_AP_ROFIILE> survey) {
    std::stable_sort(survey.begin(), survey.end(),
                     [](const _tag_AP_ROFIILE& a, const _tag_AP_ROFIILE& b) {
                         return swp::SignalPercent(a.Signal) > swp::SignalPercent(b.Signal);
                     });
    return survey;
}

QString SurveyTable(const std::vector<_tag_AP_ROFIILE>& survey) {
    QList<QStringList> rows;
    for (const _tag_AP_ROFIILE& ap : survey)
        rows.append({PrintableText(Text(ap.SSID, sizeof ap.SSID)),
                     QString::asprintf("%d%%", swp::SignalPercent(ap.Signal)),
                     QString::number(ap.Channel), wirelessrules::EncryptionLabel(ap.Encryption),
                     wirelessrules::AuthenticationLabel(ap.Authentication), FormatMAC(ap.BSSID),
                     ap.NetworkKind ? QStringLiteral("station") : QStringLiteral("AP"),
                     ap.WpsCapable ? QStringLiteral("yes") : QStringLiteral("no")});
    return Table({QStringLiteral("SSID"), QStringLiteral("SIGNAL"), QStringLiteral("CHANNEL"),
                  QStringLiteral("ENCRYPTION"), QStringLiteral("AUTHENTICATION"),
                  QStringLiteral("BSSID"), QStringLiteral("KIND"), QStringLiteral("WPS")},
                 rows);
}

QJsonArray SurveyJson(const std::vector<_tag_AP_ROFIILE>& survey) {
    QJsonArray list;
    for (const _tag_AP_ROFIILE& ap : survey)
        list.append(QJsonObject{
            {QStringLiteral("ssid"), Text(ap.SSID, sizeof ap.SSID)},
            {QStringLiteral("bssid"), FormatMAC(ap.BSSID)},
            {QStringLiteral("signal"), swp::SignalPercent(ap.Signal)},
            {QStringLiteral("channel"), ap.Channel},
            {QStringLiteral("encryption"),
             QJsonObject{{QStringLiteral("code"), ap.Encryption},
                         {QStringLiteral("text"), wirelessrules::EncryptionLabel(ap.Encryption)}}},
            {QStringLiteral("authentication"),
             QJsonObject{
                 {QStringLiteral("code"), ap.Authentication},
                 {QStringLiteral("text"), wirelessrules::AuthenticationLabel(ap.Authentication)}}},
            {QStringLiteral("kind"),
             ap.NetworkKind ? QStringLiteral("station") : QStringLiteral("ap")},
            {QStringLiteral("wps"), ap.WpsCapable},
            {QStringLiteral("highlighted"), ap.Highlighted},
        });
    return list;
}

} // namespace swpctl
