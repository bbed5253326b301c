// Sizing, thumb placement and the value/position formulas.

#include <gtest/gtest.h>

#include "SliderTestSupport.h"

using namespace slidertest;

namespace {

// A new horizontal slider, drawn rail, given inner width in pixels.
void horizontal(ucSlider& s, int width) {
    s.UserControl_InitProperties();
    s.SetOrientation(0);
    s.SetWidth(static_cast<float>(width * 15));
}

}  // namespace

TEST(SliderGeometry, NewInstanceIsVerticalWithThumbAtTheBottom) {
    ucSlider s;
    s.UserControl_InitProperties();
    s.Size(16 * 15, 100 * 15);
    EXPECT_EQ(s.Orientation(), 1);
    EXPECT_FLOAT_EQ(s.imgSlider.Top, 100.0f - 16.0f);
    EXPECT_FLOAT_EQ(s.imgSlider.Left, 0.0f);
    EXPECT_EQ(s.Range(), 10);
}

TEST(SliderGeometry, DraggedThumbRoundsHalvesToEvenAndSnaps) {
    ucSlider s;
    horizontal(s, 80);
    s.SetMax(32);
    s.SetValue(16);
    EXPECT_FLOAT_EQ(s.imgSlider.Left, 32.0f);

    s.imgSlider.Left = 33;  // 16.5 values along
    EXPECT_EQ(s.ThumbToValue(), 16);
    EXPECT_FLOAT_EQ(s.imgSlider.Left, 32.0f);

    s.imgSlider.Left = 35;  // 17.5
    EXPECT_EQ(s.ThumbToValue(), 18);
    EXPECT_FLOAT_EQ(s.imgSlider.Left, 36.0f);
}

TEST(SliderGeometry, VerticalPutsMaxAtTheTop) {
    ucSlider s;
    s.UserControl_InitProperties();
    s.Size(16 * 15, 116 * 15);
    s.SetMax(50);
    s.SetMin(-50);
    s.SetValue(50);
    EXPECT_FLOAT_EQ(s.imgSlider.Top, 0.0f);
    s.SetValue(-50);
    EXPECT_FLOAT_EQ(s.imgSlider.Top, 100.0f);
    s.imgSlider.Top = 25;  // a quarter down: 25 values below the top
    EXPECT_EQ(s.ThumbToValue(), 25);
}

TEST(SliderGeometry, DrawnRailTakesItsThicknessFromTheThumb) {
    ucSlider s;
    s.UserControl_InitProperties();
    s.SetOrientation(0);
    // Zero wide from the host: as wide as the thumb.
    EXPECT_FLOAT_EQ(s.ScaleWidth(), 16.0f);
    EXPECT_FLOAT_EQ(s.ScaleHeight(), 16.0f);

    s.Size(120 * 15, 40 * 15);
    EXPECT_FLOAT_EQ(s.ScaleWidth(), 120.0f);
    EXPECT_FLOAT_EQ(s.ScaleHeight(), 16.0f);

    s.SetOrientation(1);
    s.Size(40 * 15, 90 * 15);
    EXPECT_FLOAT_EQ(s.ScaleWidth(), 16.0f);
    EXPECT_FLOAT_EQ(s.ScaleHeight(), 90.0f);
}

TEST(SliderGeometry, PictureRailSizesTheControl) {
    ucSlider s;
    s.UserControl_InitProperties();
    s.SetOrientation(0);
    s.SetRailStyle(99);
    s.SetRailImage(solid(100, 8, Qt::blue));
    s.SetSliderImage(solid(10, 20, Qt::red));
    EXPECT_FLOAT_EQ(s.ScaleWidth(), 104.0f);
    EXPECT_FLOAT_EQ(s.ScaleHeight(), 20.0f);
    EXPECT_FLOAT_EQ(s.imgSlider.Top, 0.0f);

    s.SetSliderImage(solid(10, 4, Qt::red));
    EXPECT_FLOAT_EQ(s.ScaleWidth(), 104.0f);
    EXPECT_FLOAT_EQ(s.ScaleHeight(), 8.0f);
    EXPECT_FLOAT_EQ(s.imgSlider.Top, 2.0f);

    // Vertical: the same with the axes swapped.
    s.SetRailImage(solid(8, 100, Qt::blue));
    s.SetSliderImage(solid(4, 10, Qt::red));
    s.SetOrientation(1);
    EXPECT_FLOAT_EQ(s.ScaleWidth(), 8.0f);
    EXPECT_FLOAT_EQ(s.ScaleHeight(), 104.0f);
    EXPECT_FLOAT_EQ(s.imgSlider.Left, 2.0f);
}

TEST(SliderGeometry, RailStyle99WithoutPictureSizesLikeADrawnRail) {
    ucSlider s;
    s.UserControl_InitProperties();
    s.SetOrientation(0);
    s.SetWidth(70 * 15);
    s.SetRailStyle(99);
    EXPECT_FLOAT_EQ(s.ScaleWidth(), 70.0f);
    EXPECT_FLOAT_EQ(s.ScaleHeight(), 16.0f);
}

TEST(SliderGeometry, RailRectangleRunsBetweenTheThumbCentres) {
    ucSlider s;
    horizontal(s, 100);
    const auto& r = s.RailRect();
    EXPECT_EQ(r, (platform::user32::RECT{6, 6, 94, 10}));

    s.SetOrientation(1);
    s.SetHeight(100 * 15);
    EXPECT_EQ(s.RailRect(), (platform::user32::RECT{6, 6, 10, 94}));
}

TEST(SliderGeometry, ZeroLengthTrackNeverDividesByZero) {
    ucSlider s;
    horizontal(s, 16);  // as long as the thumb: no track
    s.SetMax(20);
    s.SetMin(5);
    EXPECT_EQ(s.ThumbToValue(), 5);
    EXPECT_NO_THROW({
        s.UserControl_MouseDown(1, 0, 8, 8);
        s.UserControl_MouseMove(1, 0, 60, 8);
        s.UserControl_MouseUp(1, 0, 60, 8);
    });
    EXPECT_EQ(s.Value(), 5);
    EXPECT_TRUE(std::isfinite(s.imgSlider.Left));
}

TEST(SliderGeometry, OtherOrientationsGiveNoGeometryAndNoErrors) {
    ucSlider s;
    s.UserControl_InitProperties();
    s.Size(50 * 15, 20 * 15);
    s.SetMax(20);
    s.SetMin(3);
    s.SetOrientation(2);
    EXPECT_EQ(s.Orientation(), 2);
    EXPECT_EQ(s.ThumbToValue(), 0);
    EXPECT_NO_THROW({
        s.UserControl_MouseDown(1, 0, 40, 5);
        s.UserControl_MouseMove(1, 0, 45, 5);
        s.UserControl_MouseUp(1, 0, 45, 5);
    });
    EXPECT_EQ(s.Value(), 3);
}
