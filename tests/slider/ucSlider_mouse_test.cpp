// Presses, drags and releases as the host delivers them, and the events
// they raise, in order.

#include <gtest/gtest.h>

#include "SliderTestSupport.h"
#include "platform/host/Form.h"
#include "slider/ucSliderTip.h"

using namespace slidertest;
using platform::Forms;

namespace {

class SliderMouse : public ::testing::Test {
protected:
    void SetUp() override {
        s.UserControl_InitProperties();
        s.SetOrientation(0);
        s.SetWidth(116 * 15);  // track of 100 pixels
        s.SetMax(100);
    }
    void TearDown() override { Forms::Unload<ucSliderTip>(); }
    ucSlider s;
    EventLog log{s};
};

}  // namespace

TEST_F(SliderMouse, PressOffTheThumbJumpsAndAnnouncesTheValueFirst) {
    s.UserControl_MouseDown(1, 0, 70, 8);
    EXPECT_FLOAT_EQ(s.GrabX(), 8.0f);
    EXPECT_FLOAT_EQ(s.GrabY(), 8.0f);
    EXPECT_FLOAT_EQ(s.imgSlider.Left, 62.0f);
    EXPECT_EQ(s.Value(), 62);
    EXPECT_EQ(log.take(), (QStringList{"Change", "MouseDown"}));
    EXPECT_TRUE(s.Dragging());
}

TEST_F(SliderMouse, ThumbHitTestIsHalfOpen) {
    s.UserControl_MouseDown(1, 0, 16, 8);  // just past the thumb's right edge
    EXPECT_FLOAT_EQ(s.GrabX(), 8.0f);
    EXPECT_EQ(s.Value(), 8);
    s.UserControl_MouseUp(1, 0, 16, 8);
    log.take();

    s.UserControl_MouseDown(1, 0, 8.0f + 15.9f, 8);  // inside the thumb at 8
    EXPECT_FLOAT_EQ(s.GrabX(), 15.9f);
    EXPECT_EQ(s.Value(), 8);
    EXPECT_EQ(log.take(), (QStringList{"MouseDown"}));
}

TEST_F(SliderMouse, PressOnTheThumbGrabsItWhereItWasPressed) {
    s.UserControl_MouseDown(1, 0, 5, 3);
    EXPECT_FLOAT_EQ(s.GrabX(), 5.0f);
    EXPECT_FLOAT_EQ(s.GrabY(), 3.0f);
    EXPECT_EQ(log.take(), (QStringList{"MouseDown"}));
    s.UserControl_MouseMove(1, 0, 45, 3);
    EXPECT_FLOAT_EQ(s.imgSlider.Left, 40.0f);
    EXPECT_EQ(s.Value(), 40);
    EXPECT_EQ(log.take(), (QStringList{"Change"}));
    // A move that keeps the value raises nothing and does not repaint.
    const int draws = s.Canvas().ClsCount();
    s.UserControl_MouseMove(1, 0, 45.3f, 3);
    EXPECT_TRUE(log.take().isEmpty());
    EXPECT_EQ(s.Canvas().ClsCount(), draws);
}

TEST_F(SliderMouse, DraggingPastTheEndsClampsAndArrivesOnce) {
    s.UserControl_MouseDown(1, 0, 8, 8);
    s.UserControl_MouseMove(1, 0, 500, 8);
    EXPECT_FLOAT_EQ(s.imgSlider.Left, 100.0f);
    EXPECT_EQ(s.Value(), 100);
    EXPECT_EQ(log.take(), (QStringList{"MouseDown", "Change", "ArrivedLast"}));
    s.UserControl_MouseMove(1, 0, 900, 40);
    EXPECT_TRUE(log.take().isEmpty());

    s.UserControl_MouseMove(1, 0, -300, 8);
    EXPECT_FLOAT_EQ(s.imgSlider.Left, 0.0f);
    EXPECT_EQ(log.take(), (QStringList{"Change", "ArrivedFirst"}));
}

TEST_F(SliderMouse, VerticalDragToTheBottomGivesMin) {
    ucSlider v;
    EventLog vlog{v};
    v.UserControl_InitProperties();
    v.SetHeight(116 * 15);
    v.SetValue(10);
    vlog.take();
    v.UserControl_MouseDown(1, 0, 8, 8);  // on the thumb at the top
    v.UserControl_MouseMove(1, 0, 8, 300);
    EXPECT_EQ(v.Value(), 0);
    EXPECT_FLOAT_EQ(v.imgSlider.Top, 100.0f);
    EXPECT_EQ(vlog.take(), (QStringList{"MouseDown", "Change", "ArrivedFirst"}));
}

TEST_F(SliderMouse, OnlyTheLeftButtonDrags) {
    for (short button : {2, 4}) {
        s.UserControl_MouseDown(button, 0, 70, 8);
        EXPECT_FALSE(s.Dragging());
        EXPECT_FALSE(Forms::IsLoaded<ucSliderTip>());
        s.UserControl_MouseMove(button, 0, 90, 8);
        s.UserControl_MouseUp(button, 0, 70, 8);
    }
    EXPECT_EQ(s.Value(), 0);
    EXPECT_TRUE(log.take().isEmpty());
}

TEST_F(SliderMouse, DisabledSliderIgnoresPressesButStillClicks) {
    s.SetEnabled(false);
    s.UserControl_MouseDown(1, 0, 70, 8);
    EXPECT_FALSE(s.Dragging());
    EXPECT_EQ(s.Value(), 0);
    s.UserControl_MouseUp(1, 0, 70, 8);
    EXPECT_EQ(log.take(), (QStringList{"Click"}));
}

TEST_F(SliderMouse, ReleaseInsideClicksBeforeMouseUpOutsideDoesNot) {
    s.UserControl_MouseDown(1, 0, 8, 8);
    s.UserControl_MouseUp(1, 0, 8, 8);
    EXPECT_EQ(log.take(), (QStringList{"MouseDown", "Click", "MouseUp"}));

    s.UserControl_MouseDown(1, 0, 8, 8);
    s.UserControl_MouseMove(1, 0, 200, 30);
    s.UserControl_MouseUp(1, 0, 200, 30);
    EXPECT_EQ(log.take(), (QStringList{"MouseDown", "Change", "ArrivedLast", "MouseUp"}));
    // The inner area is half-open too.
    s.UserControl_MouseUp(1, 0, 116, 8);
    s.UserControl_MouseUp(1, 0, 8, 16);
    s.UserControl_MouseUp(1, 0, -0.5f, 8);
    EXPECT_TRUE(log.take().isEmpty());
}

TEST_F(SliderMouse, AnyReleaseEndsTheDrag) {
    s.UserControl_MouseDown(1, 0, 8, 8);
    EXPECT_TRUE(Forms::IsLoaded<ucSliderTip>());
    s.UserControl_MouseDown(2, 0, 8, 8);
    s.UserControl_MouseUp(2, 0, 8, 8);
    EXPECT_FALSE(s.Dragging());
    EXPECT_FALSE(Forms::IsLoaded<ucSliderTip>());
    EXPECT_EQ(log.take(), (QStringList{"MouseDown", "MouseUp"}));
    s.UserControl_MouseMove(1, 0, 80, 8);
    EXPECT_EQ(s.Value(), 0);
    s.UserControl_MouseUp(1, 0, 80, 8);
    EXPECT_EQ(log.take(), (QStringList{"Click"}));
}

TEST_F(SliderMouse, NoTipWhenItIsSwitchedOffButStillUnloadedAtRelease) {
    s.SetShowValueTip(false);
    s.UserControl_MouseDown(1, 0, 70, 8);
    s.UserControl_MouseMove(1, 0, 90, 8);
    EXPECT_FALSE(Forms::IsLoaded<ucSliderTip>());
    Forms::Get<ucSliderTip>();  // someone else's tip
    s.UserControl_MouseUp(1, 0, 90, 8);
    EXPECT_FALSE(Forms::IsLoaded<ucSliderTip>());
}

TEST_F(SliderMouse, TwoSlidersShareOneTip) {
    ucSlider other;
    other.UserControl_InitProperties();
    other.SetHeight(100 * 15);
    s.UserControl_MouseDown(1, 0, 70, 8);
    ucSliderTip* first = &Forms::Get<ucSliderTip>();
    other.UserControl_MouseDown(1, 0, 8, 92);
    EXPECT_EQ(&Forms::Get<ucSliderTip>(), first);
    EXPECT_EQ(first->lblTip.Caption(), QStringLiteral("0"));
    other.UserControl_MouseUp(1, 0, 8, 92);
    EXPECT_FALSE(Forms::IsLoaded<ucSliderTip>());
}

TEST_F(SliderMouse, ListenerMayEndTheSliderInTheMiddleOfAPress) {
    auto* doomed = new ucSlider;
    doomed->UserControl_InitProperties();
    doomed->SetOrientation(0);
    doomed->SetWidth(116 * 15);
    QObject::connect(doomed, &ucSlider::Change, [doomed] { delete doomed; });
    EXPECT_NO_THROW(doomed->UserControl_MouseDown(1, 0, 70, 8));
}

TEST_F(SliderMouse, EndingSliderTakesTheTipAlong) {
    {
        ucSlider brief;
        brief.UserControl_InitProperties();
        brief.UserControl_MouseDown(1, 0, 8, 8);
        EXPECT_TRUE(Forms::IsLoaded<ucSliderTip>());
    }
    EXPECT_FALSE(Forms::IsLoaded<ucSliderTip>());
}
