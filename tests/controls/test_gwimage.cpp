// The launcher's picture links: slot switching on pointer, press and enabling.
#include "controls/gwimage.h"

#include <QCursor>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr QRgb Normal = 0xFF204080;
constexpr QRgb Over = 0xFF40A0F0;
constexpr QRgb Disabled = 0xFF808080;

QImage Solid(QRgb color) {
    QImage image(40, 16, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

QRgb Shown(const TGWImage& image) {
    const QPixmap pixmap = image.pixmap();
    return pixmap.isNull() ? 0 : pixmap.toImage().pixel(0, 0);
}

class GWImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        QCursor::setPos(1000, 1000); // away from where the window appears
        QCoreApplication::processEvents();
        window = std::make_unique<QWidget>();
        window->resize(300, 200);
        panel = new QWidget(window.get());
        panel->setGeometry(0, 0, 300, 200);
        image = MakeImage(panel, 0);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    void Enter(TGWImage* target) { QTest::mouseMove(target, QPoint(5, 5)); }
    void Leave() { QTest::mouseMove(window.get(), QPoint(290, 190)); }

    static TGWImage* MakeImage(QWidget* parent, int top) {
        auto* made = new TGWImage(parent);
        made->setGeometry(10, top, 40, 16);
        made->SetImageSource(TGWImage::gsrcImage);
        made->SetImage(0, Solid(Normal));
        made->SetImage(1, Solid(Over));
        made->SetImage(3, Solid(Disabled));
        return made;
    }

    std::unique_ptr<QWidget> window;
    QWidget* panel = nullptr;
    TGWImage* image = nullptr;
};

} // namespace

TEST_F(GWImageTest, PointerSwitchesToSlotOneWithMouseOverEffect) {
    QSignalSpy entered(image, &TGWImage::MouseEnter);
    QSignalSpy left(image, &TGWImage::MouseLeave);
    EXPECT_EQ(Shown(*image), Normal);

    Enter(image);
    EXPECT_EQ(Shown(*image), Normal) << "no effect asked for";
    EXPECT_EQ(entered.count(), 1);
    Leave();
    EXPECT_EQ(left.count(), 1);

    image->SetMouseOverEffect(true);
    Enter(image);
    EXPECT_EQ(Shown(*image), Over);
    EXPECT_EQ(image->ImageIndex(), 1);
    Leave();
    EXPECT_EQ(Shown(*image), Normal);
    EXPECT_EQ(entered.count(), 2);
    EXPECT_EQ(left.count(), 2);
}

TEST_F(GWImageTest, DisabledShowsSlotThreeAndIgnoresThePointer) {
    image->SetMouseOverEffect(true);
    QSignalSpy entered(image, &TGWImage::MouseEnter);
    image->setEnabled(false);
    EXPECT_EQ(Shown(*image), Disabled);
    Enter(image);
    EXPECT_EQ(Shown(*image), Disabled);
    EXPECT_EQ(entered.count(), 0);

    image->setEnabled(true);
    EXPECT_EQ(Shown(*image), Over) << "pointer inside";
    Leave();
    image->setEnabled(false);
    image->setEnabled(true);
    EXPECT_EQ(Shown(*image), Normal) << "pointer outside";
}

TEST_F(GWImageTest, PushButtonShowsSlotOneUntilRelease) {
    image->SetImageStyle(TGWImage::gsPushButton);
    QSignalSpy clicks(image, &TGWImage::clicked);
    QTest::mousePress(image, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(Shown(*image), Over);
    QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(Shown(*image), Normal);
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(GWImageTest, TabButtonReleasesTheOthersOfItsGroup) {
    TGWImage* second = MakeImage(panel, 30);
    TGWImage* otherGroup = MakeImage(panel, 60);
    for (TGWImage* each : {image, second, otherGroup})
        each->SetImageStyle(TGWImage::gsTabButton);
    otherGroup->SetTag(7);

    QTest::mouseClick(otherGroup, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(image, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(Shown(*image), Over) << "a tab stays down after release";
    QTest::mouseClick(second, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(Shown(*second), Over);
    EXPECT_EQ(Shown(*image), Normal);
    EXPECT_EQ(Shown(*otherGroup), Over) << "another tag is another group";
}

TEST_F(GWImageTest, ImageListSlotsAndEmptySlots) {
    auto* listed = new TGWImage(panel);
    listed->SetImageList({Solid(Normal), Solid(Over)});
    EXPECT_EQ(Shown(*listed), Normal);
    listed->ShowSlot(1);
    EXPECT_EQ(Shown(*listed), Over);
    listed->ShowSlot(3); // not in the list: nothing changes
    EXPECT_EQ(Shown(*listed), Over);
    EXPECT_EQ(listed->ImageIndex(), 1);

    image->SetImage(3, QImage());
    image->setEnabled(false);
    EXPECT_EQ(Shown(*image), Normal) << "an empty slot changes nothing";
}
