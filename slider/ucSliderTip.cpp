#include "slider/ucSliderTip.h"

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>

namespace {

constexpr platform::OLE_COLOR highlight3D = platform::vbSysColor | platform::COLOR_BTNHIGHLIGHT;
constexpr platform::OLE_COLOR darkShadow3D = platform::vbSysColor | platform::COLOR_3DDKSHADOW;

QFont tipFont() {
    QFont font;
    // Tahoma is rarely installed here; DejaVu Sans is the sans face that is.
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    font.setWeight(QFont::Normal);
    return font;
}

}  // namespace

ucSliderTip::ucSliderTip() : Form(Kind::Popup) {
    setObjectName(QStringLiteral("ucSliderTip"));
    SetScaleMode(platform::vbPixels);
    setFont(tipFont());
    resize(40, 23);

    // The label paints its own window-coloured background over the tooltip
    // colour, as an opaque label does.
    lblTip.setGeometry(2, 1, 24, 13);
    lblTip.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblTip.setMargin(0);
    lblTip.setIndent(0);
    lblTip.setAutoFillBackground(true);
    QPalette colours = lblTip.palette();
    colours.setColor(
        QPalette::Window,
        platform::TranslateColor(platform::vbSysColor | platform::COLOR_WINDOW, palette()));
    colours.setColor(
        QPalette::WindowText,
        platform::TranslateColor(platform::vbSysColor | platform::COLOR_WINDOWTEXT, palette()));
    lblTip.setPalette(colours);
}

float ucSliderTip::TextWidth(const QString& text) const {
    return static_cast<float>(QFontMetricsF(font()).horizontalAdvance(text));
}

void ucSliderTip::Form_Resize() {
    surface_.Resize(size());
    const int w = static_cast<int>(ScaleWidth());
    const int h = static_cast<int>(ScaleHeight());
    surface_.Cls();
    surface_.Line(0, 0, w, 0, highlight3D);
    surface_.Line(0, 0, 0, h, highlight3D);
    surface_.Line(w - 1, 0, w - 1, h, darkShadow3D);
    surface_.Line(0, h - 1, w, h - 1, darkShadow3D);
}

void ucSliderTip::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    surface_.Render(painter, event->rect());
}
