// The value tip: its text, its size, where it goes and the frame it draws.

#include <gtest/gtest.h>

#include "SliderTestSupport.h"
#include "platform/host/Form.h"
#include "slider/ucSliderTip.h"

using namespace slidertest;
using platform::Forms;

namespace {

class SliderTip : public ::testing::Test {
protected:
    void TearDown() override { Forms::Unload<ucSliderTip>(); }
};

}  // namespace

TEST_F(SliderTip, PlacementCentresOverOrBesideTheThumb) {
    platform::ImageHolder thumb(30, 0, 16, 16);
    const platform::user32::RECT window{200, 300, 384, 314};
    EXPECT_EQ(ucSlider::TipPlacement(0, thumb, window, 20, 13), QPoint(226, 282));

    thumb.Left = 0;
    thumb.Top = 40;
    // Left of the thumb with a 2-pixel gap; halving -1 truncates to 0.
    EXPECT_EQ(ucSlider::TipPlacement(1, thumb, window, 20, 13), QPoint(174, 340));
    thumb.Top = 40.5f;  // 340.5 rounds to even
    EXPECT_EQ(ucSlider::TipPlacement(1, thumb, window, 20, 13), QPoint(174, 340));
    EXPECT_EQ(ucSlider::TipPlacement(5, thumb, window, 20, 13), QPoint(0, 0));
}

TEST_F(SliderTip, ShowsTheValueSizedToItsText) {
    ucSlider s;
    s.UserControl_InitProperties();
    s.SetOrientation(0);
    s.SetWidth(116 * 15);
    s.SetMax(50);
    s.SetMin(-50);
    s.UserControl_MouseDown(1, 0, 8, 8);
    ucSliderTip& tip = Forms::Get<ucSliderTip>();
    EXPECT_TRUE(tip.isVisible());
    EXPECT_EQ(tip.lblTip.Caption(), QStringLiteral("-50"));
    const int text = qRound(tip.TextWidth(QStringLiteral("-50")));
    EXPECT_GT(text, 0);
    EXPECT_EQ(tip.lblTip.width(), text);
    EXPECT_EQ(tip.lblTip.height(), 13);
    EXPECT_EQ(tip.lblTip.geometry().topLeft(), QPoint(2, 1));
    EXPECT_EQ(tip.size(), QSize(text + 4, 16));

    s.UserControl_MouseMove(1, 0, 8 + 50, 8);
    EXPECT_EQ(tip.lblTip.Caption(), QStringLiteral("0"));
    EXPECT_EQ(tip.size(), QSize(qRound(tip.TextWidth(QStringLiteral("0"))) + 4, 16));

    // Placed 2 pixels above the thumb, centred on it.
    const QPoint origin = s.mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(tip.frameGeometry().bottom() + 1 + 2, origin.y() + 0);
    const int centre = origin.x() + static_cast<int>(s.imgSlider.Left) + 8;
    EXPECT_LE(std::abs(tip.frameGeometry().center().x() - centre), 1);
}

TEST_F(SliderTip, FrameIsRedrawnOnEveryResize) {
    ucSliderTip& tip = Forms::Get<ucSliderTip>();
    tip.setPalette(distinctPalette());
    tip.show();
    const QRgb light = sys(platform::COLOR_BTNHIGHLIGHT);
    const QRgb dark = sys(platform::COLOR_3DDKSHADOW);
    const QRgb inside = sys(platform::COLOR_INFOBK);
    for (QSize size : {QSize(24, 16), QSize(31, 16), QSize(3, 3), QSize(60, 40)}) {
        tip.resize(size);
        const QImage& d = tip.Drawing();
        ASSERT_EQ(d.size(), size);
        const int w = size.width(), h = size.height();
        auto px = [&](int x, int y) { return d.pixel(x, y) | 0xFF000000u; };
        EXPECT_EQ(px(0, 0), light);
        EXPECT_EQ(px(w - 2, 0), light);
        EXPECT_EQ(px(0, h - 2), light);
        EXPECT_EQ(px(w - 1, 0), dark);
        EXPECT_EQ(px(w - 1, h - 1), dark);
        EXPECT_EQ(px(1, h - 1), dark);
        if (w > 2 && h > 2) {
            EXPECT_EQ(px(1, 1), inside);
        }
        if (w > 4 && h > 4) {
            EXPECT_EQ(px(w - 2, h - 2), inside);
        }
    }
}
