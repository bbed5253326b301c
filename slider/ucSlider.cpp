#include "slider/ucSlider.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/host/Form.h"
#include "platform/host/Rounding.h"
#include "platform/host/Screen.h"
#include "platform/host/VbError.h"
#include "platform/host/WindowPos.h"
#include "slider/ucSliderTip.h"

using platform::Halve;
using platform::OLE_COLOR;
using platform::StdPicture;
using platform::TryRoundHalfEven;
using platform::VbError;
namespace user32 = platform::user32;

namespace {

constexpr std::int32_t vbHorizontal = 0;
constexpr std::int32_t vbVertical = 1;
constexpr std::int32_t railPicture = 99;

std::optional<std::int32_t> minus(std::int32_t a, std::int32_t b) {
    std::int32_t r;
    if (__builtin_sub_overflow(a, b, &r)) return std::nullopt;
    return r;
}

std::optional<std::int32_t> plus(std::int32_t a, std::int32_t b) {
    std::int32_t r;
    if (__builtin_add_overflow(a, b, &r)) return std::nullopt;
    return r;
}

// Drawn rail styles 0 to 4 and the edge each one is drawn with.
std::optional<unsigned> railEdge(std::int32_t style) {
    switch (style) {
        case 0: return user32::EDGE_SUNKEN;
        case 1: return user32::EDGE_RAISED;
        case 2: return user32::BDR_SUNKENOUTER;
        case 3: return user32::BDR_RAISEDINNER;
        case 4: return 0u;
        default: return std::nullopt;
    }
}

[[noreturn]] void invalidPropertyValue() {
    throw VbError(platform::vbErrInvalidPropertyValue, "Invalid property value");
}

// To a screen reader: a slider named by its window's label for it, whose
// value can be read and set.
class ucSliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit ucSliderAccessible(ucSlider* slider)
        : QAccessibleWidget(slider, QAccessible::Slider) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QVariant currentValue() const override { return slider()->Value(); }
    void setCurrentValue(const QVariant& value) override {
        // From outside: any number, taken as the nearest value the slider has.
        const double wanted = value.toDouble();
        if (!slider()->Enabled() || !std::isfinite(wanted)) return;
        const double nearest =
            std::clamp(std::round(wanted), double(slider()->Min()), double(slider()->Max()));
        slider()->SetValue(static_cast<std::int32_t>(nearest));
    }
    QVariant maximumValue() const override { return slider()->Max(); }
    QVariant minimumValue() const override { return slider()->Min(); }
    QVariant minimumStepSize() const override { return 1; }

private:
    ucSlider* slider() const { return static_cast<ucSlider*>(widget()); }
};

QAccessibleInterface* accessibleSlider(const QString& className, QObject* object) {
    return className == u"ucSlider" ? new ucSliderAccessible(static_cast<ucSlider*>(object))
                                    : nullptr;
}

}  // namespace

ucSlider::ucSlider(QWidget* parent) : UserControl(parent) {
    static const bool accessible = (QAccessible::installFactory(accessibleSlider), true);
    (void)accessible;
    setObjectName(QStringLiteral("ucSlider"));
    UserControl_Initialize();
}

ucSlider::~ucSlider() {
    UserControl_Terminate();
}

void ucSlider::UserControl_Initialize() {
    m_TwipsPerPixelX = platform::RoundHalfEven(platform::Screen::TwipsPerPixelX());
    m_TwipsPerPixelY = platform::RoundHalfEven(platform::Screen::TwipsPerPixelY());
}

void ucSlider::UserControl_Terminate() {
    // The tip is shared; whoever ends takes it down, so none outlives a drag.
    try {
        platform::Forms::Unload<ucSliderTip>();
    } catch (...) {
    }
}

void ucSlider::UserControl_Show() {
    DrawControl();
}

bool ucSlider::pictureRail() const {
    return m_RailStyle == railPicture && !imgRail.Picture().isNull();
}

// ---- geometry ----------------------------------------------------------

std::optional<float> ucSlider::thumbPosition(std::int32_t value) const {
    const auto offset = minus(value, m_Min);
    if (!offset || m_Range == 0) return std::nullopt;
    double place;
    if (m_Orientation == vbHorizontal) {
        const double track = static_cast<double>(ScaleWidth()) - imgSlider.Width;
        place = track * *offset / m_Range;
    } else if (m_Orientation == vbVertical) {
        const double track = static_cast<double>(ScaleHeight()) - imgSlider.Height;
        place = track - track * *offset / m_Range;
    } else {
        return std::nullopt;
    }
    if (!std::isfinite(place) || std::fabs(place) > std::numeric_limits<float>::max())
        return std::nullopt;
    return static_cast<float>(place);
}

void ucSlider::ResetThumb() {
    if (m_Orientation == vbHorizontal) {
        imgSlider.Left = 0;
        imgSlider.Top = 0;
    } else if (m_Orientation == vbVertical) {
        imgSlider.Left = 0;
        imgSlider.Top = ScaleHeight() - imgSlider.Height;
    }
}

std::int32_t ucSlider::ThumbToValue() {
    if (m_Orientation != vbHorizontal && m_Orientation != vbVertical) return 0;
    const bool horizontal = m_Orientation == vbHorizontal;
    const double track = horizontal ? static_cast<double>(ScaleWidth()) - imgSlider.Width
                                    : static_cast<double>(ScaleHeight()) - imgSlider.Height;
    // A thumb with nowhere to go stands for the value it already shows.
    if (track == 0) return m_Value;
    const double along = horizontal ? imgSlider.Left / track : (track - imgSlider.Top) / track;
    const auto value = TryRoundHalfEven(along * m_Range + m_Min);
    if (!value) return m_Value;
    if (const auto place = thumbPosition(*value))
        (horizontal ? imgSlider.Left : imgSlider.Top) = *place;
    return *value;
}

void ucSlider::UserControl_Resize() {
    if (m_Orientation == vbHorizontal || m_Orientation == vbVertical) {
        const bool horizontal = m_Orientation == vbHorizontal;
        const float tx = static_cast<float>(m_TwipsPerPixelX);
        const float ty = static_cast<float>(m_TwipsPerPixelY);

        // The size: a picture rail sets both; a drawn rail leaves the length
        // to the host and takes its thickness from the thumb.
        if (pictureRail()) {
            if (horizontal) {
                const float across =
                    imgSlider.Height < imgRail.Height ? imgRail.Height : imgSlider.Height;
                Size((imgRail.Width + 4) * tx, across * ty);
            } else {
                const float across =
                    imgSlider.Width < imgRail.Width ? imgRail.Width : imgSlider.Width;
                Size(across * tx, (imgRail.Height + 4) * ty);
            }
        } else if (horizontal) {
            if (Width() == 0) SetWidth(imgSlider.Width * tx);
            SetHeight(imgSlider.Height * ty);
        } else {
            if (Height() == 0) SetHeight(imgSlider.Height * ty);
            SetWidth(imgSlider.Width * tx);
        }

        // Across the track: centred on a wider rail picture, else at 0.
        const bool centred = m_RailStyle == railPicture && !imgRail.Picture().isNull();
        if (horizontal) {
            imgSlider.Top = 0;
            if (centred && imgSlider.Height < imgRail.Height) {
                if (const auto d = TryRoundHalfEven(imgRail.Height - imgSlider.Height))
                    imgSlider.Top = static_cast<float>(Halve(*d));
            }
        } else {
            imgSlider.Left = 0;
            if (centred && imgSlider.Width < imgRail.Width) {
                if (const auto d = TryRoundHalfEven(imgRail.Width - imgSlider.Width))
                    imgSlider.Left = static_cast<float>(Halve(*d));
            }
        }

        // Along the track: where the value puts it.
        if (const auto place = thumbPosition(m_Value))
            (horizontal ? imgSlider.Left : imgSlider.Top) = *place;

        // The groove runs 2 pixels either side of the thumb's centre at
        // both ends of the track.
        if (horizontal) {
            if (const auto w = TryRoundHalfEven(imgSlider.Width)) {
                if (const auto l = minus(Halve(*w), 2)) m_RailRect.left = *l;
            }
            if (const auto h = TryRoundHalfEven(imgSlider.Height - 4.0)) m_RailRect.top = Halve(*h);
            if (const auto r = TryRoundHalfEven(static_cast<double>(ScaleWidth()) +
                                                m_RailRect.left - imgSlider.Width + 4))
                m_RailRect.right = *r;
            if (const auto b = plus(m_RailRect.top, 4)) m_RailRect.bottom = *b;
        } else {
            if (const auto h = TryRoundHalfEven(imgSlider.Height)) {
                if (const auto t = minus(Halve(*h), 2)) m_RailRect.top = *t;
            }
            if (const auto b = TryRoundHalfEven(static_cast<double>(ScaleHeight()) +
                                                m_RailRect.top - imgSlider.Height + 4))
                m_RailRect.bottom = *b;
            if (const auto w = TryRoundHalfEven(imgSlider.Width - 4.0)) m_RailRect.left = Halve(*w);
            if (const auto r = plus(m_RailRect.left, 4)) m_RailRect.right = *r;
        }
    }
    DrawControl();
}

// ---- drawing -----------------------------------------------------------

void ucSlider::DrawControl() {
    platform::Surface& canvas = Canvas();
    canvas.Cls();

    if (m_RailStyle == railPicture) {
        const StdPicture& rail = imgRail.Picture();
        if (!rail.isNull()) {
            if (m_Orientation == vbHorizontal) {
                if (const auto d = TryRoundHalfEven(ScaleHeight() - imgRail.Height))
                    canvas.PaintPicture(rail, 2, static_cast<float>(Halve(*d)));
            } else if (m_Orientation == vbVertical) {
                if (const auto d = TryRoundHalfEven(ScaleWidth() - imgRail.Width))
                    canvas.PaintPicture(rail, static_cast<float>(Halve(*d)), 2);
            }
        }
    } else if (const auto edge = railEdge(m_RailStyle)) {
        canvas.WithDc([&](const user32::HDC& dc) {
            user32::DrawEdge(dc, m_RailRect, *edge, user32::BF_RECT);
        });
    }

    if (!imgSlider.Picture().isNull()) {
        canvas.PaintPicture(imgSlider.Picture(), imgSlider.Left, imgSlider.Top);
    } else {
        const auto left = TryRoundHalfEven(imgSlider.Left);
        const auto top = TryRoundHalfEven(imgSlider.Top);
        if (left) m_ThumbRect.left = *left;
        if (top) m_ThumbRect.top = *top;
        if (const auto r =
                TryRoundHalfEven(imgSlider.Width + static_cast<double>(m_ThumbRect.left)))
            m_ThumbRect.right = *r;
        if (const auto b =
                TryRoundHalfEven(imgSlider.Height + static_cast<double>(m_ThumbRect.top)))
            m_ThumbRect.bottom = *b;
        canvas.FillBox(m_ThumbRect.left, m_ThumbRect.top, m_ThumbRect.right - 1,
                       m_ThumbRect.bottom - 1, platform::vbButtonFace);
        canvas.WithDc([&](const user32::HDC& dc) {
            user32::DrawEdge(dc, m_ThumbRect, user32::EDGE_RAISED, user32::BF_RECT);
        });
    }

    if (m_ShowValueTip && m_Dragging) ShowTip();
}

// ---- mouse and events --------------------------------------------------

void ucSlider::UserControl_MouseDown(short Button, short Shift, float X, float Y) {
    if (!m_Enabled) return;
    if (Button != platform::vbLeftButton) return;
    m_Dragging = true;

    const bool onThumb = imgSlider.Left <= X && X < imgSlider.Left + imgSlider.Width &&
                         imgSlider.Top <= Y && Y < imgSlider.Top + imgSlider.Height;
    if (onThumb) {
        m_GrabX = X - imgSlider.Left;
        m_GrabY = Y - imgSlider.Top;
    } else {
        // Held by its centre, the thumb jumps under the pointer.
        m_GrabX = static_cast<float>(Halve(TryRoundHalfEven(imgSlider.Width).value_or(0)));
        m_GrabY = static_cast<float>(Halve(TryRoundHalfEven(imgSlider.Height).value_or(0)));
        QPointer<ucSlider> self(this);
        UserControl_MouseMove(Button, Shift, X, Y);
        if (!self) return;
    }

    if (m_ShowValueTip) ShowTip();
    emit MouseDown(Shift);
}

void ucSlider::UserControl_MouseMove(short, short, float X, float Y) {
    if (!m_Dragging) return;
    if (m_Orientation == vbHorizontal) {
        const float d = X - m_GrabX;
        const float track = ScaleWidth() - imgSlider.Width;
        imgSlider.Left = d < 0 ? 0 : (track < d ? track : d);
    } else if (m_Orientation == vbVertical) {
        const float d = Y - m_GrabY;
        const float track = ScaleHeight() - imgSlider.Height;
        imgSlider.Top = d < 0 ? 0 : (track < d ? track : d);
    } else {
        // No track, so no value to follow the pointer.
        return;
    }
    const std::int32_t v = ThumbToValue();
    // Only a value the setter accepts: a thumb left beyond a lowered Max,
    // or one that cannot travel, must not turn a drag into an error.
    if (v < m_Min || v > m_Max) return;
    SetValue(v);
}

void ucSlider::UserControl_MouseUp(short Button, short Shift, float X, float Y) {
    QPointer<ucSlider> self(this);
    if (0 <= X && X < ScaleWidth() && 0 <= Y && Y < ScaleHeight() &&
        Button == platform::vbLeftButton) {
        emit Click();
        if (!self) return;
    }
    if (m_Dragging) {
        emit MouseUp(Shift);
        if (!self) return;
    }
    m_Dragging = false;
    platform::Forms::Unload<ucSliderTip>();
}

void ucSlider::UserControl_KeyDown(short& KeyCode, short Shift) {
    // A move by key is a move of the value, as a drag makes one.
    if (!m_Enabled || m_Dragging || (Shift & (platform::vbCtrlMask | platform::vbAltMask))) return;
    std::int64_t value = m_Value;
    switch (KeyCode) {
        case platform::vbKeyRight:
        case platform::vbKeyUp: value += 1; break;
        case platform::vbKeyLeft:
        case platform::vbKeyDown: value -= 1; break;
        case platform::vbKeyPageUp: value += 10; break;
        case platform::vbKeyPageDown: value -= 10; break;
        case platform::vbKeyHome: value = m_Min; break;
        case platform::vbKeyEnd: value = m_Max; break;
        default: return;
    }
    KeyCode = 0;
    SetValue(static_cast<std::int32_t>(std::clamp<std::int64_t>(value, m_Min, m_Max)));
}

void ucSlider::valueChanged() {
    if (m_Value == m_LastValue) return;
    if (!m_Dragging) {
        if (const auto place = thumbPosition(m_Value)) {
            if (m_Orientation == vbHorizontal) imgSlider.Left = *place;
            if (m_Orientation == vbVertical) imgSlider.Top = *place;
        }
    }
    DrawControl();
    m_LastValue = m_Value;
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, m_Value);
        QAccessible::updateAccessibility(&event);
    }

    QPointer<ucSlider> self(this);
    emit Change();
    if (!self) return;
    if (m_Value == m_Max) {
        emit ArrivedLast();
        if (!self) return;
    }
    if (m_Value == m_Min) emit ArrivedFirst();
}

QPoint ucSlider::TipPlacement(std::int32_t orientation, const platform::ImageHolder& thumb,
                              const user32::RECT& window, int labelWidth, int labelHeight) {
    if (orientation == vbHorizontal) {
        const std::int32_t centre =
            Halve(TryRoundHalfEven(thumb.Width - labelWidth - 4.0).value_or(0));
        return QPoint(
            TryRoundHalfEven(thumb.Left + static_cast<double>(window.left) + centre).value_or(0),
            TryRoundHalfEven(thumb.Top + static_cast<double>(window.top) - labelHeight - 5)
                .value_or(0));
    }
    if (orientation == vbVertical) {
        const std::int32_t centre =
            Halve(TryRoundHalfEven(thumb.Height - labelHeight - 4.0).value_or(0));
        return QPoint(
            TryRoundHalfEven(thumb.Left + static_cast<double>(window.left) - labelWidth - 6)
                .value_or(0),
            TryRoundHalfEven(thumb.Top + static_cast<double>(window.top) + centre).value_or(0));
    }
    return QPoint(0, 0);
}

void ucSlider::ShowTip() {
    user32::RECT window;
    user32::GetWindowRect(this, &window);

    ucSliderTip& tip = platform::Forms::Get<ucSliderTip>();
    const QString text = QString::number(m_Value);
    tip.lblTip.resize(platform::RoundHalfEven(tip.TextWidth(text)), tip.lblTip.height());
    tip.lblTip.SetCaption(text);
    tip.lblTip.repaint();

    const int w = tip.lblTip.width();
    const int h = tip.lblTip.height();
    const QPoint at = TipPlacement(m_Orientation, imgSlider, window, w, h);

    std::int32_t left, top;
    if (!__builtin_mul_overflow(at.x(), m_TwipsPerPixelX, &left) &&
        !__builtin_mul_overflow(at.y(), m_TwipsPerPixelY, &top)) {
        tip.Move(static_cast<float>(left), static_cast<float>(top),
                 static_cast<float>((w + 4) * m_TwipsPerPixelX),
                 static_cast<float>((h + 3) * m_TwipsPerPixelY));
    }
    user32::SetWindowPos(
        &tip, user32::HWND_TOP, 0, 0, 0, 0,
        user32::SWP_NOSIZE | user32::SWP_NOMOVE | user32::SWP_NOACTIVATE | user32::SWP_SHOWWINDOW);
}

// ---- properties --------------------------------------------------------

void ucSlider::SetEnabled(bool enabled) {
    m_Enabled = enabled;
}

void ucSlider::SetBackColor(OLE_COLOR color) {
    UserControl::SetBackColor(color);
    DrawControl();
}

void ucSlider::SetMousePointer(std::int32_t pointer) {
    if (pointer < std::numeric_limits<short>::min() || pointer > std::numeric_limits<short>::max())
        throw VbError(platform::vbErrOverflow, "Overflow");
    UserControl::SetMousePointer(static_cast<short>(pointer));
}

// A range wider than a 32-bit number holds is refused before anything
// changes, so the control never runs on a stale range.
void ucSlider::checkedRange(std::int32_t min, std::int32_t max) const {
    if (!minus(max, min)) throw VbError(platform::vbErrOverflow, "Overflow");
}

void ucSlider::SetMax(std::int32_t value) {
    if (value <= m_Min) invalidPropertyValue();
    checkedRange(m_Min, value);
    m_Max = value;
    m_Range = m_Max - m_Min;
}

void ucSlider::SetMin(std::int32_t value) {
    if (value >= m_Max) invalidPropertyValue();
    checkedRange(value, m_Max);
    m_Min = value;
    m_Range = m_Max - m_Min;
    SetValue(value);
}

void ucSlider::SetValue(std::int32_t value) {
    if (value < m_Min || value > m_Max) invalidPropertyValue();
    m_Value = value;
    valueChanged();
}

void ucSlider::SetOrientation(std::int32_t orientation) {
    m_Orientation = orientation;
    ResetThumb();
    UserControl_Resize();
}

void ucSlider::SetRailStyle(std::int32_t style) {
    m_RailStyle = style;
    UserControl_Resize();
}

void ucSlider::SetSliderImage(StdPicture picture) {
    imgSlider.SetPicture(std::move(picture));
    UserControl_Resize();
}

void ucSlider::SetRailImage(StdPicture picture) {
    imgRail.SetPicture(std::move(picture));
    UserControl_Resize();
}

void ucSlider::SetShowValueTip(bool show) {
    m_ShowValueTip = show;
}

// ---- stored settings ---------------------------------------------------

namespace {

const QVariant defaultBackColor(static_cast<uint>(platform::vbButtonFace));
const QVariant noPicture = QVariant::fromValue(StdPicture());

}  // namespace

void ucSlider::UserControl_InitProperties() {
    m_Enabled = true;
    m_ShowValueTip = true;
    m_Orientation = vbVertical;
    m_RailStyle = 0;
    m_Min = 0;
    m_Max = 10;
    m_Value = 0;
    m_Range = 10;
    m_LastValue = 0;
    ResetThumb();
}

void ucSlider::UserControl_ReadProperties(const platform::PropertyBag& PropBag) {
    UserControl::SetBackColor(
        PropBag.ReadProperty(QStringLiteral("BackColor"), defaultBackColor).toUInt());
    UserControl::SetMousePointer(
        PropBag.ReadProperty(QStringLiteral("MousePointer"), QVariant::fromValue(short(0)))
            .value<short>());
    SetMouseIcon(PropBag.ReadProperty(QStringLiteral("MouseIcon"), noPicture).value<StdPicture>());

    m_Enabled = PropBag.ReadProperty(QStringLiteral("Enabled"), true).toBool();
    m_Orientation = PropBag.ReadProperty(QStringLiteral("Orientation"), vbVertical).toInt();
    m_RailStyle = PropBag.ReadProperty(QStringLiteral("RailStyle"), 0).toInt();
    m_ShowValueTip = PropBag.ReadProperty(QStringLiteral("ShowValueTip"), true).toBool();
    m_Min = PropBag.ReadProperty(QStringLiteral("Min"), 0).toInt();
    m_Max = PropBag.ReadProperty(QStringLiteral("Max"), 10).toInt();
    m_Value = PropBag.ReadProperty(QStringLiteral("Value"), 0).toInt();

    imgSlider.SetPicture(
        PropBag.ReadProperty(QStringLiteral("SliderImage"), noPicture).value<StdPicture>());
    imgRail.SetPicture(
        PropBag.ReadProperty(QStringLiteral("RailImage"), noPicture).value<StdPicture>());

    // Stored settings are not checked by any setter, so a range that is
    // empty, reversed or too wide for a 32-bit difference would divide by
    // zero or overflow below: such a range gives way to the default one,
    // and a value outside the range is brought to its nearer end.
    if (m_Min >= m_Max || !minus(m_Max, m_Min)) {
        qWarning("%s: stored range %d to %d is unusable, using 0 to 10", qPrintable(objectName()),
                 m_Min, m_Max);
        m_Min = 0;
        m_Max = 10;
    }
    if (m_Value < m_Min || m_Value > m_Max) {
        qWarning("%s: stored value %d lies outside %d to %d", qPrintable(objectName()), m_Value,
                 m_Min, m_Max);
        m_Value = m_Value < m_Min ? m_Min : m_Max;
    }
    m_Range = m_Max - m_Min;
    m_LastValue = m_Value;

    const double along = static_cast<double>(m_Value - m_Min) / m_Range;
    const double trackX = static_cast<double>(ScaleWidth()) - imgSlider.Width;
    const double trackY = static_cast<double>(ScaleHeight()) - imgSlider.Height;
    imgSlider.Left = static_cast<float>(trackX * along);
    imgSlider.Top = static_cast<float>(trackY - trackY * along);
}

void ucSlider::UserControl_WriteProperties(platform::PropertyBag& PropBag) const {
    PropBag.WriteProperty(QStringLiteral("BackColor"), static_cast<uint>(BackColor()),
                          defaultBackColor);
    PropBag.WriteProperty(QStringLiteral("Enabled"), m_Enabled, true);
    PropBag.WriteProperty(QStringLiteral("MouseIcon"), QVariant::fromValue(MouseIcon()), noPicture);
    PropBag.WriteProperty(QStringLiteral("MousePointer"),
                          QVariant::fromValue(UserControl::MousePointer()),
                          QVariant::fromValue(short(0)));
    PropBag.WriteProperty(QStringLiteral("SliderImage"), QVariant::fromValue(imgSlider.Picture()),
                          noPicture);
    PropBag.WriteProperty(QStringLiteral("Orientation"), m_Orientation, vbVertical);
    PropBag.WriteProperty(QStringLiteral("RailImage"), QVariant::fromValue(imgRail.Picture()),
                          noPicture);
    PropBag.WriteProperty(QStringLiteral("RailStyle"), m_RailStyle, 0);
    PropBag.WriteProperty(QStringLiteral("ShowValueTip"), m_ShowValueTip, true);
    PropBag.WriteProperty(QStringLiteral("Min"), m_Min, 0);
    PropBag.WriteProperty(QStringLiteral("Max"), m_Max, 10);
    PropBag.WriteProperty(QStringLiteral("Value"), m_Value, 0);
}
