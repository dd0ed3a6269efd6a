// The image buttons: shape from the face's pixels, the rules between the
// properties, the face shown per state, hover repaints and clicks.
#include "controls/trifacebtn.h"
#include "tests/common/logcapture.h"

#include <QCursor>
#include <QHBoxLayout>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr QRgb Fuchsia = 0xFFFF00FF;
constexpr QRgb Navy = 0xFF102A5C;
constexpr QRgb Red = 0xFFD02020;
constexpr QRgb Green = 0xFF20A040;
constexpr QRgb Blue = 0xFF2040D0;
constexpr QRgb Grey = 0xFF909090;

QImage Solid(QSize size, QRgb color) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// A picture drawn with '#' for Navy and '.' for fuchsia.
QImage Picture(const std::vector<const char*>& rows) {
    QImage image(int(strlen(rows[0])), int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, rows[size_t(y)][x] == '#' ? Navy : Fuchsia);
    return image;
}

QRgb PixelOf(QWidget& widget, QPoint point) {
    return widget.grab().toImage().pixel(point);
}

// Lets pending repaints happen.
void Settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// A button on a shown window, as the pages hold them.
class ButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The pointer starts away from where the window appears.
        QCursor::setPos(1000, 1000);
        QCoreApplication::processEvents();
        host = std::make_unique<QWidget>();
        host->resize(300, 200);
        button = new TTrifaceBtn(host.get());
        button->setGeometry(20, 20, 60, 24);
        host->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(host.get()));
    }

    std::unique_ptr<QWidget> host;
    TTrifaceBtn* button = nullptr;
};

const std::vector<const char*> Pill = {
    "..######..", ".########.", "##########", ".########.", "..######..",
};

} // namespace

// --- Shape -------------------------------------------------------------------

TEST_F(ButtonTest, ShapeIsTheNonFuchsiaPixelsOfFace) {
    button->SetFace(Picture(Pill));
    button->SetAutoShape(true);

    EXPECT_EQ(button->size(), QSize(10, 5));
    const QRegion shape = button->mask();
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(shape.contains(QPoint(x, y)), Pill[size_t(y)][x] == '#') << x << "," << y;
    EXPECT_TRUE(button->ShapeError().isEmpty());

    // Outside the shape the parent owns the pointer; inside it is the button's.
    EXPECT_EQ(host->childAt(button->pos() + QPoint(0, 0)), nullptr);
    EXPECT_EQ(host->childAt(button->pos() + QPoint(5, 2)), button);

    // A press dragged onto a transparent corner and released there is no click.
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 2));
    QTest::mouseMove(button, QPoint(0, 4));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(0, 4));
    EXPECT_EQ(clicks.count(), 0);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 2));
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(ButtonTest, DoubleResolutionFaceKeepsItsSizeOnScreenAndShowsNoFuchsia) {
    QImage face = Picture(Pill).scaled(20, 10); // each pixel a block of 2 x 2
    face.setPixel(9, 1, Fuchsia); // one device pixel of the block (4, 0) is transparent
    face.setDevicePixelRatio(2);
    button->SetFace(face);
    button->SetAutoShape(true);

    EXPECT_EQ(button->size(), QSize(10, 5));
    const QRegion shape = button->mask();
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(shape.contains(QPoint(x, y)),
                      Pill[size_t(y)][x] == '#' && !(x == 4 && y == 0))
                << x << "," << y;
}

TEST_F(ButtonTest, ToleranceIsEuclideanDistanceToTransColor) {
    QImage face(4, 1, QImage::Format_RGB32);
    face.setPixel(0, 0, Fuchsia);
    face.setPixel(1, 0, 0xFFFF00FE); // distance 1
    face.setPixel(2, 0, 0xFFFE00FE); // distance sqrt(2)
    face.setPixel(3, 0, Navy);
    button->SetFace(face);
    button->SetAutoShape(true);

    auto inShape = [&](int x) { return button->mask().contains(QPoint(x, 0)); };
    EXPECT_FALSE(inShape(0));
    EXPECT_TRUE(inShape(1));
    EXPECT_TRUE(inShape(2));
    EXPECT_TRUE(inShape(3));

    button->SetTransTolerance(1);
    EXPECT_FALSE(inShape(1));
    EXPECT_TRUE(inShape(2)) << "a channel-wise limit would drop it; the distance is 1.41";

    button->SetTransTolerance(2);
    EXPECT_FALSE(inShape(2));
    EXPECT_TRUE(inShape(3));

    button->SetTransTolerance(0);
    button->SetTransColor(QColor(Navy));
    EXPECT_TRUE(inShape(0));
    EXPECT_FALSE(inShape(3));
}

TEST_F(ButtonTest, ShapeWithManyRunsIsComplete) {
    // A checkerboard gives one run per pixel: many batches of rectangles.
    QImage face(120, 90, QImage::Format_RGB32);
    for (int y = 0; y < face.height(); ++y)
        for (int x = 0; x < face.width(); ++x)
            face.setPixel(x, y, (x + y) % 2 ? Fuchsia : Navy);
    button->SetFace(face);
    button->SetAutoShape(true);

    const QRegion shape = button->mask();
    int wrong = 0;
    for (int y = 0; y < face.height(); ++y)
        for (int x = 0; x < face.width(); ++x)
            wrong += shape.contains(QPoint(x, y)) != ((x + y) % 2 == 0);
    EXPECT_EQ(wrong, 0);
}

TEST_F(ButtonTest, AllFuchsiaFaceLeavesTheButtonRectangularAndReportsIt) {
    CLogCapture log;
    button->SetFace(Solid(QSize(30, 12), Fuchsia));
    button->SetAutoShape(true);

    EXPECT_EQ(button->ShapeError(), "Failed to create region.");
    EXPECT_TRUE(button->mask().isEmpty());
    EXPECT_EQ(host->childAt(button->pos() + QPoint(1, 1)), button);
    EXPECT_TRUE(log.Contains("TTrifaceBtn::BuildShape() Failed to create region."));

    // Still a working button, and a sound face mends it.
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(clicks.count(), 1);
    button->SetFace(Picture(Pill));
    EXPECT_TRUE(button->ShapeError().isEmpty());
    EXPECT_FALSE(button->mask().isEmpty());
}

// --- Property rules -------------------------------------------------------------

TEST_F(ButtonTest, AutoShapeNeedsFaceAndExcludesFocusRect) {
    EXPECT_TRUE(button->FocusRect());
    button->SetAutoShape(true);
    EXPECT_FALSE(button->AutoShape()) << "no Face yet";
    EXPECT_TRUE(button->FocusRect());

    button->SetFace(Picture(Pill));
    button->SetAutoShape(true);
    EXPECT_TRUE(button->AutoShape());
    EXPECT_FALSE(button->FocusRect());

    button->SetFocusRect(true);
    EXPECT_FALSE(button->AutoShape());
    EXPECT_TRUE(button->mask().isEmpty());

    button->SetAutoShape(true);
    button->SetFace(QImage());
    EXPECT_FALSE(button->AutoShape());
    EXPECT_TRUE(button->mask().isEmpty());
}

TEST_F(ButtonTest, SizeFollowsFaceWhateverAsksOtherwise) {
    button->SetFace(Solid(QSize(85, 21), Navy));
    button->SetAutoShape(true);
    EXPECT_EQ(button->size(), QSize(85, 21));
    EXPECT_EQ(button->sizeHint(), QSize(85, 21));

    button->setGeometry(40, 50, 200, 100); // a layout override from the settings
    EXPECT_EQ(button->geometry(), QRect(40, 50, 85, 21));
    button->resize(10, 10);
    EXPECT_EQ(button->size(), QSize(85, 21));

    QWidget box;
    auto* layout = new QHBoxLayout(&box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* laidOut = new TTrifaceBtn;
    laidOut->SetFace(Solid(QSize(40, 16), Navy));
    laidOut->SetAutoShape(true);
    layout->addWidget(laidOut);
    box.resize(400, 300);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_EQ(laidOut->size(), QSize(40, 16));

    button->SetFace(Solid(QSize(50, 30), Navy));
    EXPECT_EQ(button->size(), QSize(50, 30));

    button->SetAutoShape(false);
    button->resize(70, 25);
    EXPECT_EQ(button->size(), QSize(70, 25)) << "free again once AutoShape is off";
}

// --- Faces -----------------------------------------------------------------------

TEST_F(ButtonTest, EachStateShowsItsFace) {
    button->SetFace(Solid(QSize(60, 24), Red));
    button->SetFaceOver(Solid(QSize(60, 24), Green));
    button->SetFaceDown(Solid(QSize(60, 24), Blue));
    button->SetFaceDisable(Solid(QSize(60, 24), Grey));
    const QPoint probe(30, 12);

    EXPECT_EQ(PixelOf(*button, probe), Red);
    QTest::mouseMove(button, QPoint(10, 10));
    EXPECT_EQ(PixelOf(*button, probe), Green);
    button->setDown(true);
    EXPECT_EQ(PixelOf(*button, probe), Blue);
    button->setDown(false);
    button->setEnabled(false);
    EXPECT_EQ(PixelOf(*button, probe), Grey);
}

TEST_F(ButtonTest, MissingStateFacesFallBackToFace) {
    button->SetFace(Solid(QSize(60, 24), Red));
    const QPoint probe(30, 12);

    button->setEnabled(false);
    EXPECT_EQ(PixelOf(*button, probe), Red);
    button->setEnabled(true);
    button->setDown(true);
    EXPECT_EQ(PixelOf(*button, probe), Red);
    button->setDown(false);
    QTest::mouseMove(button, QPoint(10, 10));
    EXPECT_EQ(PixelOf(*button, probe), Red);
}

TEST_F(ButtonTest, ShiftOnOverMovesThePictureUpAndLeft) {
    // Left half red, right half blue: the border between them moves one
    // pixel left; the last column keeps its own pixels.
    QImage face = Solid(QSize(60, 24), Red);
    for (int y = 0; y < 24; ++y)
        for (int x = 30; x < 60; ++x)
            face.setPixel(x, y, Blue);
    button->SetFace(face);
    button->SetFaceOver(Solid(QSize(60, 24), Green));
    button->SetShiftOnOver(true);
    EXPECT_EQ(PixelOf(*button, QPoint(29, 12)), Red);

    QTest::mouseMove(button, QPoint(10, 10));
    ASSERT_TRUE(button->IsOver());
    EXPECT_EQ(PixelOf(*button, QPoint(29, 12)), Green) << "FaceOver, shifted";

    button->SetFaceOver(QImage());
    EXPECT_EQ(PixelOf(*button, QPoint(28, 12)), Red);
    EXPECT_EQ(PixelOf(*button, QPoint(29, 12)), Blue);
    EXPECT_EQ(PixelOf(*button, QPoint(59, 23)), Blue);
}

TEST_F(ButtonTest, WithoutFaceTheColourFaceIsDrawn) {
    button->SetColor(QColor(0x33, 0x66, 0x99));
    button->SetColorHi(QColor(Qt::white));
    button->SetColorLo(QColor(0x40, 0x40, 0x40));
    const QRgb frame = button->palette().color(QPalette::Shadow).rgb();
    button->clearFocus();

    QImage face = button->grab().toImage();
    EXPECT_EQ(face.pixel(30, 12), qRgb(0x33, 0x66, 0x99));
    EXPECT_EQ(face.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(face.pixel(59, 23), frame);
    EXPECT_EQ(face.pixel(58, 22), qRgb(0x40, 0x40, 0x40));

    button->setDown(true);
    face = button->grab().toImage();
    EXPECT_EQ(face.pixel(0, 0), qRgb(0x40, 0x40, 0x40)) << "pressed: ColorLo outline";
    EXPECT_EQ(face.pixel(59, 23), qRgb(0x40, 0x40, 0x40));
    EXPECT_EQ(face.pixel(1, 1), qRgb(0x33, 0x66, 0x99));

    // Focused (or default): a frame first, the rest inset by one.
    button->setDown(false);
    button->setFocus();
    ASSERT_TRUE(button->hasFocus());
    face = button->grab().toImage();
    EXPECT_EQ(face.pixel(0, 0), frame);
    EXPECT_EQ(face.pixel(1, 1), qRgb(255, 255, 255));
    EXPECT_EQ(face.pixel(57, 21), qRgb(0x40, 0x40, 0x40));
}

TEST_F(ButtonTest, GlyphSitsLeftOfTheCaptionAndMovesWhenPressed) {
    button->SetFace(Solid(QSize(60, 24), Red));
    button->SetGlyphs({Solid(QSize(8, 8), Green)});
    // No caption: x = (60 - 0 - 8 - 2) / 2 = 25, y = (24 - 8 + 2) / 2 = 9.
    QImage face = button->grab().toImage();
    EXPECT_EQ(face.pixel(25, 9), Green);
    EXPECT_EQ(face.pixel(24, 9), Red);
    EXPECT_EQ(face.pixel(25, 8), Red);

    button->setDown(true);
    face = button->grab().toImage();
    EXPECT_EQ(face.pixel(25, 9), Red);
    EXPECT_EQ(face.pixel(26, 10), Green);

    button->setDown(false);
    button->SetGlyphIndex(-1);
    EXPECT_EQ(PixelOf(*button, QPoint(25, 9)), Red);
}

TEST_F(ButtonTest, FocusShowsCornerMarksOrADottedFrame) {
    button->SetFace(Solid(QSize(60, 24), Red));
    host->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host.get()));
    button->setFocus();
    ASSERT_TRUE(button->hasFocus());
    const QRgb frame = button->palette().color(QPalette::Shadow).rgb();

    QImage face = button->grab().toImage();
    EXPECT_EQ(face.pixel(2, 2), frame);
    EXPECT_EQ(face.pixel(7, 2), frame);
    EXPECT_EQ(face.pixel(8, 2), Red) << "marks are 6 pixels long";
    EXPECT_EQ(face.pixel(57, 21), frame);

    // Without the marks (an auto-shaped button, as on every page) the focus
    // shows as a dotted frame inset by 4.
    button->SetFocusRect(false);
    face = button->grab().toImage();
    EXPECT_EQ(face.pixel(2, 2), Red);
    const QRgb ink = button->palette().color(QPalette::ButtonText).rgb();
    EXPECT_EQ(face.pixel(4, 4), ink);
    EXPECT_EQ(face.pixel(5, 4), Red) << "dotted";
    EXPECT_EQ(face.pixel(6, 4), ink);
    button->clearFocus();
    EXPECT_EQ(PixelOf(*button, QPoint(4, 4)), Red);
}

// --- Pointer and clicks ---------------------------------------------------------

TEST_F(ButtonTest, HoverInAndOutRepaintsTwiceAndNoMore) {
    button->SetFace(Solid(QSize(60, 24), Red));
    button->SetFaceOver(Solid(QSize(60, 24), Green));
    Settle();
    const int before = button->PaintCount();

    QTest::mouseMove(button, QPoint(10, 10));
    Settle();
    EXPECT_TRUE(button->IsOver());
    EXPECT_EQ(button->PaintCount(), before + 1);

    QTest::mouseMove(button, QPoint(30, 12));
    QTest::mouseMove(button, QPoint(50, 20));
    Settle();
    EXPECT_EQ(button->PaintCount(), before + 1) << "moving inside changes nothing";

    QTest::mouseMove(host.get(), QPoint(200, 150));
    Settle();
    EXPECT_FALSE(button->IsOver());
    EXPECT_EQ(button->PaintCount(), before + 2);
}

TEST_F(ButtonTest, DoubleClickCountsAsSecondPress) {
    button->SetFace(Solid(QSize(60, 24), Red));
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    // What the system delivers for a double click: press, release, double
    // click, release.
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(clicks.count(), 1);
    QTest::mouseDClick(button, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(clicks.count(), 2);
}
