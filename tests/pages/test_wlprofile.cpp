// The wireless setup method page, the profile host with its sub-pages and the
// success page, offscreen and without a device: the key rules, the walk
// through the sub-pages both ways, the summary with its file and print-out.

#include "settings/wirelessrules.h"
#include "tests/pages/wlprofilefixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The words of a PDF with their boxes, in points, from pdftotext -bbox.
struct PdfWord {
    QString text;
    double xMin, yMin, xMax, yMax;
};

QList<PdfWord> PdfWords(const QString& pdf) {
    QProcess process;
    process.start("pdftotext", {"-bbox", pdf, "-"});
    EXPECT_TRUE(process.waitForFinished(30000));
    const QString html = QString::fromUtf8(process.readAllStandardOutput());
    static const QRegularExpression word(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
        "yMax=\"([\\d.]+)\">([^<]*)</word>");
    QList<PdfWord> words;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        words.append({m.captured(5), m.captured(1).toDouble(), m.captured(2).toDouble(),
                      m.captured(3).toDouble(), m.captured(4).toDouble()});
    }
    return words;
}

// The text lines of a PDF, trimmed, empty lines left out.
QStringList PdfLines(const QString& pdf) {
    QProcess process;
    process.start("pdftotext", {"-layout", pdf, "-"});
    EXPECT_TRUE(process.waitForFinished(30000));
    QStringList lines;
    for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split('\n')) {
        const QString simple = line.simplified();
        if (!simple.isEmpty())
            lines << simple;
    }
    return lines;
}

const QByteArray kWepKeyTexts = "[Message]\n"
                                "ER_WEPKey=generic\n"
                                "ER_WEP64Hex=64 hex\n"
                                "ER_WEP64=64 length\n"
                                "ER_WEP128Hex=128 hex\n"
                                "ER_WEP128=128 length\n";

} // namespace

class WlPages : public WlProfileFixture {
protected:
    QString TempPath(const char* name) const { return m_Dir.filePath(QString::fromLatin1(name)); }
};

// ---------------------------------------------------------------------------
// Wireless setup method page

TEST_F(WlPages, SetWlMethodForwardEntryReadsTheModeMessage) {
    Open("[String]\nSetWlMethod_AP_MODE_MSG=Access point text\n"
         "SetWlMethod_BRIDGE_MODE_MSG=Bridge text\n");
    auto* wps = Child<QRadioButton>(SetWlMethod, "RBtnWPS");
    auto* manual = Child<QRadioButton>(SetWlMethod, "RBtnManual");
    wps->setChecked(true);
    ASSERT_TRUE(Form->ShowFrame(SetWlMethod, Direction::Forward, 0));
    EXPECT_TRUE(manual->isChecked());
    EXPECT_EQ(Text(SetWlMethod, "LbSetWlMsg"), "Access point text");

    g_Var.DeviceMode = DEVICE_WBRIDGE;
    ASSERT_TRUE(Form->ShowFrame(Success, Direction::Forward, 0));
    ASSERT_TRUE(Form->ShowFrame(SetWlMethod, Direction::Forward, 0));
    EXPECT_EQ(Text(SetWlMethod, "LbSetWlMsg"), "Bridge text");
}

TEST_F(WlPages, SetWlMethodWithoutMessageTextShowsNothing) {
    Open();
    EXPECT_FALSE(Text(SetWlMethod, "LbSetWlMsg").isEmpty()); // the layout default
    ASSERT_TRUE(Form->ShowFrame(SetWlMethod, Direction::Forward, 0));
    EXPECT_EQ(Text(SetWlMethod, "LbSetWlMsg"), "");
    EXPECT_EQ(Text(SetWlMethod, "LbSetWlInfo"), "Wireless Configuration");
    EXPECT_EQ(Text(SetWlMethod, "RBtnManual"), "Manual Setup");
    EXPECT_EQ(Text(SetWlMethod, "RBtnWPS"), "Wi-Fi Protected Setup (WPS)");
    EXPECT_EQ(Text(SetWlMethod, "LbClickNext"), "Click Next to continue");
}

TEST_F(WlPages, SetWlMethodNextRecordsTheChoice) {
    Open("[String]\nSetWlMethod_AP_MODE_MSG=AP\n");
    ASSERT_TRUE(Form->ShowFrame(SetWlMethod, Direction::Forward, 0));
    Child<QRadioButton>(SetWlMethod, "RBtnWPS")->setChecked(true);
    g_Var.WlMethod = 7;
    Click(SetWlMethod, "BtnNext");
    EXPECT_EQ(g_Var.WlMethod, 0);
    EXPECT_EQ(Page()->objectName(), "FrameWPSMethod1");

    // Back from the WPS page enters the method page as if going forward.
    Click(Page(), "BtnBack");
    EXPECT_EQ(Page(), SetWlMethod);
    EXPECT_TRUE(Child<QRadioButton>(SetWlMethod, "RBtnManual")->isChecked());

    Click(SetWlMethod, "BtnNext");
    EXPECT_EQ(g_Var.WlMethod, 1);
    EXPECT_EQ(Page(), Host);
    EXPECT_EQ(SubPage(), SSID);
}

TEST_F(WlPages, SetWlMethodWithNeitherChoiceKeepsTheMethod) {
    Open();
    ASSERT_TRUE(Form->ShowFrame(SetWlMethod, Direction::Forward, 0));
    auto* manual = Child<QRadioButton>(SetWlMethod, "RBtnManual");
    manual->setAutoExclusive(false);
    manual->setChecked(false);
    g_Var.WlMethod = 5;
    Click(SetWlMethod, "BtnNext");
    EXPECT_EQ(g_Var.WlMethod, 5);
    EXPECT_EQ(Page(), SetWlMethod); // no rule for 5: stay
}

TEST_F(WlPages, SetWlMethodBackwardEntryKeepsChoiceAndText) {
    Open("[String]\nSetWlMethod_AP_MODE_MSG=AP\nSetWlMethod_BRIDGE_MODE_MSG=Bridge\n");
    ASSERT_TRUE(Form->ShowFrame(SetWlMethod, Direction::Forward, 0));
    Click(SetWlMethod, "BtnNext");
    ASSERT_EQ(Page(), Host);
    Child<QRadioButton>(SetWlMethod, "RBtnWPS")->setChecked(true);
    g_Var.DeviceMode = DEVICE_WBRIDGE; // not read on a backward entry
    ASSERT_TRUE(Form->ShowFrame(SetWlMethod, Direction::Backward, 0));
    EXPECT_TRUE(Child<QRadioButton>(SetWlMethod, "RBtnWPS")->isChecked());
    EXPECT_EQ(Text(SetWlMethod, "LbSetWlMsg"), "AP");
}

// ---------------------------------------------------------------------------
// The walk through the sub-pages

TEST_F(WlPages, NoneWalksForwardAndBackThroughPrevFrame) {
    Open();
    ASSERT_TRUE(Form->ShowFrame(SetWlMethod, Direction::Forward, 0));
    Click(SetWlMethod, "BtnNext");
    ASSERT_EQ(Page(), Host);
    ASSERT_EQ(SubPage(), SSID);
    EXPECT_TRUE(SSID->isVisible());
    WalkToSecurity("Walk");
    ChooseSecurity(0);
    ASSERT_EQ(SubPage(), Confirm);
    EXPECT_EQ(Confirm->PrevFrame, Security);
    for (TFrameBase* page : Host->SubPages())
        EXPECT_EQ(page->isVisible(), page == Confirm) << qPrintable(page->objectName());

    Click(Confirm, "BtnBack");
    EXPECT_EQ(SubPage(), Security);
    EXPECT_EQ(Confirm->PrevFrame, nullptr);
    Click(Security, "BtnBack");
    EXPECT_EQ(SubPage(), WlMode);
    Click(WlMode, "BtnBack");
    EXPECT_EQ(SubPage(), SSID);
    EXPECT_EQ(Text(SSID, "EdtSSID"), "Walk"); // kept on the way back
    Click(SSID, "BtnBack");
    EXPECT_EQ(Page(), SetWlMethod);
    EXPECT_EQ(SubPage(), SSID); // the host keeps its sub-page while hidden
}

TEST_F(WlPages, WepThenNoneGoesStraightToConfirmation) {
    Open();
    EnterHost();
    WalkToSecurity();
    ChooseSecurity(1);
    ASSERT_EQ(SubPage(), WEP);
    Click(WEP, "BtnBack");
    ASSERT_EQ(SubPage(), Security);
    ChooseSecurity(0);
    ASSERT_EQ(SubPage(), Confirm);
    EXPECT_EQ(Confirm->PrevFrame, Security);
    Click(Confirm, "BtnBack");
    EXPECT_EQ(SubPage(), Security);
}

TEST_F(WlPages, WpaBranchWalksBothWays) {
    Open();
    EnterHost();
    WalkToSecurity();
    ChooseSecurity(2);
    ASSERT_EQ(SubPage(), PSK);
    Type(PSK, "EdtPassphrase", "correct horse");
    Click(PSK, "BtnNext");
    ASSERT_EQ(SubPage(), Confirm);
    Click(Confirm, "BtnBack");
    ASSERT_EQ(SubPage(), PSK);
    EXPECT_EQ(Text(PSK, "EdtPassphrase"), "correct horse");
    Click(PSK, "BtnBack");
    ASSERT_EQ(SubPage(), Security);
    EXPECT_EQ(Selected(Security, "CmbSecurity"), 2);
    ChooseSecurity(1);
    ASSERT_EQ(SubPage(), WEP);
    Type(WEP, "EdtKey1", "abcde");
    Click(WEP, "BtnNext");
    ASSERT_EQ(SubPage(), Confirm);
    Click(Confirm, "BtnBack");
    EXPECT_EQ(SubPage(), WEP);
}

TEST_F(WlPages, SecurityOutsideTheBranchDoesNotMove) {
    Open();
    EnterHost();
    WalkToSecurity();
    g_Var.NewWl.Security = 7;
    EXPECT_FALSE(Host->AdvanceSubPage());
    EXPECT_EQ(SubPage(), Security);
    // The page stores its own choice before it asks for Next.
    ChooseSecurity(1);
    EXPECT_EQ(g_Var.NewWl.Security, 1);
    EXPECT_EQ(SubPage(), WEP);
}

TEST_F(WlPages, ForwardEntryRestartsAtTheSSIDPage) {
    Open();
    EnterHost();
    WalkToSecurity("First");
    ChooseSecurity(0);
    ASSERT_EQ(SubPage(), Confirm);
    ASSERT_TRUE(Form->ShowFrame(SetWlMethod, Direction::Backward, 0));
    std::strcpy(g_Var.NewWl.SSID, "Second");
    EnterHost();
    EXPECT_EQ(SubPage(), SSID);
    EXPECT_EQ(Text(SSID, "EdtSSID"), "Second");
    EXPECT_FALSE(Confirm->isVisible());
    Click(SSID, "BtnBack");
    EXPECT_EQ(Page(), SetWlMethod);

    // Entering the host backwards keeps the sub-page it was on.
    EnterHost();
    WalkToSecurity();
    ASSERT_TRUE(Form->ShowFrame(Success, Direction::Forward, 0));
    ASSERT_TRUE(Form->ShowFrame(Host, Direction::Backward, 0));
    EXPECT_EQ(SubPage(), Security);
    EXPECT_TRUE(Security->isVisible());
}

TEST_F(WlPages, ProtocolMessagesGoToTheCurrentSubPage) {
    Open();
    EnterHost();
    WalkToSecurity();
    ChooseSecurity(0);
    ASSERT_EQ(SubPage(), Confirm);
    // Outside a send sequence the confirmation page ignores results.
    CUdpMessage result(UM_UDP_RESULT, WAIT_GET_CONFIG, 1);
    EXPECT_FALSE(Host->WndProc(result));
    EXPECT_EQ(SubPage(), Confirm);
}

// ---------------------------------------------------------------------------
// SSID page

TEST_F(WlPages, EmptySSIDIsRefused) {
    Open("[Product]\nMsgTitle=Wizard\n");
    EnterHost();
    Type(SSID, "EdtSSID", "");
    Child<QWidget>(SSID, "EdtSSID")->clearFocus();
    Click(SSID, "BtnNext");
    EXPECT_EQ(Boxes.Shown, QStringList{"No SSID"});
    EXPECT_EQ(Boxes.Captions, QStringList{"Wizard"});
    EXPECT_EQ(SubPage(), SSID);
    EXPECT_TRUE(HasFocus(SSID, "EdtSSID"));

    Type(SSID, "EdtSSID", "   ");
    g_Var.NewWl.StdCh = 6;
    g_Var.NewWl.ExtCh = 1;
    Click(SSID, "BtnNext");
    EXPECT_STREQ(g_Var.NewWl.SSID, "   ");
    EXPECT_EQ(g_Var.NewWl.StdCh, 0);
    EXPECT_EQ(g_Var.NewWl.ExtCh, 0);
    EXPECT_EQ(SubPage(), WlMode);
}

TEST_F(WlPages, SSIDOfThirtyTwoCharactersIsStoredWhole) {
    Open();
    EnterHost();
    const QString full = QString(32, 'x');
    Type(SSID, "EdtSSID", full + "y");
    EXPECT_EQ(Text(SSID, "EdtSSID"), full);
    Click(SSID, "BtnNext");
    EXPECT_EQ(QString::fromLatin1(g_Var.NewWl.SSID), full);
}

TEST_F(WlPages, SSIDPresets) {
    Open("[Setting]\nSSID=FromSettings\n");
    std::strcpy(g_Var.NewWl.SSID, "FromDevice");
    EnterHost();
    EXPECT_EQ(Text(SSID, "EdtSSID"), "FromSettings");

    g_Var.DeviceMode = DEVICE_WBRIDGE;
    ChooseAP("Neighbour", 0, 0);
    ASSERT_TRUE(Form->ShowFrame(Success, Direction::Forward, 0));
    EnterHost();
    EXPECT_EQ(Text(SSID, "EdtSSID"), "Neighbour");
}

TEST_F(WlPages, SSIDFromTheDeviceWithoutSettings) {
    Open();
    std::strcpy(g_Var.NewWl.SSID, "FromDevice");
    EnterHost();
    EXPECT_EQ(Text(SSID, "EdtSSID"), "FromDevice");
    EXPECT_TRUE(HasFocus(SSID, "EdtSSID"));
}

// ---------------------------------------------------------------------------
// Wireless mode and security pages

TEST_F(WlPages, WirelessModeOpensOnBGNAndStoresTheChoice) {
    Open();
    g_Var.NewWl.WlMode = 0;
    EnterHost();
    Click(SSID, "BtnNext");
    ASSERT_EQ(SubPage(), WlMode);
    EXPECT_EQ(Items(WlMode, "CmbMode"),
              (QStringList{"2.4GHz 802.11 b/g/n mixed mode", "2.4GHz 802.11 b/g mixed mode",
                           "2.4GHz 802.11 n only"}));
    EXPECT_EQ(Selected(WlMode, "CmbMode"), 9);
    Choose(WlMode, "CmbMode", 6);
    Click(WlMode, "BtnNext");
    EXPECT_EQ(g_Var.NewWl.WlMode, 6);
    Click(Security, "BtnBack");
    Choose(WlMode, "CmbMode", 0);
    Click(WlMode, "BtnNext");
    EXPECT_EQ(g_Var.NewWl.WlMode, 0);
}

TEST_F(WlPages, AccessPointSecurityOpensOnNone) {
    Open();
    g_Var.NewWl.Security = 2;
    EnterHost();
    WalkToSecurity();
    EXPECT_EQ(Items(Security, "CmbSecurity"), (QStringList{"None", "WEP", "WPA-PSK"}));
    EXPECT_EQ(Selected(Security, "CmbSecurity"), 0);
}

TEST_F(WlPages, ClientSecurityFollowsTheChosenAccessPoint) {
    Open();
    g_Var.DeviceMode = DEVICE_WBRIDGE;
    struct Row {
        int encryption, authentication, expected;
    };
    const Row rows[] = {{0, 0, 0}, {0, 3, 0}, {1, 0, 1}, {1, 3, 1}, {2, 2, 2}, {2, 3, 2},
                        {3, 4, 2}, {3, 6, 0}, {4, 5, 0}, {4, 7, 0}, {3, 0, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.encryption << "/" << row.authentication);
        ChooseAP("Neighbour", row.encryption, row.authentication);
        ASSERT_TRUE(Form->ShowFrame(Success, Direction::Forward, 0));
        EnterHost();
        WalkToSecurity();
        EXPECT_EQ(Selected(Security, "CmbSecurity"), row.expected);
    }
}

TEST_F(WlPages, NoneClearsTheKeys) {
    Open();
    WirelessProfile& wl = g_Var.NewWl;
    EnterHost();
    WalkToSecurity();
    ChooseSecurity(1);
    Type(WEP, "EdtKey1", "abcde");
    Click(WEP, "BtnNext");
    ASSERT_STREQ(wl.WepKey, "abcde");
    Click(Confirm, "BtnBack");
    Click(WEP, "BtnBack");
    std::strcpy(wl.WpaKey, "typed before");
    wl.WpaMode = 0;
    wl.WpaCipher = 0;
    wl.Auth = 1;
    wl.WepKeyLen = 1;
    wl.WepKeySlot = 4;
    std::memset(wl.WepKey + 10, 'z', sizeof wl.WepKey - 11);
    ChooseSecurity(0);
    EXPECT_EQ(wl.Security, 0);
    EXPECT_EQ(wl.Auth, 0);
    EXPECT_EQ(wl.WepKeyLen, 0);
    EXPECT_EQ(wl.WepKeySlot, 1);
    EXPECT_EQ(wl.WpaMode, 2);
    EXPECT_EQ(wl.WpaCipher, 2);
    const char zeros[128] = {};
    EXPECT_EQ(std::memcmp(wl.WepKey, zeros, 128), 0);
    EXPECT_EQ(std::memcmp(wl.WpaKey, zeros, 128), 0);

    // Going on to WEP again in the same run shows no key.
    Click(Confirm, "BtnBack");
    ChooseSecurity(1);
    EXPECT_EQ(Text(WEP, "EdtKey1"), "");
}

// ---------------------------------------------------------------------------
// WEP key page

TEST(WepKeyRules, LengthAndFormat) {
    using F = wirelessrules::WepKeyFormat;
    EXPECT_EQ(wirelessrules::CheckWepKey("ab de", 0), F::Ascii);
    EXPECT_EQ(wirelessrules::CheckWepKey("0123456789", 0), F::Hex);
    EXPECT_EQ(wirelessrules::CheckWepKey("abcdefABCD", 0), F::Hex);
    EXPECT_EQ(wirelessrules::CheckWepKey("abcd", 0), F::Invalid);
    EXPECT_EQ(wirelessrules::CheckWepKey("abcdef", 0), F::Invalid);
    EXPECT_EQ(wirelessrules::CheckWepKey("0123456g89", 0), F::Invalid);
    EXPECT_EQ(wirelessrules::CheckWepKey("", 0), F::Invalid);
    EXPECT_EQ(wirelessrules::CheckWepKey("thirteen char", 1), F::Ascii);
    EXPECT_EQ(wirelessrules::CheckWepKey(QString(26, 'F'), 1), F::Hex);
    EXPECT_EQ(wirelessrules::CheckWepKey(QString(25, 'F'), 1), F::Invalid);
    EXPECT_EQ(wirelessrules::CheckWepKey(QString(25, 'F') + "x", 1), F::Invalid);
    EXPECT_EQ(wirelessrules::WepKeyAsSent("0a1b2c3d4e", F::Hex), "0A1B2C3D4E");
    EXPECT_EQ(wirelessrules::WepKeyAsSent("ab de", F::Ascii), "ab de");
    EXPECT_EQ(wirelessrules::WepHexDigits(0), 10);
    EXPECT_EQ(wirelessrules::WepHexDigits(1), 26);
}

TEST_F(WlPages, WepKeyMessageWithoutSettingsIsGeneric) {
    Open();
    const QString generic = "You have entered an incorrect WEP key. Please try again.";
    for (int v : {0, 1, 2, -1})
        for (bool hex : {false, true})
            EXPECT_EQ(wirelessrules::WepKeyMessage(v, hex), generic);
}

TEST_F(WlPages, WepKeyMessageHasFourKeys) {
    Open(kWepKeyTexts);
    EXPECT_EQ(wirelessrules::WepKeyMessage(0, true), "64 hex");
    EXPECT_EQ(wirelessrules::WepKeyMessage(0, false), "64 length");
    EXPECT_EQ(wirelessrules::WepKeyMessage(1, true), "128 hex");
    EXPECT_EQ(wirelessrules::WepKeyMessage(1, false), "128 length");
    EXPECT_EQ(wirelessrules::WepKeyMessage(2, true), "generic");
}

class WepPage : public WlPages {
protected:
    void SetUpPage(const QByteArray& settings = kWepKeyTexts) {
        Open(settings);
        EnterHost();
        WalkToSecurity();
        ChooseSecurity(1);
        ASSERT_EQ(SubPage(), WEP);
    }
    // Types key with length v and clicks Next; true when the page moved on.
    bool Enter(int v, const QString& key) {
        Choose(WEP, "CmbWEP", v);
        Type(WEP, "EdtKey1", key);
        Child<QWidget>(WEP, "EdtKey1")->clearFocus();
        Click(WEP, "BtnNext");
        if (SubPage() != Confirm)
            return false;
        Click(Confirm, "BtnBack");
        return true;
    }
};

TEST_F(WepPage, SixtyFourBitKeys) {
    SetUpPage();
    EXPECT_TRUE(Enter(0, "a b#?"));
    EXPECT_STREQ(g_Var.NewWl.WepKey, "a b#?");
    EXPECT_EQ(g_Var.NewWl.WepKeyLen, 0);
    EXPECT_TRUE(Enter(0, "0a1b2c3d4e"));
    EXPECT_STREQ(g_Var.NewWl.WepKey, "0A1B2C3D4E");
    EXPECT_TRUE(Boxes.Shown.isEmpty());

    EXPECT_FALSE(Enter(0, "abcd"));
    EXPECT_FALSE(Enter(0, "abcdef"));
    EXPECT_FALSE(Enter(0, "0a1b2c3d4g"));
    EXPECT_EQ(Boxes.Shown, (QStringList{"64 length", "64 length", "64 hex"}));
    EXPECT_EQ(Text(WEP, "EdtKey1"), "0a1b2c3d4g"); // kept for correction
    EXPECT_TRUE(HasFocus(WEP, "EdtKey1"));
    EXPECT_STREQ(g_Var.NewWl.WepKey, "0A1B2C3D4E");
}

TEST_F(WepPage, OneHundredTwentyEightBitKeys) {
    SetUpPage();
    EXPECT_TRUE(Enter(1, "13 characters"));
    EXPECT_STREQ(g_Var.NewWl.WepKey, "13 characters");
    EXPECT_EQ(g_Var.NewWl.WepKeyLen, 1);
    EXPECT_TRUE(Enter(1, "00112233445566778899aabbcc"));
    EXPECT_STREQ(g_Var.NewWl.WepKey, "00112233445566778899AABBCC");
    EXPECT_FALSE(Enter(1, QString(25, '1')));
    EXPECT_FALSE(Enter(1, QString(25, '1') + "z"));
    EXPECT_EQ(Boxes.Shown, (QStringList{"128 length", "128 hex"}));
    // At most 26 characters can be typed.
    Type(WEP, "EdtKey1", QString(30, '1'));
    EXPECT_EQ(Text(WEP, "EdtKey1").size(), 26);
}

TEST_F(WepPage, GenericMessageWithoutSettings) {
    SetUpPage("[Setting]\n");
    EXPECT_FALSE(Enter(0, "0a1b2c3d4g"));
    EXPECT_EQ(Boxes.Shown, QStringList{"You have entered an incorrect WEP key. Please try again."});
}

TEST_F(WepPage, ChangingTheLengthEmptiesTheKey) {
    SetUpPage();
    Type(WEP, "EdtKey1", "abcde");
    Choose(WEP, "CmbWEP", 1);
    EXPECT_EQ(Text(WEP, "EdtKey1"), "");
    EXPECT_EQ(Child<QLineEdit>(WEP, "EdtKey1")->maxLength(), 26);
    Type(WEP, "EdtKey1", "abcde");
    Choose(WEP, "CmbWEP", 0);
    EXPECT_EQ(Text(WEP, "EdtKey1"), "");
    EXPECT_EQ(Child<QLineEdit>(WEP, "EdtKey1")->maxLength(), 10);
}

TEST_F(WepPage, StoredKeyIsShownAgainOnForwardEntry) {
    Open();
    g_Var.NewWl.WepKeyLen = 1;
    std::strcpy(g_Var.NewWl.WepKey, "00112233445566778899AABBCC");
    g_Var.NewWl.Auth = 1;
    EnterHost();
    WalkToSecurity();
    ChooseSecurity(1);
    EXPECT_EQ(Selected(WEP, "CmbWEP"), 1);
    EXPECT_EQ(Text(WEP, "EdtKey1"), "00112233445566778899AABBCC");
    EXPECT_EQ(Items(WEP, "CmbAuthen"), (QStringList{"Open", "Shared", "Auto"}));
    EXPECT_EQ(Selected(WEP, "CmbAuthen"), 1);
    Choose(WEP, "CmbAuthen", 2);
    Click(WEP, "BtnNext");
    EXPECT_EQ(g_Var.NewWl.Auth, 2);
}

TEST_F(WepPage, AccessPointWithUnknownAuthenticationPreselectsAuto) {
    Open();
    g_Var.NewWl.WepKeyLen = 5;
    g_Var.NewWl.Auth = 9;
    EnterHost();
    WalkToSecurity();
    ChooseSecurity(1);
    EXPECT_EQ(Selected(WEP, "CmbWEP"), 0);
    EXPECT_EQ(Selected(WEP, "CmbAuthen"), 2);
}

TEST_F(WepPage, ClientIsNotOfferedAuto) {
    Open();
    g_Var.DeviceMode = DEVICE_WBRIDGE;
    ChooseAP("Neighbour", 1, 0);
    g_Var.NewWl.Auth = 1;
    EnterHost();
    WalkToSecurity();
    ASSERT_EQ(Selected(Security, "CmbSecurity"), 1);
    Click(Security, "BtnNext");
    ASSERT_EQ(SubPage(), WEP);
    EXPECT_EQ(Items(WEP, "CmbAuthen"), (QStringList{"Open", "Shared"}));
    EXPECT_EQ(Selected(WEP, "CmbAuthen"), 0);
    Type(WEP, "EdtKey1", "abcde");
    Click(WEP, "BtnNext");
    EXPECT_EQ(g_Var.NewWl.Auth, 0);
}

// ---------------------------------------------------------------------------
// WPA-PSK page

TEST(PskKeyRules, LengthAndFormat) {
    using F = wirelessrules::PassphraseFault;
    EXPECT_EQ(wirelessrules::CheckPassphrase("1234567"), F::Length);
    EXPECT_EQ(wirelessrules::CheckPassphrase(""), F::Length);
    EXPECT_EQ(wirelessrules::CheckPassphrase("12345678"), F::None);
    EXPECT_EQ(wirelessrules::CheckPassphrase(QString(63, '~')), F::None);
    EXPECT_EQ(wirelessrules::CheckPassphrase(QString(64, 'a')), F::None);
    EXPECT_EQ(wirelessrules::CheckPassphrase(QString(63, 'a') + "g"), F::NotHex);
    EXPECT_EQ(wirelessrules::CheckPassphrase(QString(65, 'a')), F::Length);
    // The device takes 63 bytes: 32 two-byte characters are too many.
    EXPECT_EQ(wirelessrules::CheckPassphrase(QString(32, QChar(0xE9))), F::Length);
    EXPECT_EQ(wirelessrules::CheckPassphrase(QString(31, QChar(0xE9))), F::None);
    EXPECT_EQ(TFrameWlProfPSK::CipherOf(0), 0);
    EXPECT_EQ(TFrameWlProfPSK::CipherOf(1), 1);
    EXPECT_EQ(TFrameWlProfPSK::CipherOf(2), 2);
    EXPECT_EQ(TFrameWlProfPSK::CipherOf(-3), 2);
}

class PskPage : public WlPages {
protected:
    void SetUpPage(const QByteArray& settings = QByteArray("[Setting]\n")) {
        Open(settings);
        EnterHost();
        WalkToSecurity();
        ChooseSecurity(2);
        ASSERT_EQ(SubPage(), PSK);
    }
    bool Enter(const QString& key) {
        Type(PSK, "EdtPassphrase", key);
        Child<QWidget>(PSK, "EdtPassphrase")->clearFocus();
        Click(PSK, "BtnNext");
        if (SubPage() != Confirm)
            return false;
        Click(Confirm, "BtnBack");
        return true;
    }
};

TEST_F(PskPage, KeyRules) {
    SetUpPage();
    EXPECT_FALSE(Enter("1234567"));
    EXPECT_EQ(Boxes.Shown,
              QStringList{"Passphrase should be between 8 to 63 charachers in ASCII format."});
    EXPECT_EQ(Text(PSK, "EdtPassphrase"), "1234567");
    EXPECT_TRUE(HasFocus(PSK, "EdtPassphrase"));

    Type(PSK, "EdtPassphrase", QString(65, 'a'));
    EXPECT_EQ(Text(PSK, "EdtPassphrase").size(), 64);

    EXPECT_FALSE(Enter(QString(63, 'a') + "x"));
    EXPECT_EQ(Boxes.Shown.last(), "Passphrase should be 64 hex digits.");

    const QString hex = "0123456789abcdefABCDEF" + QString(42, 'c');
    EXPECT_TRUE(Enter(hex));
    EXPECT_EQ(QString::fromLatin1(g_Var.NewWl.WpaKey), hex);
    EXPECT_TRUE(Enter(QString(63, '%')));
    EXPECT_EQ(QString::fromLatin1(g_Var.NewWl.WpaKey), QString(63, '%'));
    EXPECT_TRUE(Enter("12345678"));
    EXPECT_STREQ(g_Var.NewWl.WpaKey, "12345678");
    EXPECT_EQ(Boxes.Shown.size(), 2);
}

TEST_F(PskPage, CipherFollowsTheMode) {
    SetUpPage();
    EXPECT_EQ(Items(PSK, "CmbWPAMode"), (QStringList{"WPA Only", "WPA2 Only", "WPA or WPA2"}));
    EXPECT_EQ(Selected(PSK, "CmbWPAMode"), 2); // the reset profile's mode
    EXPECT_EQ(Text(PSK, "LbCipherValue"), "TKIP and AES");
    Choose(PSK, "CmbWPAMode", 1);
    EXPECT_EQ(Text(PSK, "LbCipherValue"), "AES");
    ASSERT_TRUE(Enter("passphrase"));
    EXPECT_EQ(g_Var.NewWl.WpaMode, 1);
    EXPECT_EQ(g_Var.NewWl.WpaCipher, 1);
    Choose(PSK, "CmbWPAMode", 0);
    EXPECT_EQ(Text(PSK, "LbCipherValue"), "TKIP");
    ASSERT_TRUE(Enter("passphrase"));
    EXPECT_EQ(g_Var.NewWl.WpaCipher, 0);
    Choose(PSK, "CmbWPAMode", 2);
    ASSERT_TRUE(Enter("passphrase"));
    EXPECT_EQ(g_Var.NewWl.WpaMode, 2);
    EXPECT_EQ(g_Var.NewWl.WpaCipher, 2);
}

TEST_F(PskPage, CipherIsStoredFromTheModeEvenWithEqualLabels) {
    SetUpPage("[String]\nCipherTKIP=Same\nCipherAES=Same\nCipherAuto=Same\n");
    Choose(PSK, "CmbWPAMode", 1);
    EXPECT_EQ(Text(PSK, "LbCipherValue"), "Same");
    ASSERT_TRUE(Enter("passphrase"));
    EXPECT_EQ(g_Var.NewWl.WpaCipher, 1);
}

TEST_F(WlPages, PskAccessPointPreselectsTheStoredMode) {
    Open();
    g_Var.NewWl.WpaMode = 0;
    std::strcpy(g_Var.NewWl.WpaKey, "stored key");
    EnterHost();
    WalkToSecurity();
    ChooseSecurity(2);
    EXPECT_EQ(Selected(PSK, "CmbWPAMode"), 0);
    EXPECT_EQ(Text(PSK, "LbCipherValue"), "TKIP");
    EXPECT_EQ(Text(PSK, "EdtPassphrase"), "stored key");
    Click(PSK, "BtnBack");
    g_Var.NewWl.WpaMode = 8;
    ChooseSecurity(2);
    EXPECT_EQ(Selected(PSK, "CmbWPAMode"), 2);
}

TEST_F(WlPages, PskClientFollowsTheChosenAccessPoint) {
    Open();
    g_Var.DeviceMode = DEVICE_WBRIDGE;
    const std::pair<int, int> rows[] = {{2, 0}, {3, 1}, {4, 2}};
    for (const auto& [authentication, mode] : rows) {
        SCOPED_TRACE(authentication);
        ChooseAP("Neighbour", 2, authentication);
        ASSERT_TRUE(Form->ShowFrame(Success, Direction::Forward, 0));
        EnterHost();
        WalkToSecurity();
        ASSERT_EQ(Selected(Security, "CmbSecurity"), 2);
        Click(Security, "BtnNext");
        ASSERT_EQ(SubPage(), PSK);
        EXPECT_EQ(Selected(PSK, "CmbWPAMode"), mode);
    }
}

// ---------------------------------------------------------------------------
// Confirmation page

class ConfirmPage : public WlPages {
protected:
    // Walks to the confirmation page with this security, as a user does.
    void WalkToConfirm(int security, const QString& ssid = QStringLiteral("HomeNet")) {
        EnterHost();
        WalkToSecurity(ssid);
        ChooseSecurity(security);
        if (security == 1) {
            ASSERT_EQ(SubPage(), WEP);
            Type(WEP, "EdtKey1", "abcde");
            Click(WEP, "BtnNext");
        } else if (security == 2) {
            ASSERT_EQ(SubPage(), PSK);
            Choose(PSK, "CmbWPAMode", 1);
            Type(PSK, "EdtPassphrase", "lab passphrase");
            Click(PSK, "BtnNext");
        }
        ASSERT_EQ(SubPage(), Confirm);
    }
    int Top(const char* name) { return Child<QWidget>(Confirm, name)->y(); }
    int T() { return Top("LbNetworkInfo"); }
    static void SetAddresses() {
        g_Var.NewIP.IP = 0xC0A80032;      // 192.168.0.50
        g_Var.NewIP.Mask = 0xFFFFFF00;    // 255.255.255.0
        g_Var.NewIP.Gateway = 0xC0A80001; // 192.168.0.1
    }
};

TEST_F(ConfirmPage, NoneShowsNoSecurityRows) {
    Open();
    WalkToConfirm(0);
    EXPECT_EQ(Text(Confirm, "LblSecurity"), "None");
    for (const char* name : {"LbInfo1", "LblInfo1", "LbInfo2", "LblInfo2", "LbInfo3", "LblInfo3"}) {
        EXPECT_EQ(Text(Confirm, name), "") << name;
        // Empty rows are not read (as the group's title) by screen readers.
        EXPECT_TRUE(Child<QWidget>(Confirm, name)->isHidden()) << name;
    }
    EXPECT_EQ(Text(Confirm, "LblIP"), "0.0.0.0");
    EXPECT_EQ(Text(Confirm, "LblWirelessMode"), "2.4GHz 802.11 b/g/n mixed mode");
    EXPECT_EQ(Confirm->SummaryFileBytes(),
              QByteArray("Network Settings\r\n"
                         "\tIP Address: 0.0.0.0\r\n"
                         "\tSubnet: 0.0.0.0\r\n"
                         "\tGateway: 0.0.0.0\r\n"
                         "Wireless Settings\r\n"
                         "\tSSID HomeNet\r\n"
                         "\tWireless Mode: 2.4GHz 802.11 b/g/n mixed mode\r\n"
                         "\tSecurity Mode: None\r\n"));
}

TEST_F(ConfirmPage, AccessPointLayoutAndCaptions) {
    Open();
    SetAddresses();
    WalkToConfirm(2);
    EXPECT_EQ(Text(Confirm, "BtnNext"), "Configure");
    EXPECT_EQ(Text(Confirm, "LbWirelessInfo"), "Wireless Settings");
    EXPECT_TRUE(Confirm->NetworkBlockShown());
    for (const char* name :
         {"LbNetworkInfo", "LbIP", "LblIP", "LbMask", "LblMask", "LbGateway", "LblGateway"})
        EXPECT_TRUE(Child<QWidget>(Confirm, name)->isVisible()) << name;
    const int t = T();
    EXPECT_EQ(Top("LbWirelessInfo"), t + 73);
    const std::pair<const char*, int> rows[] = {
        {"LbSSID", 92},           {"LblSSID", 92},     {"LbWirelessMode", 110},
        {"LblWirelessMode", 110}, {"LbSecurity", 128}, {"LblSecurity", 128},
        {"LbInfo1", 146},         {"LblInfo1", 146},   {"LbInfo2", 164},
        {"LblInfo2", 164},        {"LbInfo3", 182},    {"LblInfo3", 182}};
    for (const auto& [name, offset] : rows)
        EXPECT_EQ(Top(name), t + offset) << name;
    EXPECT_EQ(Text(Confirm, "LblIP"), "192.168.0.50");
    EXPECT_EQ(Text(Confirm, "LblMask"), "255.255.255.0");
    EXPECT_EQ(Text(Confirm, "LblGateway"), "192.168.0.1");
    EXPECT_EQ(Text(Confirm, "LbInfo1"), "WPA Mode:");
    EXPECT_EQ(Text(Confirm, "LblInfo1"), "WPA2 Only");
    EXPECT_EQ(Text(Confirm, "LbInfo2"), "Cipher Type:");
    EXPECT_EQ(Text(Confirm, "LblInfo2"), "AES");
    EXPECT_EQ(Text(Confirm, "LbInfo3"), "Key:");
    EXPECT_EQ(Text(Confirm, "LblInfo3"), "lab passphrase");
    EXPECT_EQ(Text(Confirm, "LbComfirmMsg"),
              "Save or print your configuration settings (recommended)");
}

TEST_F(ConfirmPage, AccessPointWpaProfileIsSavedByteForByte) {
    Open();
    SetAddresses();
    WalkToConfirm(2, "LabWPA");
    const QString path = TempPath("profile.txt");
    WriteFile("profile.txt", QByteArray(4000, 'x')); // an existing file is truncated
    FileDialogs().SetNextFileName(path);
    const int before = FileDialogs().SaveDialogs();
    Click(Confirm, "BtnSave");
    EXPECT_EQ(FileDialogs().SaveDialogs(), before + 1);
    EXPECT_EQ(ReadAll(path), QByteArray("Network Settings\r\n"
                                        "\tIP Address: 192.168.0.50\r\n"
                                        "\tSubnet: 255.255.255.0\r\n"
                                        "\tGateway: 192.168.0.1\r\n"
                                        "Wireless Settings\r\n"
                                        "\tSSID LabWPA\r\n"
                                        "\tWireless Mode: 2.4GHz 802.11 b/g/n mixed mode\r\n"
                                        "\tSecurity Mode: WPA-PSK\r\n"
                                        "\tWPA Mode: WPA2 Only\r\n"
                                        "\tCipher Type: AES\r\n"
                                        "\tKey: lab passphrase\r\n"));
    EXPECT_TRUE(Boxes.Shown.isEmpty());
}

TEST_F(ConfirmPage, ClientWepProfileFromTheSurvey) {
    Open();
    SetAddresses();
    g_Var.DeviceMode = DEVICE_WBRIDGE;
    g_Var.WlMethod = 1;
    ChooseAP("Neighbour", 1, 0);
    EnterHost();
    EXPECT_EQ(Text(SSID, "EdtSSID"), "Neighbour");
    Click(SSID, "BtnNext");
    Click(WlMode, "BtnNext");
    EXPECT_EQ(Selected(Security, "CmbSecurity"), 1);
    Click(Security, "BtnNext");
    Type(WEP, "EdtKey1", "abcde");
    Click(WEP, "BtnNext");
    ASSERT_EQ(SubPage(), Confirm);

    EXPECT_EQ(Text(Confirm, "BtnNext"), "Connect");
    EXPECT_EQ(Text(Confirm, "LbWirelessInfo"), "Wireless Profile");
    EXPECT_FALSE(Confirm->NetworkBlockShown());
    for (const char* name :
         {"LbNetworkInfo", "LbIP", "LblIP", "LbMask", "LblMask", "LbGateway", "LblGateway"})
        EXPECT_FALSE(Child<QWidget>(Confirm, name)->isVisible()) << name;
    const int t = T();
    EXPECT_EQ(Top("LbWirelessInfo"), t);
    const std::pair<const char*, int> rows[] = {
        {"LbSSID", 19},     {"LblSSID", 19},     {"LbWirelessMode", 37}, {"LblWirelessMode", 37},
        {"LbSecurity", 55}, {"LblSecurity", 55}, {"LbInfo1", 73},        {"LblInfo1", 73},
        {"LbInfo2", 91},    {"LblInfo2", 91},    {"LbInfo3", 109},       {"LblInfo3", 109}};
    for (const auto& [name, offset] : rows)
        EXPECT_EQ(Top(name), t + offset) << name;

    const QString path = TempPath("client.txt");
    FileDialogs().SetNextFileName(path);
    Click(Confirm, "BtnSave");
    EXPECT_EQ(ReadAll(path), QByteArray("Wireless Profile\r\n"
                                        "\tSSID Neighbour\r\n"
                                        "\tWireless Mode: 2.4GHz 802.11 b/g/n mixed mode\r\n"
                                        "\tSecurity Mode: WEP\r\n"
                                        "\tWEP Key Length: 64 bit\r\n"
                                        "\tAuthentication: Open\r\n"
                                        "\tKey: abcde\r\n"));
}

TEST_F(ConfirmPage, ClientThroughTheIPPagesShowsTheNetwork) {
    Open();
    g_Var.DeviceMode = DEVICE_WBRIDGE;
    g_Var.WlMethod = 2;
    WalkToConfirm(0);
    EXPECT_TRUE(Confirm->NetworkBlockShown());
    EXPECT_TRUE(Child<QWidget>(Confirm, "LblIP")->isVisible());
    EXPECT_EQ(Top("LbWirelessInfo"), T() + 73);
    EXPECT_EQ(Text(Confirm, "BtnNext"), "Connect");
    EXPECT_TRUE(Confirm->SummaryFileBytes().startsWith("Network Settings\r\n"));
}

TEST_F(ConfirmPage, PageTextsComeFromTheSettings) {
    Open("[TFrameWlProfConfirm]\nLbWEPMode=Length\nLbAuthen=Auth\nLbKey=Secret\n"
         "BtnNext_AP=Write\nLbWirelessInfo_AP=Radio\nLbSSID=Name:\n");
    WalkToConfirm(1);
    EXPECT_EQ(Text(Confirm, "LbInfo1"), "Length");
    EXPECT_EQ(Text(Confirm, "LbInfo2"), "Auth");
    EXPECT_EQ(Text(Confirm, "LbInfo3"), "Secret");
    EXPECT_EQ(Text(Confirm, "BtnNext"), "Write");
    EXPECT_EQ(Text(Confirm, "LbWirelessInfo"), "Radio");
    EXPECT_EQ(Text(Confirm, "LblInfo2"), "Auto");
    EXPECT_TRUE(Confirm->SummaryFileBytes().contains("\tName: HomeNet\r\n"));
}

TEST_F(ConfirmPage, LongSSIDIsCutOnScreenOnly) {
    Open("[FormMain_FrameWlProfile1_FrameWlProfConfirm1_CtrlPos]\nLblSSID=180,0,80,16\n");
    const QString ssid = "A&B <b>x</b> " + QString(19, 'W');
    ASSERT_EQ(ssid.size(), 32);
    WalkToConfirm(0, ssid);
    auto* label = Child<QLabel>(Confirm, "LblSSID");
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_TRUE(label->text().startsWith("A&B <b>"));
    EXPECT_TRUE(label->text().endsWith(QChar(0x2026)));
    EXPECT_TRUE(Confirm->SummaryFileBytes().contains("\tSSID " + ssid.toUtf8() + "\r\n"));
}

TEST_F(ConfirmPage, UnknownWirelessModeShowsNoLabel) {
    Open();
    WalkToConfirm(0);
    Click(Confirm, "BtnBack");
    g_Var.NewWl.WlMode = 12;
    Click(Security, "BtnNext");
    EXPECT_EQ(Text(Confirm, "LblWirelessMode"), "");
}

TEST_F(ConfirmPage, CancelledOrUnopenableSaveWritesNothing) {
    Open();
    WalkToConfirm(0);
    FileDialogs().SetNextFileName(QString());
    Click(Confirm, "BtnSave");
    EXPECT_TRUE(QDir(m_Dir.path()).entryList(QDir::Files).filter(".txt").isEmpty());
    EXPECT_TRUE(Boxes.Shown.isEmpty()); // a cancelled dialog shows nothing
    ASSERT_TRUE(QDir(m_Dir.path()).mkdir("folder.txt"));
    // A file that cannot be written is reported, naming it.
    for (const QString& path : {TempPath("folder.txt"), TempPath("missing/profile.txt")}) {
        Boxes.Shown.clear();
        FileDialogs().SetNextFileName(path);
        Click(Confirm, "BtnSave");
        ASSERT_EQ(Boxes.Shown.size(), 1) << qPrintable(path);
        EXPECT_TRUE(Boxes.Shown[0].startsWith("Unable to save the file.\n")) << qPrintable(path);
        EXPECT_TRUE(Boxes.Shown[0].contains(QDir::toNativeSeparators(path)));
    }
    EXPECT_TRUE(QFileInfo(TempPath("folder.txt")).isDir());
    EXPECT_FALSE(QFileInfo::exists(TempPath("missing/profile.txt")));
}

// The file holds the wireless key: only its owner may read it, whatever the
// umask, also when it replaces a file others could read; a link in its place
// is replaced, never written through.
TEST_F(ConfirmPage, SavedProfileIsReadableByItsOwnerOnly) {
    Open();
    WalkToConfirm(2);
    WriteFile("shared.txt", "old");
    ASSERT_TRUE(QFile::setPermissions(TempPath("shared.txt"),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ReadGroup | QFileDevice::ReadOther));
    WriteFile("victim.txt", "victim");
    ASSERT_TRUE(QFile::link(TempPath("victim.txt"), TempPath("link.txt")));
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ReadOther | QFileDevice::WriteOther;
    const mode_t umaskBefore = ::umask(0);
    for (const char* name : {"new.txt", "shared.txt", "link.txt"}) {
        const QString path = TempPath(name);
        FileDialogs().SetNextFileName(path);
        Click(Confirm, "BtnSave");
        EXPECT_FALSE(QFileInfo(path).isSymLink()) << name;
        EXPECT_EQ(ReadAll(path), Confirm->SummaryFileBytes()) << name;
        const QFileDevice::Permissions permissions = QFileInfo(path).permissions();
        EXPECT_TRUE(permissions & QFileDevice::ReadOwner) << name;
        EXPECT_FALSE(permissions & others) << name;
    }
    ::umask(umaskBefore);
    EXPECT_EQ(ReadAll(TempPath("victim.txt")), "victim");
    EXPECT_TRUE(Boxes.Shown.isEmpty());
    // The dialog opens in the user's documents folder, not where the program
    // was started from (an installed wizard's folder cannot be written).
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    EXPECT_EQ(FileDialogs().LastSaveFolder(),
              QDir(documents).exists() ? documents : QDir::homePath());
}

TEST_F(ConfirmPage, PrintThroughTheDialog) {
    Open();
    SetAddresses();
    WalkToConfirm(1, "PrintNet");
    const QString pdf = TempPath("profile.pdf");
    FileDialogs().SetNextPrintFile(QString());
    Click(Confirm, "BtnPrint");
    EXPECT_FALSE(QFileInfo::exists(pdf));

    const int before = FileDialogs().PrintDialogs();
    FileDialogs().SetNextPrintFile(pdf);
    Click(Confirm, "BtnPrint");
    EXPECT_EQ(FileDialogs().PrintDialogs(), before + 1);
    ASSERT_TRUE(QFileInfo::exists(pdf));
    EXPECT_EQ(PdfLines(pdf),
              (QStringList{"Network Settings", "IP Address: 192.168.0.50", "Subnet: 255.255.255.0",
                           "Gateway: 192.168.0.1", "Wireless Settings", "SSID PrintNet",
                           "Wireless Mode: 2.4GHz 802.11 b/g/n mixed mode", "Security Mode: WEP",
                           "WEP Key Length: 64 bit", "Authentication: Auto", "Key: abcde"}));
}

TEST_F(ConfirmPage, PrintPlacement) {
    Open();
    g_Var.DeviceMode = DEVICE_WBRIDGE;
    g_Var.WlMethod = 1;
    ChooseAP("Placed", 0, 0);
    WalkToConfirm(0, "Placed");
    const QString pdf = TempPath("placed.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setFullPage(true); // device units count from the paper's corner
    ASSERT_TRUE(Confirm->PrintSummary(printer));
    const double unit = 72.0 / printer.resolution(); // points per device unit

    const QList<PdfWord> words = PdfWords(pdf);
    auto first = [&](const QString& text) {
        for (const PdfWord& word : words)
            if (word.text == text)
                return word;
        ADD_FAILURE() << "no word " << text.toStdString();
        return PdfWord{};
    };
    const PdfWord header = first("Wireless");
    const PdfWord ssid = first("SSID");
    const PdfWord mode = first("Mode:");
    const PdfWord security = first("Security");
    EXPECT_NEAR(header.xMin, 100 * unit, 1.0);
    EXPECT_NEAR(ssid.xMin, 200 * unit, 1.0);
    EXPECT_NEAR(security.xMin, 200 * unit, 1.0);
    // Without the network block the header is the first line, 100 units down.
    EXPECT_NEAR(header.yMin, 100 * unit, 3.0);
    EXPECT_LT(header.yMin, ssid.yMin);
    // One line a row, 10-point type.
    const double row = security.yMin - mode.yMin;
    EXPECT_GT(row, 10.0);
    EXPECT_LT(row, 15.0);
    EXPECT_NEAR(ssid.yMin - header.yMin, row, 0.5);
    EXPECT_NEAR(ssid.yMax - ssid.yMin, 10.0, 3.0);
}

TEST_F(ConfirmPage, SendWithoutAnEngineFails) {
    Open("[Setting]\n");
    WalkToConfirm(0);
    Click(Confirm, "BtnNext");
    EXPECT_EQ(Boxes.Shown, QStringList{"Unable to connect to the device."});
    EXPECT_EQ(Page(), Host);
    EXPECT_EQ(SubPage(), Confirm);
    EXPECT_EQ(Confirm->Progress(), nullptr);
}

TEST_F(ConfirmPage, NonWorkingGoesOnAfterAFailure) {
    Open("[Setting]\nNonWorking=1\n");
    WalkToConfirm(0);
    Click(Confirm, "BtnNext");
    EXPECT_EQ(Boxes.Shown, QStringList{"Unable to connect to the device."});
    EXPECT_EQ(Page(), Success);
}

// ---------------------------------------------------------------------------
// Success page

TEST_F(WlPages, SuccessPage) {
    Open();
    ASSERT_TRUE(Form->ShowFrame(Success, Direction::Forward, 0));
    EXPECT_EQ(Text(Success, "LbSuccess1"), "Congratulations!");
    EXPECT_EQ(Text(Success, "LbSuccess2"), "Your Halvorn is Now Configured");
    EXPECT_EQ(Child<QWidget>(Success, "LbSuccess1")->font().pixelSize(), 24);
    EXPECT_EQ(Child<QWidget>(Success, "LbSuccess2")->font().pixelSize(), 20);
    EXPECT_FALSE(Child<QWidget>(Success, "BtnNext")->isVisible());
    EXPECT_EQ(Child<QWidget>(Success, "BtnExit")->x(), 492);
    EXPECT_EQ(Child<QWidget>(Success, "BtnBack")->x(), 389);

    Click(Success, "BtnExit");
    EXPECT_EQ(Boxes.Asked, QStringList{"Do you want to exit the Setup Wizard?"});
    EXPECT_EQ(Page(), Success); // answered No

    Click(Success, "BtnBack");
    EXPECT_EQ(Page()->objectName(), "FrameDevList1");
}

TEST_F(WlPages, SuccessPageNextWhenTheSettingsShowIt) {
    Open("[FormMain_FrameSuccess1_Visible]\nBtnNext=1\n[TFrameSuccess]\nLbSuccess2=Done\n");
    ASSERT_TRUE(Form->ShowFrame(Success, Direction::Forward, 0));
    EXPECT_EQ(Text(Success, "LbSuccess2"), "Done");
    Click(Success, "BtnNext");
    EXPECT_EQ(Page()->objectName(), "FrameSetupMethod1");
}

TEST_F(WlPages, SubPageLayoutFromTheNestedSection) {
    Open("[FormMain_FrameWlProfile1_FrameWlProfSSID1_CtrlPos]\nEdtSSID=200,100\n"
         "[TFrameWlProfSSID]\nLbSSID=Network name:\n");
    EXPECT_EQ(Child<QWidget>(SSID, "EdtSSID")->pos(), QPoint(200, 100));
    EXPECT_EQ(Text(SSID, "LbSSID"), "Network name:");
}
