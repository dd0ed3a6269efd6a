// Texts, layout and pictures from the product settings; the JPEG decoder; the
// window helpers. Widgets run on the offscreen platform.

#include "controls/sortlistview.h"
#include "resources/tools/jpegwriter.h"
#include "settings/globalvar.h"
#include "settings/inifile.h"
#include "settings/timing.h"
#include "settingsui/formres.h"
#include "settingsui/jpegimage.h"
#include "settingsui/uiutil.h"
#include "tests/common/logcapture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

// A page: owns the controls placed on it, like the wizard's pages.
class TFrameTestPage : public QFrame {
    Q_OBJECT
public:
    explicit TFrameTestPage(QWidget* parent = nullptr) : QFrame(parent) {}
};

namespace {

QString WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
    return path;
}

// A settings file in a temporary folder, read through the INI reader.
class SettingsFile {
public:
    explicit SettingsFile(const QByteArray& text) {
        m_Path = WriteFile(m_Dir.filePath("Setup.ini"), text);
    }
    CIniFile Reader() const { return CIniFile(m_Path); }
    QString Folder() const { return m_Dir.path(); }

private:
    QTemporaryDir m_Dir;
    QString m_Path;
};

template <typename T> T* Make(QWidget* parent, const char* name) {
    auto* widget = new T(parent);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QImage Gradient(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, 128));
    return image;
}

QImage Solid(int width, int height, QColor color) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

bool Near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// ---------------------------------------------------------------------------
// ApplyTexts

TEST(ApplyTexts, FormCaptionAndControlCaptions) {
    SettingsFile ini("[FormMain]\nFormMain=My Wizard\nLbTitle=Welcome\nBtnNext=Continue\n"
                     "ChkAccept=I agree\nRBtnDHCP=Automatic\nPlSearch=Searching now\n");
    QWidget form;
    form.setObjectName("FormMain");
    form.setWindowTitle("Design");
    auto* title = Make<QLabel>(&form, "LbTitle");
    title->setText("Title");
    auto* next = Make<QPushButton>(&form, "BtnNext");
    next->setText("Next");
    auto* accept = Make<QCheckBox>(&form, "ChkAccept");
    auto* dhcp = Make<QRadioButton>(&form, "RBtnDHCP");
    auto* panel = Make<QFrame>(&form, "PlSearch");
    auto* other = Make<QLabel>(&form, "LbOther");
    other->setText("Unchanged");

    CIniFile reader = ini.Reader();
    ApplyTexts(&form, "FormMain", reader);

    EXPECT_EQ(form.windowTitle(), "My Wizard");
    EXPECT_EQ(title->text(), "Welcome");
    EXPECT_EQ(next->text(), "Continue");
    EXPECT_EQ(accept->text(), "I agree");
    EXPECT_EQ(dhcp->text(), "Automatic");
    EXPECT_EQ(panel->property("caption").toString(), "Searching now");
    EXPECT_EQ(other->text(), "Unchanged");
}

TEST(ApplyTexts, PageReachesControlsInsideGroupBoxesButNotInsideOtherPages) {
    SettingsFile ini("[TFrameTestPage]\nGBoxPassword=Password\nLbPassword=Key:\n"
                     "LbInner=wrong section\n");
    TFrameTestPage page;
    auto* box = Make<QGroupBox>(&page, "GBoxPassword");
    auto* label = Make<QLabel>(box, "LbPassword");
    auto* inner = Make<TFrameTestPage>(&page, "FrameInner");
    auto* innerLabel = Make<QLabel>(inner, "LbInner");
    innerLabel->setText("Inner");

    CIniFile reader = ini.Reader();
    ApplyTexts(&page, "TFrameTestPage", reader);

    EXPECT_EQ(box->title(), " Password ");
    EXPECT_EQ(label->text(), "Key:");
    EXPECT_EQ(innerLabel->text(), "Inner");
}

TEST(ApplyTexts, GroupBoxSpacing) {
    SettingsFile ini("[S]\nGBoxA=Password\nGBoxB=\" Password \"\nGBoxC=\nGBoxD= x\n");
    TFrameTestPage page;
    auto* a = Make<QGroupBox>(&page, "GBoxA");
    auto* b = Make<QGroupBox>(&page, "GBoxB");
    auto* c = Make<QGroupBox>(&page, "GBoxC");
    c->setTitle("Design");
    auto* e = Make<QGroupBox>(&page, "GBoxE");
    e->setTitle("Kept");
    CIniFile reader = ini.Reader();
    ApplyTexts(&page, "S", reader);
    EXPECT_EQ(a->title(), " Password ");
    EXPECT_EQ(b->title(), " Password ");
    EXPECT_EQ(c->title(), "");
    EXPECT_EQ(e->title(), " Kept ");

    EXPECT_EQ(GroupBoxCaption("Password"), " Password ");
    EXPECT_EQ(GroupBoxCaption(" Password "), " Password ");
    EXPECT_EQ(GroupBoxCaption(" Password"), " Password ");
    EXPECT_EQ(GroupBoxCaption(""), "");
}

TEST(ApplyTexts, StandardListColumnsButNotTheSortableList) {
    SettingsFile ini("[S]\nLvDev_Col0=Name\nLvDev_Col2=MAC Address\nSurveyList_Col1=Network\n");
    TFrameTestPage page;
    auto* list = Make<QTreeWidget>(&page, "LvDev");
    list->setHeaderLabels({"Device", "IP", "MAC"});
    auto* survey = Make<TSortListView>(&page, "SurveyList");
    survey->setHeaderLabels({"", "SSID"});
    CIniFile reader = ini.Reader();
    ApplyTexts(&page, "S", reader);
    EXPECT_EQ(list->headerItem()->text(0), "Name");
    EXPECT_EQ(list->headerItem()->text(1), "IP");
    EXPECT_EQ(list->headerItem()->text(2), "MAC Address");
    EXPECT_EQ(survey->headerItem()->text(1), "SSID");
}

TEST(ApplyTexts, EmptySectionKeepsDesignCaptions) {
    SettingsFile ini("[Other]\nLbA=x\n");
    TFrameTestPage page;
    auto* label = Make<QLabel>(&page, "LbA");
    label->setText("Design");
    auto* box = Make<QGroupBox>(&page, "GBoxA");
    box->setTitle("Box");
    CIniFile reader = ini.Reader();
    ApplyTexts(&page, "TFrameTestPage", reader);
    EXPECT_EQ(label->text(), "Design");
    EXPECT_EQ(box->title(), " Box ");
}

TEST(ApplyTexts, EmptyValueGivesEmptyCaption) {
    SettingsFile ini("[S]\nLbA=\nBtnB=\n");
    TFrameTestPage page;
    auto* label = Make<QLabel>(&page, "LbA");
    label->setText("Design");
    auto* button = Make<QPushButton>(&page, "BtnB");
    button->setText("Next");
    CIniFile reader = ini.Reader();
    ApplyTexts(&page, "S", reader);
    EXPECT_EQ(label->text(), "");
    EXPECT_EQ(button->text(), "");
}

TEST(ApplyTexts, PicturesAndEditsAreLeftAlone) {
    SettingsFile ini("[S]\nImgBG=text\nEdtKey=text\nCmbMode=text\nActExit=Quit\n");
    TFrameTestPage page;
    auto* image = Make<QLabel>(&page, "ImgBG");
    image->setPixmap(QPixmap::fromImage(Solid(8, 8, Qt::red)));
    auto* edit = Make<QLineEdit>(&page, "EdtKey");
    edit->setText("secret");
    auto* combo = Make<QComboBox>(&page, "CmbMode");
    combo->addItem("one");
    auto* action = new QAction("Exit", &page);
    action->setObjectName("ActExit");
    CIniFile reader = ini.Reader();
    ApplyTexts(&page, "S", reader);
    EXPECT_FALSE(image->pixmap().isNull());
    EXPECT_EQ(image->text(), "");
    EXPECT_EQ(edit->text(), "secret");
    EXPECT_EQ(combo->itemText(0), "one");
    EXPECT_EQ(action->text(), "Quit");
}

TEST(ApplyTexts, OwnedComponentsInCreationOrder) {
    TFrameTestPage page;
    auto* a = Make<QLabel>(&page, "LbA");
    auto* box = Make<QGroupBox>(&page, "GBoxB");
    auto* c = Make<QLabel>(box, "LbC");
    auto* d = Make<QPushButton>(&page, "BtnD");
    auto* inner = Make<TFrameTestPage>(&page, "FrameE");
    Make<QLabel>(inner, "LbF");
    const QList<QObject*> owned = OwnedComponents(&page);
    EXPECT_EQ(owned, (QList<QObject*>{a, box, c, d, inner}));
    EXPECT_TRUE(OwnsComponents(inner));
    EXPECT_FALSE(OwnsComponents(box));
}

// ---------------------------------------------------------------------------
// Names for screen readers and the Tab order, given with the texts

TEST(ScreenReaderNames, FromTheCaptionTheToolTipOrTheDescribingLabel) {
    SettingsFile ini("[TFrameTestPage]\nLbPassword=Key:\n");
    TFrameTestPage page;
    page.resize(600, 324);
    auto* box = Make<QGroupBox>(&page, "GBoxList");
    box->setGeometry(12, 16, 575, 257);
    box->setTitle("Site Survey");
    auto* survey = Make<QTreeWidget>(box, "SurveyList"); // no label: the group's title
    survey->setGeometry(16, 150, 300, 90);
    auto* passwordLabel = Make<QLabel>(&page, "LbPassword");
    passwordLabel->setGeometry(52, 30, 120, 13);
    auto* password = Make<QLineEdit>(&page, "EdtPassword"); // the label on its left
    password->setGeometry(188, 26, 200, 21);
    auto* listLabel = Make<QLabel>(&page, "LbDevices");
    listLabel->setGeometry(16, 60, 300, 13);
    listLabel->setText("Devices found");
    auto* devices = Make<QTreeWidget>(&page, "LvDevList"); // the label above it
    devices->setGeometry(16, 78, 300, 60);
    auto* addressLabel = Make<QLabel>(&page, "LbIP");
    addressLabel->setGeometry(330, 80, 100, 13);
    addressLabel->setText("IP Address:");
    auto* address = Make<TFrameTestPage>(&page, "IPEditIP"); // a control of four edits
    address->setGeometry(440, 76, 116, 21);
    QList<QLineEdit*> fields;
    for (int i = 0; i < 4; ++i)
        fields << new QLineEdit(address);
    auto* image = Make<QPushButton>(&page, "BtnSetupWizard"); // caption in its picture
    image->setToolTip("Setup Wizard");
    auto* next = Make<QPushButton>(&page, "BtnNext");
    next->setText("Next");

    CIniFile reader = ini.Reader();
    ApplyTexts(&page, "TFrameTestPage", reader);

    EXPECT_EQ(password->accessibleName(), "Key");
    EXPECT_EQ(passwordLabel->buddy(), password);
    EXPECT_EQ(devices->accessibleName(), "Devices found");
    EXPECT_EQ(survey->accessibleName(), "Site Survey");
    EXPECT_EQ(address->accessibleName(), "IP Address");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(fields[i]->accessibleName(), QString("IP Address, field %1 of 4").arg(i + 1));
    EXPECT_EQ(image->accessibleName(), "Setup Wizard");
    EXPECT_EQ(next->accessibleName(), ""); // read from its own caption
}

TEST(ScreenReaderNames, TabFollowsTheReadingOrder) {
    TFrameTestPage page;
    // Created out of reading order: the buttons first, the last field first.
    auto* next = Make<QPushButton>(&page, "BtnNext");
    next->setGeometry(492, 288, 85, 21);
    auto* exit = Make<QPushButton>(&page, "BtnExit");
    exit->setGeometry(24, 288, 85, 21);
    auto* box = Make<QGroupBox>(&page, "GBoxCfg");
    box->setGeometry(12, 16, 575, 257);
    auto* address = Make<TFrameTestPage>(box, "IPEditIP");
    address->setGeometry(176, 72, 116, 21);
    QList<QLineEdit*> fields;
    for (int i = 0; i < 2; ++i) {
        fields << new QLineEdit(address);
        fields.last()->setGeometry(6 + 28 * i, 4, 14, 14);
    }
    auto* dhcp = Make<QRadioButton>(box, "RBtnDHCP");
    dhcp->setGeometry(16, 32, 400, 17);
    auto* edit = Make<QLineEdit>(&page, "EdtName"); // on the address's row, right of it
    edit->setGeometry(320, 90, 100, 21);

    SettingsFile ini("");
    CIniFile reader = ini.Reader();
    ApplyTexts(&page, "TFrameTestPage", reader);

    const QList<QWidget*> expected{dhcp, fields[0], fields[1], edit, exit, next};
    QList<QWidget*> chain;
    for (QWidget* w = dhcp; chain.size() < expected.size(); w = w->nextInFocusChain())
        if (expected.contains(w))
            chain << w;
    EXPECT_EQ(chain, expected);
}

// ---------------------------------------------------------------------------
// ApplyLayout

struct Wizard {
    Wizard() {
        form.setObjectName("FormMain");
        form.resize(600, 450);
        devList = Make<TFrameTestPage>(&form, "FrameDevList1");
        devList->setGeometry(0, 105, 600, 324);
        box = Make<QGroupBox>(devList, "GBoxDevList");
        box->setGeometry(12, 16, 575, 257);
        list = Make<QTreeWidget>(box, "LvDev");
        list->setGeometry(8, 20, 300, 200);
        exit = Make<QPushButton>(devList, "BtnExit");
        exit->setGeometry(10, 10, 50, 20);
        profile = Make<TFrameTestPage>(&form, "FrameWlProfile1");
        ssidPage = Make<TFrameTestPage>(profile, "FrameWlProfSSID1");
        ssid = Make<QLineEdit>(ssidPage, "EdtSSID");
        ssid->setGeometry(100, 50, 150, 21);
        hidden = Make<QRadioButton>(devList, "RBtnHidden");
        hidden->hide();
    }
    QWidget form;
    TFrameTestPage* devList;
    QGroupBox* box;
    QTreeWidget* list;
    QPushButton* exit;
    TFrameTestPage* profile;
    TFrameTestPage* ssidPage;
    QLineEdit* ssid;
    QRadioButton* hidden;
};

TEST(ApplyLayout, TwoNumbersMoveAndKeepTheSize) {
    SettingsFile ini("[FormMain_CtrlPos]\nFrameDevList1=0,0\n");
    Wizard w;
    CIniFile reader = ini.Reader();
    ApplyLayout(&w.form, "FormMain", reader);
    EXPECT_EQ(w.devList->geometry(), QRect(0, 0, 600, 324));
}

TEST(ApplyLayout, FourNumbersInTheNestedPageSection) {
    SettingsFile ini("[FormMain_FrameDevList1_CtrlPos]\nBtnExit=24,288,85,21\nLvDev= 4 , 6 \n");
    Wizard w;
    CIniFile reader = ini.Reader();
    ApplyLayout(&w.form, "FormMain", reader);
    EXPECT_EQ(w.exit->geometry(), QRect(24, 288, 85, 21));
    // inside the group box, yet read from the page's section
    EXPECT_EQ(w.list->geometry(), QRect(4, 6, 300, 200));
}

TEST(ApplyLayout, JunkItemsAreSkipped) {
    SettingsFile ini("[FormMain_FrameDevList1_CtrlPos]\nBtnExit=a, 30,px, 40,,50 ,x7,60,\n"
                     "LvDev=none\n");
    Wizard w;
    CIniFile reader = ini.Reader();
    ApplyLayout(&w.form, "FormMain", reader);
    EXPECT_EQ(w.exit->geometry(), QRect(30, 40, 50, 60));
    EXPECT_EQ(w.list->geometry(), QRect(8, 20, 300, 200));
}

TEST(ApplyLayout, SeventeenAndMoreNumbersUseTheFirstFour) {
    QByteArray value;
    for (int i = 1; i <= 40; ++i)
        value += QByteArray::number(i * 3) + ',';
    SettingsFile ini("[FormMain_FrameDevList1_CtrlPos]\nBtnExit=" + value + "\n");
    Wizard w;
    CIniFile reader = ini.Reader();
    ApplyLayout(&w.form, "FormMain", reader);
    EXPECT_EQ(w.exit->geometry(), QRect(3, 6, 9, 12));
    EXPECT_EQ(ParseIntList(QString::fromLatin1(value)).size(), 16);
}

TEST(ApplyLayout, OneNumberMovesOnlyTheLeftEdge) {
    SettingsFile ini("[FormMain_FrameDevList1_CtrlPos]\nBtnExit=77\n");
    Wizard w;
    CIniFile reader = ini.Reader();
    ApplyLayout(&w.form, "FormMain", reader);
    EXPECT_EQ(w.exit->geometry(), QRect(77, 10, 50, 20));
}

TEST(ApplyLayout, SubPageOfThePageInItsOwnSection) {
    SettingsFile ini("[FormMain_FrameWlProfile1_FrameWlProfSSID1_CtrlPos]\nEdtSSID=150,60,200,20\n"
                     "[FormMain_FrameWlProfile1_CtrlPos]\nEdtSSID=1,1,1,1\n");
    Wizard w;
    CIniFile reader = ini.Reader();
    ApplyLayout(&w.form, "FormMain", reader);
    EXPECT_EQ(w.ssid->geometry(), QRect(150, 60, 200, 20));
}

TEST(ApplyLayout, VisibilitySwitches) {
    SettingsFile ini("[FormMain_FrameDevList1_Visible]\nBtnExit=0\nRBtnHidden=1\n"
                     "[FormMain_Visible]\nFrameWlProfile1=junk\n");
    Wizard w;
    CIniFile reader = ini.Reader();
    ApplyLayout(&w.form, "FormMain", reader);
    EXPECT_TRUE(w.exit->isHidden());
    EXPECT_FALSE(w.hidden->isHidden());
    EXPECT_FALSE(w.list->isHidden());    // no key: unchanged
    EXPECT_FALSE(w.profile->isHidden()); // not a number: the current state stays
}

TEST(ApplyLayout, AbsurdNumbersAreBounded) {
    SettingsFile ini("[FormMain_FrameDevList1_CtrlPos]\nBtnExit=-99999999,99999999,-5,4000000\n");
    Wizard w;
    CIniFile reader = ini.Reader();
    ApplyLayout(&w.form, "FormMain", reader);
    EXPECT_EQ(w.exit->geometry(), QRect(-32768, 32767, 0, 32767));
}

TEST(ParseIntList, Forms) {
    EXPECT_EQ(ParseIntList("24,288,85,21"), (QList<int>{24, 288, 85, 21}));
    EXPECT_EQ(ParseIntList(" -5 , +6,0x10,$1F, 7 8,9a"), (QList<int>{-5, 6, 16, 31}));
    EXPECT_EQ(ParseIntList("2147483648,-2147483648,1"), (QList<int>{-2147483647 - 1, 1}));
    EXPECT_EQ(ParseIntList(""), QList<int>{});
    EXPECT_EQ(ParseIntList("--1,+-2,0x,$"), QList<int>{});
    EXPECT_EQ(ParseIntList("1,2,3", 2), (QList<int>{1, 2}));
}

TEST(ApplyFormSettings, UnderTheSettingsLock) {
    QTemporaryDir dir;
    WriteFile(dir.filePath("Setup.ini"), "[FormProgress]\nLbWait=Moment...\n"
                                         "[FormProgress_CtrlPos]\nLbWait=5,6\n");
    g_Var.Load(dir.filePath("Setup"));
    QWidget form;
    form.setObjectName("FormProgress");
    auto* wait = Make<QLabel>(&form, "LbWait");
    wait->setGeometry(20, 8, 150, 13);
    ApplyFormSettings(&form, "FormProgress");
    EXPECT_EQ(wait->text(), "Moment...");
    EXPECT_EQ(wait->geometry(), QRect(5, 6, 150, 13));
    // the lock is free again
    CIniLock lock(*g_Var.Ini);
    EXPECT_NE(lock.operator->(), nullptr);
}

// ---------------------------------------------------------------------------
// JPEG decoder

TEST(Jpeg, Baseline) {
    const QImage source = Gradient(64, 48);
    QString error = "stale";
    const QImage image = Jpeg::Decode(JpegWriter::Encode(source), &error);
    ASSERT_FALSE(image.isNull()) << error.toStdString();
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(image.size(), QSize(64, 48));
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    EXPECT_TRUE(Near(image.pixel(10, 10), source.pixel(10, 10), 12));
    EXPECT_TRUE(Near(image.pixel(60, 40), source.pixel(60, 40), 12));
}

TEST(Jpeg, Progressive) {
    const QImage source = Gradient(80, 33);
    JpegWriter::Options options;
    options.progressive = true;
    const QByteArray bytes = JpegWriter::Encode(source, options);
    const QImage image = Jpeg::Decode(bytes);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(80, 33));
    EXPECT_TRUE(Near(image.pixel(40, 16), source.pixel(40, 16), 12));
}

TEST(Jpeg, Grayscale) {
    JpegWriter::Options options;
    options.grayscale = true;
    const QImage image =
        Jpeg::Decode(JpegWriter::Encode(Solid(16, 16, QColor(200, 50, 50)), options));
    ASSERT_FALSE(image.isNull());
    const QRgb pixel = image.pixel(8, 8);
    EXPECT_EQ(qRed(pixel), qGreen(pixel));
    EXPECT_EQ(qGreen(pixel), qBlue(pixel));
    EXPECT_NEAR(qRed(pixel), qGray(200, 50, 50), 3);
}

TEST(Jpeg, AdobeCmyk) {
    JpegWriter::Options options;
    options.cmyk = true;
    const QImage image =
        Jpeg::Decode(JpegWriter::Encode(Solid(16, 16, QColor(30, 120, 220)), options));
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(Near(image.pixel(8, 8), qRgb(30, 120, 220), 6));
}

TEST(Jpeg, TruncatedFileIsRejected) {
    const QByteArray bytes = JpegWriter::Encode(Gradient(64, 64));
    QString error;
    const QImage image = Jpeg::Decode(bytes.left(bytes.size() / 2), &error);
    EXPECT_TRUE(image.isNull());
    EXPECT_TRUE(error.contains("Premature end")) << error.toStdString();
}

TEST(Jpeg, GarbageAndEmptyInput) {
    QString error;
    EXPECT_TRUE(Jpeg::Decode(QByteArray("GIF89a this is not a picture"), &error).isNull());
    EXPECT_TRUE(error.contains("Not a JPEG file")) << error.toStdString();
    EXPECT_TRUE(Jpeg::Decode(QByteArray(), &error).isNull());
    EXPECT_FALSE(error.isEmpty());
    QByteArray noise(4096, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 7919 + 13) & 0xFF);
    noise[0] = '\xFF';
    noise[1] = '\xD8';
    EXPECT_TRUE(Jpeg::Decode(noise, &error).isNull());
    EXPECT_FALSE(error.isEmpty());
}

TEST(Jpeg, AbsurdDimensionsAreRefused) {
    QByteArray bytes = JpegWriter::Encode(Gradient(8, 8));
    const qsizetype sof = bytes.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(sof, 0);
    // SOF0: marker, length (2), precision (1), height (2), width (2)
    bytes[sof + 5] = '\x40';
    bytes[sof + 6] = '\x00';
    bytes[sof + 7] = '\x40';
    bytes[sof + 8] = '\x00';
    QString error;
    EXPECT_TRUE(Jpeg::Decode(bytes, &error).isNull());
    EXPECT_TRUE(error.contains("too large")) << error.toStdString();
}

TEST(Jpeg, MissingFile) {
    QString error;
    EXPECT_TRUE(Jpeg::DecodeFile("/nonexistent/picture.jpg", &error).isNull());
    EXPECT_TRUE(error.contains("/nonexistent/picture.jpg"));
}

// ---------------------------------------------------------------------------
// The picture store

struct PictureSize {
    const char* name;
    QSize size;
};
const PictureSize kSizes[] = {
    {"ImgBGMain", {600, 450}},
    {"ImgFrameBG", {600, 324}},
    {"ImgBtnN", {85, 21}},
    {"ImgBtnH", {85, 21}},
    {"ImgBtnD", {85, 21}},
    {"ImgBGProgress", {190, 50}},
    {"ImgTutorial", {553, 257}},
    {"ImgTutorial2", {553, 257}},
    {"ImgBGAutorun", {600, 450}},
    {"ImgBtnSetupWizardN", {200, 36}},
    {"ImgBtnSetupWizardD", {200, 36}},
    {"ImgBtnUGN", {200, 36}},
    {"ImgBtnUGD", {200, 36}},
    {"ImgBtnProductRegN", {200, 36}},
    {"ImgBtnProductRegD", {200, 36}},
    {"ImgBtnExitN", {200, 36}},
    {"ImgBtnExitD", {200, 36}},
    {"ImgBtnUG_UGN", {180, 22}},
    {"ImgBtnUG_UGD", {180, 22}},
    {"ImgBtnUG_QIGN", {180, 22}},
    {"ImgBtnUG_QIGD", {180, 22}},
    {"ImgSortInc", {9, 5}},
    {"ImgSortDec", {9, 5}},
    {"ImgIPEnableBG", {116, 21}},
    {"ImgIPDisableBG", {116, 21}},
};

TEST(FormRes, EveryBuiltInPictureIsThere) {
    const TFormRes res(false);
    for (const PictureSize& entry : kSizes) {
        const QImage image = res.Picture(entry.name);
        EXPECT_FALSE(image.isNull()) << entry.name;
        EXPECT_EQ(image.size(), entry.size) << entry.name;
    }
    EXPECT_EQ(TFormRes::ImageNames().size(), 21);
    for (const QString& name : TFormRes::ImageNames())
        EXPECT_FALSE(res.Picture(name).isNull()) << name.toStdString();
    EXPECT_TRUE(res.Picture("NoSuchPicture").isNull());
    ASSERT_EQ(res.ImgsType.size(), TFormRes::TypeIconCount);
    for (const QImage& icon : res.ImgsType) {
        EXPECT_EQ(icon.size(), QSize(16, 16));
        EXPECT_TRUE(icon.hasAlphaChannel());
    }
    EXPECT_EQ(res.Picture("ImgBGMain"), res.ImgBGMain);
}

TEST(FormRes, AtScaleTwoEveryPictureHasTwiceThePixelsAndTheSameSizeOnScreen) {
    const TFormRes single(false, 1);
    const TFormRes twice(false, 2);
    EXPECT_EQ(twice.Scale(), 2);
    QStringList names = TFormRes::ImageNames();
    names << "ImgSortInc"
          << "ImgIPEnableBG";
    for (const QString& name : names) {
        const QImage image = twice.Picture(name);
        ASSERT_FALSE(image.isNull()) << name.toStdString();
        EXPECT_EQ(image.devicePixelRatio(), 2.0) << name.toStdString();
        EXPECT_EQ(image.size(), single.Picture(name).size() * 2) << name.toStdString();
        EXPECT_EQ(image.deviceIndependentSize(), QSizeF(single.Picture(name).size()))
            << name.toStdString();
    }
    ASSERT_EQ(twice.ImgsType.size(), TFormRes::TypeIconCount);
    for (const QImage& icon : twice.ImgsType)
        EXPECT_EQ(icon.deviceIndependentSize(), QSizeF(16, 16));
}

TEST(FormRes, ButtonFacesAreFuchsiaOutsideTheirShape) {
    const TFormRes res(false);
    const QRgb fuchsia = qRgb(0xFF, 0x00, 0xFF);
    for (const char* name :
         {"ImgBtnN", "ImgBtnH", "ImgBtnD", "ImgBtnSetupWizardN", "ImgBtnExitD"}) {
        const QImage face = res.Picture(name);
        const int w = face.width(), h = face.height();
        EXPECT_EQ(face.pixel(0, 0) & 0xFFFFFF, fuchsia & 0xFFFFFF) << name;
        EXPECT_EQ(face.pixel(w - 1, h - 1) & 0xFFFFFF, fuchsia & 0xFFFFFF) << name;
        EXPECT_NE(face.pixel(w / 2, h / 2) & 0xFFFFFF, fuchsia & 0xFFFFFF) << name;
        EXPECT_NE(face.pixel(w / 2, 0) & 0xFFFFFF, fuchsia & 0xFFFFFF) << name;
    }
}

// A program folder with its settings file and a folder of replacement pictures.
class Replacements : public ::testing::Test {
protected:
    void SetUp() override {
        QDir(m_Dir.path()).mkpath("Res/Sub");
        m_Res = m_Dir.filePath("Res") + '/';
    }
    void Load(const QByteArray& ini) {
        WriteFile(m_Dir.filePath("Setup.ini"), ini);
        g_Var.Load(m_Dir.filePath("Setup"));
    }
    QTemporaryDir m_Dir;
    QString m_Res;
    CLogCapture m_Log;
};

TEST_F(Replacements, JpegBitmapAndPngAreLoaded) {
    JpegWriter::Save(Solid(300, 200, QColor(200, 30, 30)), m_Res + "main.jpg");
    Solid(85, 21, QColor(10, 200, 10)).save(m_Res + "btn.bmp", "BMP");
    Solid(40, 30, QColor(10, 10, 200)).save(m_Res + "Sub/progress.PNG", "PNG");
    Load("[Product]\nRes_Path=Res\n[FormRes_TImage]\nImgBGMain=main.jpg\nImgBtnN=btn.bmp\n"
         "ImgBGProgress=Sub\\progress.PNG\nImgTutorial=missing.jpg\n");
    const TFormRes builtIn(false);
    const TFormRes res;
    EXPECT_EQ(res.ImgBGMain.size(), QSize(300, 200));
    EXPECT_TRUE(Near(res.ImgBGMain.pixel(150, 100), qRgb(200, 30, 30), 6));
    EXPECT_EQ(res.ImgBtnN.size(), QSize(85, 21));
    EXPECT_EQ(res.ImgBtnN.pixel(40, 10), qRgb(10, 200, 10));
    EXPECT_EQ(res.ImgBGProgress.size(), QSize(40, 30));
    EXPECT_EQ(res.ImgTutorial, builtIn.ImgTutorial);
    EXPECT_EQ(res.ImgFrameBG, builtIn.ImgFrameBG);
}

TEST_F(Replacements, MissingResPathFolderReplacesNothing) {
    JpegWriter::Save(Solid(300, 200, Qt::red), m_Res + "main.jpg");
    JpegWriter::Save(Solid(300, 200, Qt::red), m_Dir.filePath("main.jpg"));
    Load("[Product]\nRes_Path=NoSuchFolder\n[FormRes_TImage]\nImgBGMain=main.jpg\n");
    const TFormRes builtIn(false);
    const TFormRes res;
    EXPECT_EQ(res.ImgBGMain, builtIn.ImgBGMain);
}

TEST_F(Replacements, EmptyResPathMeansTheProgramFolder) {
    JpegWriter::Save(Solid(30, 20, Qt::red), m_Dir.filePath("main.jpg"));
    Load("[FormRes_TImage]\nImgBGMain=main.jpg\n");
    const TFormRes res;
    EXPECT_EQ(res.ImgBGMain.size(), QSize(30, 20));
}

TEST_F(Replacements, DamagedFilesKeepTheBuiltInPicture) {
    const QByteArray jpeg = JpegWriter::Encode(Gradient(120, 90));
    WriteFile(m_Res + "cut.jpg", jpeg.left(jpeg.size() / 3));
    WriteFile(m_Res + "junk.bmp", "BM this is no bitmap");
    WriteFile(m_Res + "notes.txt", "text");
    Load("[Product]\nRes_Path=Res\n[FormRes_TImage]\nImgBGMain=cut.jpg\nImgBtnD=junk.bmp\n"
         "ImgFrameBG=notes.txt\n");
    const TFormRes builtIn(false);
    const TFormRes res;
    EXPECT_EQ(res.ImgBGMain, builtIn.ImgBGMain);
    EXPECT_EQ(res.ImgBtnD, builtIn.ImgBtnD);
    EXPECT_EQ(res.ImgFrameBG, builtIn.ImgFrameBG);
    const QString log = m_Log.Lines().join('\n');
    EXPECT_TRUE(log.contains("cut.jpg kept: Premature end of JPEG file")) << log.toStdString();
    EXPECT_TRUE(log.contains("junk.bmp kept")) << log.toStdString();
}

// ---------------------------------------------------------------------------
// Window helpers

TEST(SelectComboValue, FirstOfTwoEqualValues) {
    QComboBox combo;
    combo.addItem("a", 5);
    combo.addItem("b", 7);
    combo.addItem("c", 7);
    combo.addItem("d");
    combo.setCurrentIndex(0);
    EXPECT_TRUE(SelectComboValue(&combo, 7));
    EXPECT_EQ(combo.currentIndex(), 1);
    EXPECT_FALSE(SelectComboValue(&combo, 9));
    EXPECT_EQ(combo.currentIndex(), 1);
    EXPECT_FALSE(SelectComboValue(&combo, 0)); // an item without a value matches nothing
    EXPECT_FALSE(SelectComboValue(nullptr, 5));
}

class PostedCounter : public QObject {
public:
    int count = 0;
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) {
            ++count;
            return true;
        }
        return QObject::event(event);
    }
};

class SpeedUp {
public:
    explicit SpeedUp(int factor) : m_Old(Timing::Speedup()) { Timing::SetSpeedup(factor); }
    ~SpeedUp() { Timing::SetSpeedup(m_Old); }

private:
    int m_Old;
};

TEST(WaitWithMessages, ZeroReturnsAtOnce) {
    EXPECT_TRUE(WaitWithMessages(0));
}

TEST(WaitWithMessages, DispatchesWhileWaiting) {
    SpeedUp fast(1000);
    PostedCounter counter;
    QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
    bool fired = false;
    QTimer::singleShot(Timing::Interval(1000), [&fired] { fired = true; });
    const uint32_t start = Timing::TickCount();
    EXPECT_TRUE(WaitWithMessages(3000));
    EXPECT_GE(Timing::TickCount() - start, 3000u);
    EXPECT_EQ(counter.count, 1);
    EXPECT_TRUE(fired);
}

TEST(FocusEdit, HiddenFormDoesNothing) {
    QWidget form;
    auto* other = Make<QLineEdit>(&form, "EdtOther");
    auto* edit = Make<QLineEdit>(&form, "EdtKey");
    FocusEdit(edit);
    EXPECT_EQ(form.focusWidget(), nullptr);
    EXPECT_FALSE(edit->hasFocus());
    (void)other;
    FocusEdit(nullptr);
}

TEST(FocusEdit, ShownFormFocusesAnEnabledEdit) {
    QWidget form;
    auto* edit = Make<QLineEdit>(&form, "EdtKey");
    auto* disabled = Make<QLineEdit>(&form, "EdtOff");
    disabled->setEnabled(false);
    form.show();
    FocusEdit(disabled);
    EXPECT_NE(form.focusWidget(), disabled);
    FocusEdit(edit);
    EXPECT_EQ(form.focusWidget(), edit);
}

TEST(ListHeaderHeight, HeightOfThePlacedHeader) {
    QTreeWidget list;
    list.setHeaderLabels({"A", "B"});
    list.resize(300, 200);
    list.show();
    QCoreApplication::processEvents();
    EXPECT_GT(ListHeaderHeight(&list), 0);
    EXPECT_EQ(ListHeaderHeight(&list), list.header()->geometry().height());
    list.setHeaderHidden(true);
    EXPECT_EQ(ListHeaderHeight(&list), 0);
    EXPECT_EQ(ListHeaderHeight(nullptr), 0);
}

} // namespace

#include "test_settingsui.moc"
