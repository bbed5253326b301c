// How long a full redraw of a slider takes, against clearing the same
// surface alone, and how many redraws a drag across the whole track costs:
// one per change of value, none for moves that keep the value.

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "platform/host/Form.h"
#include "slider/ucSlider.h"
#include "slider/ucSliderTip.h"

namespace {

void soundWindowSlider(ucSlider& s) {
    s.UserControl_InitProperties();
    s.SetMax(100);
    s.SetOrientation(0);
    s.SetRailStyle(99);
    s.SetRailImage(platform::StdPicture::Load(QStringLiteral(":/slider/rail.bmp")));
    s.SetSliderImage(platform::StdPicture::Load(QStringLiteral(":/slider/thumb.ico")));
    s.SetShowValueTip(false);
    s.SetValue(50);
}

void drawnSlider(ucSlider& s) {
    s.UserControl_InitProperties();
    s.SetMax(100);
    s.SetOrientation(0);
    s.SetWidth(184 * 15);
    s.SetShowValueTip(false);
    s.SetValue(50);
}

// Mean nanoseconds per call of f, over enough calls to fill ~200 ms.
template <class F>
double perCall(F&& f) {
    for (int i = 0; i < 200; ++i) f();
    QElapsedTimer t;
    int n = 0;
    t.start();
    while (t.nsecsElapsed() < 200'000'000) {
        for (int i = 0; i < 100; ++i) f();
        n += 100;
    }
    return static_cast<double>(t.nsecsElapsed()) / n;
}

void drawTimes(const char* name, ucSlider& s) {
    platform::Surface& canvas = s.Canvas();
    const double cls = perCall([&] { canvas.Cls(); });
    const double draw = perCall([&] { s.DrawControl(); });
    std::printf("%-22s %4.0fx%-3.0f  Cls %7.0f ns  DrawControl %7.0f ns  ratio %5.1f\n", name,
                s.ScaleWidth(), s.ScaleHeight(), cls, draw, draw / cls);
}

void drag(const char* name, ucSlider& s, bool tip, float step) {
    s.SetShowValueTip(tip);
    int changes = 0;
    QObject::connect(&s, &ucSlider::Change, [&] { ++changes; });
    const float y = s.imgSlider.Top + 1;
    const float grab = s.imgSlider.Width / 2;
    s.SetValue(0);
    changes = 0;
    const int before = s.Canvas().ClsCount();
    int moves = 0;
    QElapsedTimer t;
    t.start();
    s.UserControl_MouseDown(1, 0, grab, y);
    const float end = s.ScaleWidth() + 20;
    for (float x = grab; x <= end; x += step) {
        s.UserControl_MouseMove(1, 0, x, y);
        ++moves;
    }
    s.UserControl_MouseUp(1, 0, end, y);
    const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
    const int repaints = s.Canvas().ClsCount() - before;
    std::printf(
        "%-22s tip %-3s  moves %5d  value changes %4d  repaints %4d  "
        "repaints/change %.2f  repaints without change %d  %.1f ms\n",
        name, tip ? "on" : "off", moves, changes, repaints,
        changes ? static_cast<double>(repaints) / changes : 0.0, repaints - changes, ms);
    QObject::disconnect(&s, &ucSlider::Change, nullptr, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    ucSlider pictures;
    soundWindowSlider(pictures);
    ucSlider drawn;
    drawnSlider(drawn);

    std::printf("DrawControl against clearing the surface alone (baseline), same run:\n");
    drawTimes("picture rail + icon", pictures);
    drawTimes("drawn groove + button", drawn);

    std::printf("\nDrag across the whole track and beyond, 0.25-pixel moves:\n");
    drag("picture rail + icon", pictures, false, 0.25f);
    drag("drawn groove + button", drawn, false, 0.25f);
    drag("picture rail + icon", pictures, true, 0.25f);
    platform::Forms::Unload<ucSliderTip>();
    return 0;
}
