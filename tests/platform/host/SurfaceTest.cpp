// The kept drawing surface: boxes and lines as GDI draws them, and drawing
// that survives resizes until it is cleared.

#include <gtest/gtest.h>
#include <QWidget>

#include "platform/host/Surface.h"

using namespace platform;

namespace {

constexpr OLE_COLOR red = 0x000000FF;
constexpr OLE_COLOR blue = 0x00FF0000;
constexpr OLE_COLOR white = 0x00FFFFFF;

QRgb px(const Surface& s, int x, int y) {
    return s.Image().pixel(x, y) | 0xFF000000u;
}

}  // namespace

TEST(Surface, BoxCornersAreInsideAndLineEndsAreNot) {
    QWidget owner;
    owner.resize(10, 10);
    Surface s(&owner, white);
    s.Cls();
    s.FillBox(2, 2, 4, 5, red);
    EXPECT_EQ(px(s, 2, 2), qRgb(255, 0, 0));
    EXPECT_EQ(px(s, 4, 5), qRgb(255, 0, 0));
    EXPECT_EQ(px(s, 5, 5), qRgb(255, 255, 255));
    EXPECT_EQ(px(s, 4, 6), qRgb(255, 255, 255));

    s.Line(0, 8, 6, 8, blue);
    EXPECT_EQ(px(s, 0, 8), qRgb(0, 0, 255));
    EXPECT_EQ(px(s, 5, 8), qRgb(0, 0, 255));
    EXPECT_EQ(px(s, 6, 8), qRgb(255, 255, 255));
    s.Line(9, 0, 9, 3, blue);
    EXPECT_EQ(px(s, 9, 2), qRgb(0, 0, 255));
    EXPECT_EQ(px(s, 9, 3), qRgb(255, 255, 255));
}

TEST(Surface, DrawingStaysThroughResizesUntilCleared) {
    QWidget owner;
    owner.resize(4, 4);
    Surface s(&owner, white);
    s.Cls();
    s.FillBox(0, 0, 1, 1, red);
    s.Resize(QSize(8, 6));
    EXPECT_EQ(s.Image().size(), QSize(8, 6));
    EXPECT_EQ(px(s, 1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(px(s, 7, 5), qRgb(255, 255, 255));
    s.SetBackColor(blue);
    EXPECT_EQ(px(s, 1, 1), qRgb(255, 0, 0));  // only the next Cls uses it
    const int before = s.ClsCount();
    s.Cls();
    EXPECT_EQ(s.ClsCount(), before + 1);
    EXPECT_EQ(px(s, 1, 1), qRgb(0, 0, 255));
}

TEST(Surface, PicturesKeepTheirSizeAndRoundTheirCorner) {
    QWidget owner;
    owner.resize(10, 10);
    Surface s(&owner, white);
    s.Cls();
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(QColor(0, 255, 0));
    s.PaintPicture(StdPicture(image), 2.5f, 3.5f);  // ties to even: (2, 4)
    EXPECT_EQ(px(s, 2, 4), qRgb(0, 255, 0));
    EXPECT_EQ(px(s, 4, 5), qRgb(0, 255, 0));
    EXPECT_EQ(px(s, 5, 5), qRgb(255, 255, 255));
    EXPECT_EQ(px(s, 2, 3), qRgb(255, 255, 255));
    s.PaintPicture(StdPicture(), 0, 0);  // nothing to draw, nothing drawn
    EXPECT_EQ(px(s, 0, 0), qRgb(255, 255, 255));
}
