#include "platform/shell.h"
#include "tests/common/fakeshell.h"
#include "settings/globalvar.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <type_traits>

// The record layouts other code relies on: field sizes of the fixed texts.
static_assert(sizeof(WirelessProfile::SSID) == 33);
static_assert(sizeof(WirelessProfile::ChList) == 256);
static_assert(sizeof(WirelessProfile::WepKey) == 128);
static_assert(sizeof(WirelessProfile::WpaKey) == 128);
static_assert(sizeof(CGlobalVar::ApClientPin) == 12);
static_assert(sizeof(DeviceRecord::Name) == 34);
static_assert(std::is_trivially_copyable_v<WirelessProfile>);
static_assert(std::is_trivially_copyable_v<IPConfig>);

namespace {

class ProgramFolder {
public:
    QString ProgramPath() const { return m_Dir.filePath("Setup"); }
    QString Path(const QString& name) const { return m_Dir.filePath(name); }
    void WriteSettings(const QByteArray& text) const { Write("Setup.ini", text); }
    void Write(const QString& name, const QByteArray& bytes) const {
        QFile file(m_Dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

private:
    QTemporaryDir m_Dir;
};

} // namespace

TEST(GlobalVar, DefaultsWithoutSettingsFile) {
    ProgramFolder folder;
    CGlobalVar var;
    EXPECT_TRUE(var.Load(folder.ProgramPath()));

    EXPECT_EQ(var.AppPath, QDir(folder.Path("")).absolutePath() + "/");
    EXPECT_EQ(var.Ini->FileName(), folder.Path("Setup.ini"));
    EXPECT_EQ(var.ShortName, "ZOLA-4410");
    EXPECT_EQ(var.MutexName, "ZOLA-4410_Mutex");
    EXPECT_EQ(var.AppTitle, "Setup");
    EXPECT_EQ(var.MsgTitle, "Setup");
    EXPECT_TRUE(var.AcrobatReader.isEmpty());
    EXPECT_EQ(var.AcrobatReaderTitle, "Adobe Reader 7.0.5 - Setup");
    EXPECT_EQ(var.Password, "tosca");
    EXPECT_FALSE(var.LicenseAccepted);
    EXPECT_FALSE(var.NonWorking);
    EXPECT_EQ(var.SecurityWPAPSK, "WPA-PSK");
    EXPECT_EQ(var.CipherAuto, "TKIP and AES");
    EXPECT_EQ(var.WirlessMode_A, "2.4GHz 802.11 a only");
    EXPECT_EQ(var.WirlessMode_BGN, "2.4GHz 802.11 b/g/n mixed mode");
    EXPECT_EQ(var.WirelessModeText(9), var.WirlessMode_BGN);
    EXPECT_EQ(var.WpaModeText(1), "WPA2 Only");
    EXPECT_TRUE(var.SecurityText(3).isEmpty());
}

TEST(GlobalVar, FieldsStartAtZeroExceptTexts) {
    CGlobalVar var;
    EXPECT_EQ(var.Ini, nullptr);
    EXPECT_TRUE(var.AppPath.isEmpty());
    EXPECT_EQ(var.DeviceMode, 0);
    EXPECT_EQ(var.CurIP.IpMode, 0);
    EXPECT_EQ(var.NewWl.SSID[0], '\0');
    EXPECT_EQ(var.ApClientPin[0], '\0');
    EXPECT_EQ(var.AuthenAuto, "Auto");
}

TEST(GlobalVar, ProductSettingsAndLabelsFromFile) {
    ProgramFolder folder;
    folder.WriteSettings("[Product]\r\n"
                         "ShortName=AX-200\r\n"
                         "AppTitle=Wireless Setup\r\n"
                         "AcrobatReader=Tools/AdbeRdr.exe\r\n"
                         "[Setting]\r\n"
                         "NonWorking=1\r\n"
                         "[String]\r\n"
                         "SecurityWEP=WEP (legacy)\r\n"
                         "WirlessMode_N=5GHz n\r\n");
    CGlobalVar var;
    var.Load(folder.ProgramPath());
    EXPECT_EQ(var.MutexName, "AX-200_Mutex");
    EXPECT_EQ(var.AppTitle, "Wireless Setup");
    EXPECT_EQ(var.MsgTitle, "Wireless Setup"); // no MsgTitle: the title is the caption
    EXPECT_EQ(var.AcrobatReader, var.AppPath + "Tools/AdbeRdr.exe");
    EXPECT_TRUE(var.NonWorking);
    EXPECT_EQ(var.SecurityWEP, "WEP (legacy)");
    EXPECT_EQ(var.WirlessMode_N, "5GHz n");
    EXPECT_EQ(var.SecurityNone, "None");
}

TEST(GlobalVar, SwitchesAndEmptyValuesFallBack) {
    ProgramFolder folder;
    folder.WriteSettings("[Product]\nMsgTitle=Notice\nAcrobatReader=\n[Setting]\nNonWorking=yes\n");
    CGlobalVar var;
    var.Load(folder.ProgramPath());
    EXPECT_EQ(var.MsgTitle, "Notice");
    EXPECT_TRUE(var.AcrobatReader.isEmpty()); // not AppPath
    EXPECT_FALSE(var.NonWorking);             // not a number: the default
}

TEST(GlobalVar, ResetRecords) {
    ProgramFolder folder;
    folder.WriteSettings("[Setting]\nSSID=" + QByteArray(40, 'x') + "\n");
    CGlobalVar var;
    var.Load(folder.ProgramPath());

    IPConfig ip{0, 1, 2, 3, 4, 5};
    var.ResetIPConfig(ip);
    EXPECT_EQ(ip.IpMode, 1);
    EXPECT_EQ(ip.IP | ip.Mask | ip.Gateway | ip.DNS1 | ip.DNS2, 0u);

    WirelessProfile wl;
    std::memset(&wl, 0x5A, sizeof wl);
    wl.WlMode = 7;
    var.ResetProfile(wl);
    EXPECT_EQ(QByteArray(wl.SSID), QByteArray(32, 'x'));
    EXPECT_EQ(wl.SSID[32], '\0');
    EXPECT_EQ(wl.WlMode, 7); // untouched by the reset
    EXPECT_EQ(wl.StdCh, 0);
    EXPECT_EQ(wl.ChList[255], 0);
    EXPECT_EQ(wl.Security, 0);
    EXPECT_EQ(wl.Auth, 2);
    EXPECT_EQ(wl.WepKeySlot, 1);
    EXPECT_EQ(wl.WepKey[127], 0);
    EXPECT_EQ(wl.WpaMode, 2);
    EXPECT_EQ(wl.WpaCipher, 2);
    EXPECT_EQ(wl.WpaKey[0], 0);
    EXPECT_EQ(wl.WpsPin, 0u);
    EXPECT_EQ(wl.PinNumber, 0);
}

TEST(GlobalVar, ResetProfileDefaultSsidAndMultibyteCut) {
    ProgramFolder folder;
    CGlobalVar var;
    var.Load(folder.ProgramPath());
    WirelessProfile wl{};
    var.ResetProfile(wl);
    EXPECT_STREQ(wl.SSID, "wireless");

    // 31 ASCII characters and one two-byte character: 33 bytes do not fit, and
    // the cut never leaves half a character behind.
    folder.WriteSettings("[Setting]\nSSID=" + QByteArray(31, 'a') + "\xC3\xA9" + "\n");
    var.Load(folder.ProgramPath());
    var.ResetProfile(wl);
    EXPECT_EQ(QByteArray(wl.SSID), QByteArray(31, 'a'));
}

TEST(GlobalVar, OpenUserGuideResults) {
    ProgramFolder folder;
    CFakeShell shell;
    CGlobalVar var;

    var.Load(folder.ProgramPath());
    EXPECT_EQ(var.OpenUserGuide(), 2); // no UserGuide setting

    folder.WriteSettings("[Product]\nUserGuide=Guide.pdf\n");
    var.Load(folder.ProgramPath());
    EXPECT_EQ(var.OpenUserGuide(), 2); // the file does not exist: the shell is not asked
    EXPECT_TRUE(shell.Calls.isEmpty());

    folder.Write("Guide.pdf", "%PDF-1.4\n");
    EXPECT_EQ(var.OpenUserGuide(), 0);
    EXPECT_EQ(shell.Calls, QStringList({"find " + var.AppPath + "Guide.pdf",
                                        "open " + var.AppPath + "Guide.pdf"}));

    shell.FindResult = SE_ERR_NOASSOC;
    EXPECT_EQ(var.OpenUserGuide(), 3);
    shell.FindResult = SHELL_OK;
    shell.OpenResult = SE_ERR_FNF;
    EXPECT_EQ(var.OpenUserGuide(), 2);
}
