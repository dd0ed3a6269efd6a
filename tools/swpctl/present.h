#pragma once
// How swpctl shows what it read: tables and JSON of devices, the device's
// configuration decoded with the label texts, site surveys, WPS status texts.

#include "settings/records.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <vector>

namespace swpctl {

// Device-controlled texts are exact here (for JSON); what goes to the
// terminal passes PrintableText.
QString DeviceName(const DeviceRecord& device);
QString DeviceLine(const DeviceRecord& device); // "name (MAC) at IP", printable

QString DeviceTable(const std::vector<DeviceRecord>& devices);
QJsonArray DevicesJson(const std::vector<DeviceRecord>& devices);

// The one word for each device mode, as set-mode and the inventory take it:
// "ap", "bridge", or "unknown (code)".
QString DeviceModeText(int mode);

// The configuration read into g_Var (DeviceMode, CurIP, CurWl): the text
// holds only what applies to the device's mode and security, the JSON every
// value.
QString ConfigText(const DeviceRecord& device);
QJsonObject ConfigJson(const DeviceRecord& device);
// Parts of it, for what a setting changed.
QString AddressText();
QString WirelessText();

// Strongest signal first; entries of equal signal keep the device's order.
std::vector<_tag_AP_ROFIILE> SortedBySignal(std::vector<_tag_AP_ROFIILE> survey);
QString SurveyTable(const std::vector<_tag_AP_ROFIILE>& survey);
QJsonArray SurveyJson(const std::vector<_tag_AP_ROFIILE>& survey);

} // namespace swpctl
