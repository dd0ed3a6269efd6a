// The address control: its boxes, key rules, text rules and the focus leaving
// it, driven by keys as a user types them.

#include "pages/frameipeditrect.h"
#include "tests/common/printers.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

class IPEditRectTest : public ::testing::Test {
protected:
    void SetUp() override {
        Window = std::make_unique<QWidget>();
        Window->resize(300, 100);
        Edit = new TFrameIPEditRect(Window.get());
        Edit->move(10, 10);
        Other = new QLineEdit(Window.get());
        Other->setObjectName("Other");
        Other->setGeometry(10, 50, 100, 21);
        Window->show();
        Window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));
    }
    void TearDown() override { Window.reset(); }

    TCenterEdit* Box(int n) const { return Edit->Box(n); }
    QStringList Boxes() const {
        return {Box(1)->text(), Box(2)->text(), Box(3)->text(), Box(4)->text()};
    }
    // Each character as a key press to the widget that has the focus, as a
    // keyboard delivers it.
    static void Type(const QString& keys) {
        for (const QChar c : keys)
            QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
    }
    static void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
    void FocusBox(int n) {
        Box(n)->setFocus(Qt::MouseFocusReason);
        QCoreApplication::processEvents();
    }

    std::unique_ptr<QWidget> Window;
    TFrameIPEditRect* Edit = nullptr;
    QLineEdit* Other = nullptr;
};

} // namespace

TEST_F(IPEditRectTest, FourCentredBoxesOverTheEnabledPicture) {
    EXPECT_EQ(Edit->size(), QSize(116, 21));
    for (int n = 1; n <= 4; ++n) {
        ASSERT_NE(Box(n), nullptr);
        EXPECT_EQ(Box(n)->parentWidget(), Edit);
        EXPECT_EQ(Box(n)->maxLength(), 3);
        EXPECT_FALSE(Box(n)->hasFrame());
        EXPECT_TRUE(Box(n)->alignment() & Qt::AlignHCenter);
        EXPECT_EQ(Box(n)->palette().color(QPalette::Base), QColor(0xFF, 0xFF, 0xFF));
    }
    // Left to right, each box centred on its place between the picture's dots.
    EXPECT_LT(Box(1)->geometry().right(), 26);
    EXPECT_GT(Box(2)->x(), 27);
    EXPECT_LT(Box(2)->geometry().right(), 54);
    EXPECT_GT(Box(3)->x(), 55);
    EXPECT_LT(Box(3)->geometry().right(), 82);
    EXPECT_GT(Box(4)->x(), 83);
    EXPECT_LE(Box(4)->geometry().right(), 114);
    EXPECT_EQ(Box(0), nullptr);
    EXPECT_EQ(Box(5), nullptr);
    auto* enabled = Edit->findChild<QLabel*>("ImgEnableBG");
    auto* disabled = Edit->findChild<QLabel*>("ImgDisableBG");
    ASSERT_TRUE(enabled && disabled);
    EXPECT_TRUE(enabled->isVisible());
    EXPECT_FALSE(disabled->isVisible());
}

TEST_F(IPEditRectTest, AddressTypedAsOneKeySequence) {
    FocusBox(1);
    Type("10.0.0.1");
    EXPECT_EQ(Boxes(), (QStringList{"10", "0", "0", "1"}));
    EXPECT_EQ(QApplication::focusWidget(), Box(4));
    EXPECT_EQ(Edit->GetAddress(), "10.0.0.1");
}

TEST_F(IPEditRectTest, ThirdDigitMovesOnAndStaysInItsBox) {
    FocusBox(1);
    Type("192");
    EXPECT_EQ(Box(1)->text(), "192");
    EXPECT_EQ(QApplication::focusWidget(), Box(2));
    Type("168001");
    Type("7");
    EXPECT_EQ(Boxes(), (QStringList{"192", "168", "001", "7"}));
    EXPECT_EQ(Edit->GetAddress(), "192.168.1.7");
}

TEST_F(IPEditRectTest, PointMovesOnlyAfterSomethingWasTypedAndIsNeverKept) {
    FocusBox(1);
    Type(".");
    EXPECT_EQ(QApplication::focusWidget(), Box(1)); // caret at 0: stays
    Type("5.");
    EXPECT_EQ(Box(1)->text(), "5");
    EXPECT_EQ(QApplication::focusWidget(), Box(2));
    // With a selection the point does nothing but is still swallowed.
    Type("12");
    Box(2)->selectAll();
    Type(".");
    EXPECT_EQ(QApplication::focusWidget(), Box(2));
    EXPECT_EQ(Box(2)->text(), "12");
    // No box after the fourth.
    FocusBox(4);
    Type("9.");
    EXPECT_EQ(QApplication::focusWidget(), Box(4));
    EXPECT_EQ(Box(4)->text(), "9");
}

TEST_F(IPEditRectTest, DigitsOnly) {
    FocusBox(1);
    Type("12a");
    EXPECT_EQ(Box(1)->text(), "12");
    Type("-");
    EXPECT_EQ(Box(1)->text(), "12");
    EXPECT_EQ(QApplication::focusWidget(), Box(1));
}

TEST_F(IPEditRectTest, ClampedAt255WhenTypedOrPasted) {
    FocusBox(1);
    Type("256");
    EXPECT_EQ(Box(1)->text(), "255");
    EXPECT_EQ(QApplication::focusWidget(), Box(2));
    // Pasted text: cut at the first character that is not a digit.
    Box(2)->insert("256");
    EXPECT_EQ(Box(2)->text(), "255");
    EXPECT_EQ(Box(2)->cursorPosition(), 3);
    EXPECT_FALSE(Box(2)->hasSelectedText());
    Box(3)->insert("12a");
    EXPECT_EQ(Box(3)->text(), "12");
    Box(4)->insert("x7");
    EXPECT_EQ(Box(4)->text(), "");
    Box(4)->insert("999");
    EXPECT_EQ(Box(4)->text(), "255");
}

TEST_F(IPEditRectTest, BackspaceInAnEmptyBoxGoesToTheEndOfThePreviousOne) {
    Edit->SetAddress("10.20.");
    FocusBox(3);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(QApplication::focusWidget(), Box(2));
    EXPECT_EQ(Box(2)->cursorPosition(), 2);
    EXPECT_FALSE(Box(2)->hasSelectedText());
    EXPECT_EQ(Box(2)->text(), "20"); // nothing deleted by the move
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Box(2)->text(), "2");
    // Nothing before the first box.
    Edit->SetAddress("");
    FocusBox(1);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(QApplication::focusWidget(), Box(1));
}

TEST_F(IPEditRectTest, ArrowsCrossTheBoxesAtTheirEnds) {
    Edit->SetAddress("10.20.30.40");
    FocusBox(2);
    Box(2)->setCursorPosition(0);
    Key(Qt::Key_Left);
    EXPECT_EQ(QApplication::focusWidget(), Box(1));
    EXPECT_EQ(Box(1)->cursorPosition(), 2);
    Key(Qt::Key_Right);
    EXPECT_EQ(QApplication::focusWidget(), Box(2));
    EXPECT_EQ(Box(2)->cursorPosition(), 0);
    // Inside the text the arrows move the caret only.
    Key(Qt::Key_Right);
    EXPECT_EQ(QApplication::focusWidget(), Box(2));
    EXPECT_EQ(Box(2)->cursorPosition(), 1);
    // With a modifier held the arrows stay in the box.
    Box(2)->setCursorPosition(2);
    Box(2)->deselect();
    Key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), Box(2));
    Box(2)->setCursorPosition(0);
    Key(Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), Box(2));
    // No box before the first or after the last.
    FocusBox(1);
    Box(1)->setCursorPosition(0);
    Key(Qt::Key_Left);
    EXPECT_EQ(QApplication::focusWidget(), Box(1));
    FocusBox(4);
    Box(4)->setCursorPosition(2);
    Key(Qt::Key_Right);
    EXPECT_EQ(QApplication::focusWidget(), Box(4));
}

TEST_F(IPEditRectTest, GetAddressAndOctets) {
    EXPECT_EQ(Edit->GetAddress(), "");
    Box(1)->setText("10");
    EXPECT_EQ(Edit->GetAddress(), "10.0.0.0");
    Edit->SetAddress("192.168.1");
    EXPECT_EQ(Boxes(), (QStringList{"192", "168", "1", ""}));
    EXPECT_EQ(Edit->GetAddress(), "192.168.1.0");
    EXPECT_EQ(Edit->GetOctet(3), "1");
    EXPECT_EQ(Edit->GetOctet(4), "");
    EXPECT_EQ(Edit->GetOctet(0), "");
    EXPECT_EQ(Edit->GetOctet(5), "");
    Edit->SetAddress("");
    EXPECT_EQ(Boxes(), (QStringList{"", "", "", ""}));
    Edit->SetAddress("1.300.007.4.9");
    EXPECT_EQ(Boxes(), (QStringList{"1", "255", "007", "4"}));
    EXPECT_EQ(Edit->GetAddress(), "1.255.7.4");
    EXPECT_EQ(TFrameIPEditRect::OctetValue(""), 0);
    EXPECT_EQ(TFrameIPEditRect::OctetValue("12x4"), 12);
    EXPECT_EQ(TFrameIPEditRect::OctetValue("256"), 255);
    EXPECT_EQ(TFrameIPEditRect::OctetValue("00000000000000000000009"), 9);
    EXPECT_EQ(TFrameIPEditRect::OctetValue("99999999999999999999999"), 255);
}

TEST_F(IPEditRectTest, LeavingTheControlWritesTheOctetValues) {
    FocusBox(1);
    Type("10");
    Other->setFocus(Qt::MouseFocusReason);
    QCoreApplication::processEvents();
    EXPECT_EQ(Boxes(), (QStringList{"10", "0", "0", "0"}));

    Edit->SetAddress("");
    FocusBox(2);
    Other->setFocus(Qt::MouseFocusReason);
    QCoreApplication::processEvents();
    EXPECT_EQ(Boxes(), (QStringList{"", "", "", ""}));

    Edit->SetAddress("007...");
    FocusBox(1);
    FocusBox(3); // moving between the boxes is no exit
    EXPECT_EQ(Boxes(), (QStringList{"007", "", "", ""}));
    Other->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    EXPECT_EQ(Boxes(), (QStringList{"7", "0", "0", "0"}));
}

TEST_F(IPEditRectTest, EnteredOnlyWhenTheFocusComesFromOutside) {
    Other->setFocus();
    QCoreApplication::processEvents();
    int entered = 0;
    int exited = 0;
    QObject::connect(Edit, &TFrameIPEditRect::Entered, [&] { ++entered; });
    QObject::connect(Edit, &TFrameIPEditRect::Exited, [&] { ++exited; });
    FocusBox(2);
    FocusBox(3);
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(exited, 0);
    Other->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(exited, 1);
    FocusBox(1);
    EXPECT_EQ(entered, 2);
}

TEST_F(IPEditRectTest, DisabledLook) {
    Edit->SetAddress("10.1.2.3");
    Edit->SetEnabled(false);
    EXPECT_FALSE(Edit->isEnabled());
    EXPECT_FALSE(Box(1)->isEnabled());
    EXPECT_FALSE(Edit->findChild<QLabel*>("ImgEnableBG")->isVisible());
    EXPECT_TRUE(Edit->findChild<QLabel*>("ImgDisableBG")->isVisible());
    EXPECT_EQ(Box(1)->palette().color(QPalette::Disabled, QPalette::Base),
              QColor(0xC0, 0xC0, 0xC0));
    // The digits stay readable on silver.
    EXPECT_LT(Box(1)->palette().color(QPalette::Disabled, QPalette::Text).lightness(), 0x80);
    EXPECT_EQ(Edit->GetAddress(), "10.1.2.3");
    Edit->SetEnabled(true);
    EXPECT_TRUE(Box(4)->isEnabled());
    EXPECT_TRUE(Edit->findChild<QLabel*>("ImgEnableBG")->isVisible());
    EXPECT_FALSE(Edit->findChild<QLabel*>("ImgDisableBG")->isVisible());
    EXPECT_EQ(Box(1)->palette().color(QPalette::Active, QPalette::Base), QColor(0xFF, 0xFF, 0xFF));
}
