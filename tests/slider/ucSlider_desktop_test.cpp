// The slider under a real X server and window manager, driven by real
// pointer events: the capture while dragging outside, the tip's place on
// the screen, and the focus staying where it was.

#include <gtest/gtest.h>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <QVBoxLayout>

#include "SliderTestSupport.h"
#include "platform/host/Form.h"
#include "slider/ucSliderTip.h"
#include "support/Desktop.h"

using namespace slidertest;
using platform::Forms;

namespace {

void xdo(const QStringList& args) {
    desktop::Xdotool(args);
}

void pointerTo(QPoint p) {
    xdo({QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())});
}

using desktop::WaitFor;

class SliderDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        if (qgetenv("DISPLAY").isEmpty()) GTEST_SKIP() << "needs an X server";
        host.setGeometry(200, 200, 320, 140);
        edit = new QLineEdit(&host);
        edit->setGeometry(10, 10, 200, 24);
        slider = new ucSlider(&host);
        slider->UserControl_InitProperties();
        slider->SetOrientation(0);
        slider->Move(20 * 15, 70 * 15, 216 * 15, 16 * 15);  // a 200-pixel track
        slider->SetMax(100);
        log = std::make_unique<EventLog>(*slider);
        host.show();
        host.activateWindow();
        ASSERT_TRUE(WaitFor([this] { return desktop::ActiveForTheWindowManager(host); }));
        edit->setFocus();
    }
    void TearDown() override {
        QProcess::execute(QStringLiteral("xdotool"),
                          {QStringLiteral("mouseup"), QStringLiteral("1")});
        Forms::Unload<ucSliderTip>();
    }
    QPoint onScreen(float x, float y) const {
        return slider->mapToGlobal(QPoint(static_cast<int>(x), static_cast<int>(y)));
    }
    QWidget host;
    QLineEdit* edit = nullptr;
    ucSlider* slider = nullptr;
    std::unique_ptr<EventLog> log;
};

}  // namespace

TEST_F(SliderDesktop, TipSitsAboveTheThumbAndLeavesTheFocusAlone) {
    pointerTo(onScreen(8, 8));
    xdo({QStringLiteral("mousedown"), QStringLiteral("1")});
    ASSERT_TRUE(WaitFor([this] { return slider->Dragging(); }));
    ASSERT_TRUE(Forms::IsLoaded<ucSliderTip>());
    ucSliderTip& tip = Forms::Get<ucSliderTip>();
    ASSERT_TRUE(tip.isVisible());

    const int w = tip.lblTip.width();
    const QPoint origin = slider->mapToGlobal(QPoint(0, 0));
    const QRect where = tip.frameGeometry();
    EXPECT_EQ(where.x(), origin.x() + 0 + (16 - w - 4) / 2);
    EXPECT_EQ(where.y(), origin.y() - 13 - 5);
    EXPECT_EQ(where.size(), QSize(w + 4, 16));

    EXPECT_EQ(QApplication::activeWindow(), &host);
    EXPECT_EQ(QApplication::focusWidget(), edit);
    EXPECT_FALSE(tip.isActiveWindow());

    // The tip follows the thumb.
    pointerTo(onScreen(8 + 100, 8));
    ASSERT_TRUE(WaitFor([this] { return slider->Value() == 50; }));
    EXPECT_EQ(tip.lblTip.Caption(), QStringLiteral("50"));
    EXPECT_EQ(tip.frameGeometry().x(), origin.x() + 100 + (16 - tip.lblTip.width() - 4) / 2);
    EXPECT_EQ(QApplication::focusWidget(), edit);

    xdo({QStringLiteral("mouseup"), QStringLiteral("1")});
    ASSERT_TRUE(WaitFor([this] { return !slider->Dragging(); }));
    EXPECT_FALSE(Forms::IsLoaded<ucSliderTip>());
    EXPECT_EQ(log->take(), (QStringList{"MouseDown", "Change", "Click", "MouseUp"}));
}

TEST_F(SliderDesktop, DragOutsideTheControlKeepsTheCapture) {
    pointerTo(onScreen(8, 8));
    xdo({QStringLiteral("mousedown"), QStringLiteral("1")});
    ASSERT_TRUE(WaitFor([this] { return slider->Dragging(); }));
    // Far right and below, then left of and above the window, all outside it.
    pointerTo(onScreen(700, 300));
    EXPECT_TRUE(WaitFor([this] { return slider->Value() == 100; }));
    pointerTo(onScreen(-150, -150));
    EXPECT_TRUE(WaitFor([this] { return slider->Value() == 0; }));
    pointerTo(onScreen(8 + 160, 500));
    EXPECT_TRUE(WaitFor([this] { return slider->Value() == 80; }));
    xdo({QStringLiteral("mouseup"), QStringLiteral("1")});
    ASSERT_TRUE(WaitFor([this] { return !slider->Dragging(); }));
    EXPECT_FALSE(Forms::IsLoaded<ucSliderTip>());
    EXPECT_EQ(log->take(), (QStringList{"MouseDown", "Change", "ArrivedLast", "Change",
                                        "ArrivedFirst", "Change", "MouseUp"}));
}

TEST_F(SliderDesktop, PressOffTheThumbJumpsToThePointer) {
    pointerTo(onScreen(108, 8));
    xdo({QStringLiteral("click"), QStringLiteral("1")});
    ASSERT_TRUE(WaitFor([this] { return log->events.contains(QStringLiteral("MouseUp")); }));
    EXPECT_EQ(slider->Value(), 50);
    EXPECT_FLOAT_EQ(slider->imgSlider.Left, 100.0f);
    EXPECT_EQ(log->take(), (QStringList{"Change", "MouseDown", "Click", "MouseUp"}));
    // The drawing on screen is the drawing kept: the thumb's face at 100.
    const QImage shot = slider->grab().toImage();
    EXPECT_EQ(shot.pixel(108, 8), slider->Canvas().Image().pixel(108, 8));
}
