#include "settings/globalvar.h"

#include "platform/program.h"
#include "platform/shell.h"
#include "settings/filepath.h"
#include "settings/textutil.h"

#include <QFileInfo>
#include <cstring>

CGlobalVar g_Var;

const CGlobalVar::Label CGlobalVar::Labels[24] = {
    {"SecurityNone", "None", &CGlobalVar::SecurityNone},
    {"SecurityWEP", "WEP", &CGlobalVar::SecurityWEP},
    {"SecurityWPAPSK", "WPA-PSK", &CGlobalVar::SecurityWPAPSK},
    {"AuthenOpen", "Open", &CGlobalVar::AuthenOpen},
    {"AuthenShared", "Shared", &CGlobalVar::AuthenShared},
    {"AuthenAuto", "Auto", &CGlobalVar::AuthenAuto},
    {"WEP64", "64 bit", &CGlobalVar::WEP64},
    {"WEP128", "128 bit", &CGlobalVar::WEP128},
    {"WPA_WPA", "WPA Only", &CGlobalVar::WPA_WPA},
    {"WPA_WPA2", "WPA2 Only", &CGlobalVar::WPA_WPA2},
    {"WPA_WPAAuto", "WPA or WPA2", &CGlobalVar::WPA_WPAAuto},
    {"CipherTKIP", "TKIP", &CGlobalVar::CipherTKIP},
    {"CipherAES", "AES", &CGlobalVar::CipherAES},
    {"CipherAuto", "TKIP and AES", &CGlobalVar::CipherAuto},
    {"WirlessMode_BG", "2.4GHz 802.11 b/g mixed mode", &CGlobalVar::WirlessMode_BG},
    {"WirlessMode_B", "2.4GHz 802.11 b only", &CGlobalVar::WirlessMode_B},
    {"WirlessMode_A", "2.4GHz 802.11 a only", &CGlobalVar::WirlessMode_A},
    {"WirlessMode_ABG", "2.4GHz 802.11 a/b/g mixed mode", &CGlobalVar::WirlessMode_ABG},
    {"WirlessMode_G", "2.4GHz 802.11 g only", &CGlobalVar::WirlessMode_G},
    {"WirlessMode_ABGN", "2.4GHz 802.11 a/b/g/n mixed mode", &CGlobalVar::WirlessMode_ABGN},
    {"WirlessMode_N", "2.4GHz 802.11 n only", &CGlobalVar::WirlessMode_N},
    {"WirlessMode_GN", "2.4GHz 802.11 g/n mixed mode", &CGlobalVar::WirlessMode_GN},
    {"WirlessMode_AN", "2.4GHz 802.11 a/n mixed mode", &CGlobalVar::WirlessMode_AN},
    {"WirlessMode_BGN", "2.4GHz 802.11 b/g/n mixed mode", &CGlobalVar::WirlessMode_BGN},
};

CGlobalVar::CGlobalVar() {
    for (const Label& label : Labels)
        this->*label.field = QString::fromLatin1(label.builtIn);
}

CGlobalVar::~CGlobalVar() = default;

bool CGlobalVar::Load(const QString& programPath) {
    const QFileInfo program(programPath.isEmpty() ? ProgramFilePath() : programPath);
    AppPath = program.absolutePath() + QLatin1Char('/');
    const QString baseName = program.completeBaseName();
    Ini = std::make_unique<CThreadIni>(AppPath + baseName + QStringLiteral(".ini"));

    ShortName = Ini->ReadString("Product", "ShortName", "ZOLA-4410");
    MutexName = ShortName + QStringLiteral("_Mutex");
    AppTitle = Ini->ReadString(QStringLiteral("Product"), QStringLiteral("AppTitle"), baseName);
    MsgTitle = Ini->ReadString(QStringLiteral("Product"), QStringLiteral("MsgTitle"), AppTitle);
    AcrobatReader = ProductFile(QStringLiteral("AcrobatReader"));
    AcrobatReaderTitle =
        Ini->ReadString("Product", "AcrobatReaderTitle", "Adobe Reader 7.0.5 - Setup");
    LicenseAccepted = false;
    Password = QStringLiteral("tosca");
    NonWorking = Ini->ReadBool(QStringLiteral("Setting"), QStringLiteral("NonWorking"), false);
    for (const Label& label : Labels) {
        QString& text = this->*label.field;
        text = Ini->ReadString(QStringLiteral("String"), QString::fromLatin1(label.key), text);
    }
    return true;
}

void CGlobalVar::ResetIPConfig(IPConfig& config) const {
    config = IPConfig{};
    config.IpMode = 1;
}

void CGlobalVar::ResetProfile(WirelessProfile& profile) const {
    const QString ssid =
        Ini ? Ini->ReadString("Setting", "SSID", "wireless") : QStringLiteral("wireless");
    CopyBounded(profile.SSID, sizeof profile.SSID, ssid.left(32));
    profile.StdCh = 0;
    profile.ExtCh = 0;
    std::memset(profile.ChList, 0, sizeof profile.ChList);
    profile.Security = 0;
    profile.ClearSecurity(2);
    profile.WpsPin = 0;
    profile.PinNumber = 0;
}

int CGlobalVar::OpenUserGuide() {
    const QString path = ProductFile(QStringLiteral("UserGuide"));
    if (path.isEmpty() || !QFileInfo::exists(path))
        return 2;
    QString program;
    if (Shell().FindExecutable(path, program) == SE_ERR_NOASSOC)
        return 3;
    return Shell().ShellExecute(QStringLiteral("open"), path) > 32 ? 0 : 2;
}

QString CGlobalVar::ProductFile(const QString& key, const QString& def) const {
    const QString name = Ini ? Ini->ReadString(QStringLiteral("Product"), key, def) : def;
    return ResolveFileName(AppPath, name);
}

namespace {
QString Pick(int code, std::initializer_list<const QString*> texts) {
    if (code < 0 || code >= static_cast<int>(texts.size()))
        return QString();
    return **(texts.begin() + code);
}
} // namespace

QString CGlobalVar::SecurityText(int code) const {
    return Pick(code, {&SecurityNone, &SecurityWEP, &SecurityWPAPSK});
}
QString CGlobalVar::AuthText(int code) const {
    return Pick(code, {&AuthenOpen, &AuthenShared, &AuthenAuto});
}
QString CGlobalVar::WepKeyLenText(int code) const {
    return Pick(code, {&WEP64, &WEP128});
}
QString CGlobalVar::WpaModeText(int code) const {
    return Pick(code, {&WPA_WPA, &WPA_WPA2, &WPA_WPAAuto});
}
QString CGlobalVar::WpaCipherText(int code) const {
    return Pick(code, {&CipherTKIP, &CipherAES, &CipherAuto});
}
QString CGlobalVar::WirelessModeText(int code) const {
    return Pick(code, {&WirlessMode_BG, &WirlessMode_B, &WirlessMode_A, &WirlessMode_ABG,
                       &WirlessMode_G, &WirlessMode_ABGN, &WirlessMode_N, &WirlessMode_GN,
                       &WirlessMode_AN, &WirlessMode_BGN});
}
