// The user-control base: outer size in twips, inner size in pixels, and the
// resize notification arriving whether or not the control is shown.

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

#include "platform/host/UserControl.h"
#include "platform/host/VbError.h"

using namespace platform;

namespace {

class Probe : public UserControl {
public:
    using UserControl::UserControl;
    QList<QSize> resizes;
    int shows = 0;
    QStringList mouse;
    bool throwOnDown = false;

protected:
    void UserControl_Resize() override { resizes << QSize(width(), height()); }
    void UserControl_Show() override { ++shows; }
    void UserControl_MouseDown(short b, short s, float x, float y) override {
        mouse << QStringLiteral("down %1 %2 %3 %4").arg(b).arg(s).arg(x).arg(y);
        if (throwOnDown) throw VbError(380, "Invalid property value");
    }
    void UserControl_MouseUp(short b, short, float x, float y) override {
        mouse << QStringLiteral("up %1 %2 %3").arg(b).arg(x).arg(y);
    }
};

}  // namespace

TEST(UserControl, SizesInTwipsOutsidePixelsInside) {
    QWidget host;
    Probe c(&host);
    EXPECT_EQ(c.Width(), 0.0f);
    c.Move(120, 240, 2760, 210);
    EXPECT_EQ(c.geometry(), QRect(8, 16, 184, 14));
    EXPECT_FLOAT_EQ(c.ScaleWidth(), 184.0f);
    EXPECT_FLOAT_EQ(c.Height(), 210.0f);
    c.SetWidth(1507.5f);  // 100.5 pixels: ties to even
    EXPECT_FLOAT_EQ(c.ScaleWidth(), 100.0f);
    EXPECT_EQ(c.Canvas().Image().size(), QSize(100, 14));
}

TEST(UserControl, ResizeIsHeardAtOnceAndOnlyForRealChanges) {
    QWidget host;
    Probe c(&host);
    c.Size(300, 150);
    c.Size(300, 150);
    EXPECT_EQ(c.resizes, (QList<QSize>{QSize(20, 10)}));
    host.show();
    EXPECT_EQ(c.resizes.size(), 1);
    EXPECT_EQ(c.shows, 1);
    c.SetHeight(300);
    EXPECT_EQ(c.resizes.last(), QSize(20, 20));
}

TEST(UserControl, MouseNotificationsCarryButtonShiftAndPixels) {
    QWidget host;
    Probe c(&host);
    c.Size(300, 150);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(3.5, 4), QPointF(3.5, 4), Qt::LeftButton,
                      Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier);
    QCoreApplication::sendEvent(&c, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(-7, 30), QPointF(-7, 30),
                        Qt::RightButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&c, &release);
    EXPECT_EQ(c.mouse, (QStringList{"down 1 3 3.5 4", "up 2 -7 30"}));
}

TEST(UserControl, AnErrorInAHandlerStopsAtTheEventLoop) {
    QWidget host;
    Probe c(&host);
    c.throwOnDown = true;
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    EXPECT_NO_THROW(QCoreApplication::sendEvent(&c, &press));
    EXPECT_EQ(c.mouse.size(), 1);
}
