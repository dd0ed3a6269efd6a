#pragma once
// g_Var: the one shared state object of the wizard. It holds the product
// settings read at start-up, the user's choices along the wizard, the device
// being configured and its configuration as read and as about to be written.

#include "settings/records.h"
#include "settings/threadini.h"

#include <QString>
#include <memory>

class CGlobalVar {
public:
    CGlobalVar();
    ~CGlobalVar();

    CGlobalVar(const CGlobalVar&) = delete;
    CGlobalVar& operator=(const CGlobalVar&) = delete;

    // Reads the product settings file beside programPath (the running
    // executable when empty). Always returns true.
    bool Load(const QString& programPath = QString());
    void ResetIPConfig(IPConfig& config) const;
    void ResetProfile(WirelessProfile& profile) const;
    // 0 opened, 2 missing or failed, 3 no program is registered for the file.
    int OpenUserGuide();
    // The file, folder or address named by a key of section "Product", a
    // relative name taken from the program folder (ResolveFileName).
    QString ProductFile(const QString& key, const QString& def = QString()) const;

    // Fields, in declaration order.
    QString AppPath; // program folder, ending with '/'
    std::unique_ptr<CThreadIni> Ini;
    QString ShortName;
    QString MutexName;
    QString AppTitle;
    QString MsgTitle;
    QString AcrobatReader;
    QString AcrobatReaderTitle;
    bool LicenseAccepted = false;
    QString Password; // also the payload cipher key
    bool NonWorking = false;
    DeviceRecord Device{};
    int SetupMethod = 0; // 0 IP setup, 1 wireless setup, 2 advanced
    int DeviceMode = 0;  // DEVICE_AP or DEVICE_WBRIDGE
    int WlMethod = 0;    // 0 WPS, 1 manual / connect, 2 manual after the IP steps
    char ApClientPin[12] = {};
    int WpsMethod = 0; // 1 push button, otherwise PIN
    _tag_AP_ROFIILE SelectedAP{};
    IPConfig CurIP{};
    IPConfig NewIP{};
    WirelessProfile CurWl{};
    WirelessProfile NewWl{};

    // Label texts of the wireless settings (section "String").
    QString SecurityNone;
    QString SecurityWEP;
    QString SecurityWPAPSK;
    QString AuthenOpen;
    QString AuthenShared;
    QString AuthenAuto;
    QString WEP64;
    QString WEP128;
    QString WPA_WPA;
    QString WPA_WPA2;
    QString WPA_WPAAuto;
    QString CipherTKIP;
    QString CipherAES;
    QString CipherAuto;
    QString WirlessMode_BG;
    QString WirlessMode_B;
    QString WirlessMode_A;
    QString WirlessMode_ABG;
    QString WirlessMode_G;
    QString WirlessMode_ABGN;
    QString WirlessMode_N;
    QString WirlessMode_GN;
    QString WirlessMode_AN;
    QString WirlessMode_BGN;

    // The 24 label keys of section "String" in table order, with their fields.
    struct Label {
        const char* key;
        const char* builtIn;
        QString CGlobalVar::*field;
    };
    static const Label Labels[24];

    // The texts of a label group by code: e.g. WirelessModeText(9).
    QString SecurityText(int code) const;
    QString AuthText(int code) const;
    QString WepKeyLenText(int code) const;
    QString WpaModeText(int code) const;
    QString WpaCipherText(int code) const;
    QString WirelessModeText(int code) const;
};

// The global shared state; it exists from program initialisation to its end.
extern CGlobalVar g_Var;
