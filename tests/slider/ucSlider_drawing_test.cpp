// What DrawControl leaves on the kept surface, pixel by pixel.

#include <gtest/gtest.h>

#include "SliderTestSupport.h"

using namespace slidertest;
using platform::COLOR_3DDKSHADOW;
using platform::COLOR_3DLIGHT;
using platform::COLOR_BTNFACE;
using platform::COLOR_BTNHIGHLIGHT;
using platform::COLOR_BTNSHADOW;

namespace {

class SliderDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        s.setPalette(distinctPalette());
        s.UserControl_InitProperties();
        s.SetBackColor(0x00336699);  // R 0x99, G 0x66, B 0x33
        s.SetOrientation(0);
        s.SetWidth(100 * 15);
    }
    QRgb back() const { return qRgb(0x99, 0x66, 0x33); }
    ucSlider s;
};

}  // namespace

TEST_F(SliderDrawing, SunkenGrooveAndRaisedButton) {
    ASSERT_EQ(s.ScaleHeight(), 16);
    // Groove (6, 6)-(94, 10): shadow over dark shadow at the top and left,
    // highlight under 3D light at the bottom and right.
    EXPECT_EQ(at(s, 50, 6), sys(COLOR_BTNSHADOW));
    EXPECT_EQ(at(s, 50, 7), sys(COLOR_3DDKSHADOW));
    EXPECT_EQ(at(s, 50, 8), sys(COLOR_3DLIGHT));
    EXPECT_EQ(at(s, 50, 9), sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(at(s, 93, 7), sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(at(s, 92, 7), sys(COLOR_3DLIGHT));
    EXPECT_EQ(at(s, 50, 5), back());
    EXPECT_EQ(at(s, 50, 10), back());
    EXPECT_EQ(at(s, 94, 7), back());

    // Button 16 x 16 at (0, 0).
    EXPECT_EQ(s.ThumbRect(), (platform::user32::RECT{0, 0, 16, 16}));
    EXPECT_EQ(at(s, 0, 0), sys(COLOR_3DLIGHT));
    EXPECT_EQ(at(s, 1, 1), sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(at(s, 8, 8), sys(COLOR_BTNFACE));
    EXPECT_EQ(at(s, 14, 14), sys(COLOR_BTNSHADOW));
    EXPECT_EQ(at(s, 15, 15), sys(COLOR_3DDKSHADOW));
    // The bottom-right pens own the corners they share with the top-left.
    EXPECT_EQ(at(s, 15, 0), sys(COLOR_3DDKSHADOW));
    EXPECT_EQ(at(s, 0, 15), sys(COLOR_3DDKSHADOW));
    EXPECT_EQ(at(s, 16, 3), back());
}

TEST_F(SliderDrawing, EachRailStyleHasItsOwnEdge) {
    s.SetRailStyle(1);  // raised bar
    EXPECT_EQ(at(s, 50, 6), sys(COLOR_3DLIGHT));
    EXPECT_EQ(at(s, 50, 7), sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(at(s, 50, 8), sys(COLOR_BTNSHADOW));
    EXPECT_EQ(at(s, 50, 9), sys(COLOR_3DDKSHADOW));

    s.SetRailStyle(2);  // one sunken line
    EXPECT_EQ(at(s, 50, 6), sys(COLOR_BTNSHADOW));
    EXPECT_EQ(at(s, 50, 7), back());
    EXPECT_EQ(at(s, 50, 9), sys(COLOR_BTNHIGHLIGHT));

    s.SetRailStyle(3);  // one raised line
    EXPECT_EQ(at(s, 50, 6), sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(at(s, 50, 8), back());
    EXPECT_EQ(at(s, 50, 9), sys(COLOR_BTNSHADOW));
}

TEST_F(SliderDrawing, StylesWithoutLinesShowOnlyTheThumb) {
    for (int style : {4, 7, 99}) {
        EXPECT_NO_THROW(s.SetRailStyle(style));
        for (int y = 0; y < 16; ++y) EXPECT_EQ(at(s, 50, y), back()) << style << " y " << y;
        EXPECT_EQ(at(s, 8, 8), sys(COLOR_BTNFACE)) << style;
    }
}

TEST_F(SliderDrawing, PictureRailAndThumbAtTheirPlaces) {
    s.SetRailStyle(99);
    s.SetRailImage(solid(100, 8, QColor(0, 0, 255)));
    s.SetSliderImage(solid(10, 20, QColor(255, 0, 0)));
    ASSERT_EQ(s.ScaleWidth(), 104);
    ASSERT_EQ(s.ScaleHeight(), 20);
    // Rail at (2, 6), thumb at (0, 0).
    EXPECT_EQ(at(s, 50, 6), qRgb(0, 0, 255));
    EXPECT_EQ(at(s, 101, 13), qRgb(0, 0, 255));
    EXPECT_EQ(at(s, 50, 5), back());
    EXPECT_EQ(at(s, 50, 14), back());
    EXPECT_EQ(at(s, 102, 8), back());
    EXPECT_EQ(at(s, 9, 19), qRgb(255, 0, 0));
    EXPECT_EQ(at(s, 10, 0), back());
}

TEST_F(SliderDrawing, TransparentThumbPictureShowsTheRailThrough) {
    QImage icon(10, 10, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    icon.setPixel(5, 5, qRgb(255, 0, 0));
    s.SetSliderImage(platform::StdPicture(icon));
    EXPECT_EQ(at(s, 0, 0), back());
    EXPECT_EQ(at(s, 5, 5), qRgb(255, 0, 0));
}

TEST_F(SliderDrawing, ThumbRectangleRoundsItsCorner) {
    s.imgSlider.Left = 10.5f;  // ties to even: 10
    s.imgSlider.Top = 0;
    s.DrawControl();
    EXPECT_EQ(s.ThumbRect(), (platform::user32::RECT{10, 0, 26, 16}));
    EXPECT_EQ(at(s, 10, 8), sys(COLOR_3DLIGHT));
    EXPECT_EQ(at(s, 12, 8), sys(COLOR_BTNFACE));
    EXPECT_EQ(at(s, 25, 8), sys(COLOR_3DDKSHADOW));
    EXPECT_EQ(at(s, 9, 3), back());
    EXPECT_EQ(at(s, 26, 3), back());

    s.imgSlider.Left = 11.5f;  // ties to even: 12
    s.DrawControl();
    EXPECT_EQ(s.ThumbRect().left, 12);
}

TEST_F(SliderDrawing, RepaintsOnlyWhenSomethingVisibleChanges) {
    const int before = s.Canvas().ClsCount();
    s.SetEnabled(false);
    s.SetShowValueTip(false);
    s.SetMax(20);
    s.SetMousePointer(2);
    s.SetValue(0);  // no change
    EXPECT_EQ(s.Canvas().ClsCount(), before);

    s.SetValue(5);
    EXPECT_EQ(s.Canvas().ClsCount(), before + 1);
    s.SetBackColor(0x00D2D2C9);
    EXPECT_EQ(s.Canvas().ClsCount(), before + 2);
    EXPECT_EQ(at(s, 50, 0), qRgb(201, 210, 210));
}
