#pragma once
// The simulator's configuration: one or many devices read from a JSON file.
// The format is described in tools/devsim/README.md; unknown keys and values
// out of range are errors, so a typo never silently falls back to a default.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace devsim {

using Mac = std::array<uint8_t, 6>;

// The kinds of request a device tells apart; each may get its own behaviour.
enum class RequestKind {
    Discover,
    Login,
    Logout,
    GetConfig,
    GetMode,
    SetIp,
    SetMode,
    SetWireless,
    SetStation,
    WpsPbc,
    WpsPin,
    Survey,
    StaGetConfig,
};
const char* KindName(RequestKind kind);
bool KindFromName(const QString& name, RequestKind& kind);

enum class Action { Answer, Drop, Refuse };

struct Behaviour {
    Action action = Action::Answer;
    int delayMs = 0;
    int count = -1; // the behaviour holds for the first count requests of its kind; -1: all
};

struct IpSettings {
    bool dhcp = false;
    uint32_t ip = 0xC0A80032;   // 192.168.0.50, host order
    uint32_t mask = 0xFFFFFF00; // 255.255.255.0
    uint32_t gateway = 0;
};

struct WirelessSettings {
    std::string ssid = "default";
    int stdCh = 6;
    int extCh = 0;
    std::vector<uint8_t> channels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    int wirelessMode = 9;
    int security = 0;
    int auth = 0;
    int wepKeyLen = 0;
    int wepKeyIndex = 0;
    std::string wepKey;
    int wpaMode = 1;
    int cipher = 1;
    std::string wpaKey;
    uint32_t wpsPin = 12345670;
};

struct SurveyEntry {
    std::string ssid;
    Mac bssid{};
    int signal = 0;
    int channel = 0;
    int encryption = 0;
    int authentication = 0;
    int kind = 0;
    bool wps = false;
    bool highlight = false;
};

struct WpsStep {
    int delayMs = 0; // counted from the previous step (the first from the accepted request)
    int32_t status = 0;
};

enum class ReplyMode { Unicast, Broadcast };
enum class ForeignLogin { Refuse, Ignore };

struct DeviceConfig {
    std::string name = "Device";
    Mac mac{};
    std::string password = "tosca";
    int mode = 1; // 1 access point, 2 wireless bridge
    IpSettings ip;
    WirelessSettings wireless;
    std::string clientPin = "12345670";
    std::vector<SurveyEntry> survey;
    std::vector<WpsStep> wpsStatus = {{500, 3}, {1500, 34}};
    uint16_t loginPort = 0; // 0: no port TLV in the login reply
    // When set, the value bytes of the login reply's port TLV instead of
    // loginPort (a port the host should not take: 0, or not 2 bytes).
    std::optional<std::vector<uint8_t>> loginPortValue;
    ReplyMode reply = ReplyMode::Unicast;
    int connectTimeoutMs = 0; // 0: the login never times out
    bool requireLogin = true;
    ForeignLogin foreignLogin = ForeignLogin::Refuse;
    int clones = 1; // answers discovery as this many devices
    std::map<RequestKind, Behaviour> requests;
};

struct SimConfig {
    std::vector<DeviceConfig> devices;
};

// Parses the JSON text; on failure returns false with a message naming the key.
bool ParseConfig(const QByteArray& json, SimConfig& config, QString& error);

// MAC of clone number index (0 is the device itself): the base MAC plus index,
// as a 48-bit number.
Mac CloneMac(const Mac& base, int index);
// Name of clone number index: the device name, then "-" and the number padded
// to the width of the largest number.
std::string CloneName(const std::string& base, int index, int clones);

} // namespace devsim
