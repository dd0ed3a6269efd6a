#pragma once
// What `swpctl apply` compares and reports: the state a device reports, the
// state the inventory wants of it, the fields that differ (in the file's own
// words), and the report of each device as text and JSON. No network here.

#include "settings/records.h"
#include "tools/swpctl/inventory.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <vector>

namespace swpctl {

// What the configuration reply told (the keys and the wireless mode are
// never reported, so they are sent but not compared).
struct DeviceState {
    int mode = 0;
    IPConfig ip{};
    WirelessProfile wl{};
};
DeviceState ReportedState(); // g_Var.DeviceMode, CurIP, CurWl

enum class Field {
    DeviceMode,
    IpMode,
    Address,
    Mask,
    Gateway,
    Ssid,
    Channel,
    Security,
    Auth,
    WepKeyLength,
    WpaMode,
    Cipher,
};
QString FieldName(Field field);
bool IsProfileField(Field field);
// The fields of a profile the devices never report, in the file's words:
// "key" (WEP or WPA-PSK) and "wireless_mode" when the file gives them.
QStringList UnreportedFields(const WirelessOptions& profile);
QString FieldValue(Field field, const DeviceState& state);

struct FieldChange {
    Field field;
    QString before;
    QString after;
};

// One part of the desired state over the current one: the state wanted and
// the fields that tell whether it is reached.
struct Part {
    DeviceState wanted;
    std::vector<Field> fields;
    QString refused; // why the named settings cannot be sent over the current state
    std::vector<FieldChange> Differences(const DeviceState& current) const;
};
// Nothing to compare when the file leaves that part alone.
Part ModePart(const DesiredDevice& device, const DeviceState& current);
Part AddressPart(const DesiredDevice& device, const DeviceState& current);
// What is not named stays as the device reports it: the gateway of a static
// address; the profile's settings (a key and a wireless mode aside, which the
// devices never report).
Part ProfilePart(const DesiredDevice& device, const DeviceState& current);
// The profile the file gives for this mode, if any.
const WirelessOptions* ProfileFor(const DesiredDevice& device, int mode);
// Every difference, for --check: the profile of the mode the device is to run in.
std::vector<FieldChange> Differences(const DesiredDevice& device, const DeviceState& current);

struct DeviceReport {
    enum Status { Unchanged, Changed, WouldChange, Failed, NotFound };
    QString label; // the MAC or name the file gives
    int line = 0;
    bool found = false;
    DeviceRecord record{};
    Status status = Unchanged;
    std::vector<FieldChange> changes; // sent (Changed, Failed) or to send (WouldChange)
    int exitCode = 0;                 // Failed: as swpctl's single commands would exit
    QString reason;                   // Failed
    QStringList notCompared;          // write-only fields of the entry that were not sent
    QStringList sentUncompared;       // sent for --send-keys alone, nothing else differing
    QStringList notes;                // what the user should know of what was sent
    QJsonObject config;               // the configuration read, as show --json prints it
};
QString StatusName(DeviceReport::Status status);
QString ReportText(const DeviceReport& report);
// The result of a single command in one line: what changed, or would change.
QString ChangeLine(const DeviceReport& report);
QJsonObject ReportJson(const DeviceReport& report);

} // namespace swpctl
