#pragma once
// Records shared by the protocol engine, the pages and g_Var. Their layout and
// field sizes are those of the wizard's shared state; every copy into one of the
// fixed-size text fields goes through CopyBounded (textutil.h).

#include <cstdint>
#include <cstring>

constexpr int DEVICE_AP = 1;
constexpr int DEVICE_WBRIDGE = 2;

struct IPConfig {
    int IpMode;       // 1 DHCP, 0 static
    uint32_t IP;      // host byte order
    uint32_t Mask;    // host byte order
    uint32_t Gateway; // host byte order
    uint32_t DNS1;    // kept by the IP page, not sent
    uint32_t DNS2;    // kept by the IP page, not sent

    bool operator==(const IPConfig&) const = default;
};

struct WirelessProfile {
    char SSID[33];       // at most 32 characters, zero-terminated
    uint8_t StdCh;       // standard channel
    uint8_t ExtCh;       // extension channel
    uint8_t ChList[256]; // channel numbers, zero-terminated
    int WlMode;          // 0..9, see the label table
    int Security;        // 0 none, 1 WEP, 2 WPA-PSK
    int Auth;            // 0 open, 1 shared, 2 auto
    int WepKeyLen;       // 0 64-bit, 1 128-bit
    int WepKeySlot;      // set to 1 by resets; read by no one
    char WepKey[128];
    int WpaMode;   // 0 WPA, 1 WPA2, 2 WPA or WPA2
    int WpaCipher; // 0 TKIP, 1 AES, 2 TKIP and AES
    char WpaKey[128];
    uint32_t WpsPin; // the device's own PIN as read
    int PinNumber;   // the PIN the user entered for WPS

    // What a profile without security sends: no keys, WPA or WPA2 with both
    // ciphers; the open or automatic authentication is the caller's.
    void ClearSecurity(int auth) {
        Auth = auth;
        WepKeyLen = 0;
        WepKeySlot = 1;
        std::memset(WepKey, 0, sizeof WepKey);
        WpaMode = 2;
        WpaCipher = 2;
        std::memset(WpaKey, 0, sizeof WpaKey);
    }
};

// One discovered device.
struct DeviceRecord {
    uint32_t LocalIP;   // adapter address the reply arrived on, host order
    uint32_t LocalMask; // netmask of that adapter address, host order
    uint32_t DeviceIP;  // address the reply came from, host order
    uint8_t MAC[6];
    char Name[34]; // DEVICE_NAME, zero-terminated: at most 33 characters
};

// One site-survey result.
struct _tag_AP_ROFIILE {
    bool Highlighted;
    char SSID[33]; // up to 32 characters, zero-terminated
    uint8_t BSSID[6];
    int Signal; // percent
    int Channel;
    uint8_t Encryption;     // 0 none, 1 WEP, 2 TKIP, 3 AES, 4 TKIP and AES
    uint8_t Authentication; // 0 open, 2 WPA-PSK, 3 WPA2-PSK, 4 both, 5 WPA, 6 WPA2, 7 both
    uint8_t NetworkKind;    // 0 access point, otherwise station
    bool WpsCapable;
};
