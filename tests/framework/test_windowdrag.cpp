#include "framework/windowdrag.h"

#include <QLabel>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

// Where the window system cannot move a window for us (here the offscreen
// platform; on Wayland and X11 the compositor or window manager moves it),
// the window follows the pointer while the left button is held on its
// picture, and only then.
TEST(WindowDrag, TheWindowFollowsThePointerFromItsPicture) {
    QWidget window(nullptr, Qt::FramelessWindowHint);
    window.setGeometry(100, 100, 300, 200);
    auto* picture = new QLabel(&window);
    picture->setGeometry(0, 0, 300, 200);
    new CWindowDrag(picture);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    QTest::mousePress(picture, Qt::LeftButton, {}, QPoint(10, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(10, 10), picture->mapToGlobal(QPointF(50, 40)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(picture, &move);
    QTest::mouseRelease(picture, Qt::LeftButton, {}, QPoint(50, 40));
    EXPECT_EQ(window.pos(), QPoint(140, 130));

    // Moving without the button held leaves it where it is.
    QMouseEvent hover(QEvent::MouseMove, QPointF(10, 10), picture->mapToGlobal(QPointF(80, 80)),
                      Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(picture, &hover);
    EXPECT_EQ(window.pos(), QPoint(140, 130));
}
