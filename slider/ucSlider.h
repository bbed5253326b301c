#pragma once
// A slider: a thumb on a rail, horizontal or vertical, standing for a whole
// number from Min to Max. The rail is a picture or a drawn groove, the thumb
// a picture or a drawn button. While the left button holds the thumb, the
// shared value tip shows the value next to it.
//
// A host window places it as a child and, before showing it, either calls
// UserControl_InitProperties (a new slider) or UserControl_ReadProperties
// (one restored from the window's design data), then sizes it with Move.
// Everything inside is in pixels; the outer size is in twips.
//
// With the focus, the arrow keys move the value one step, Page Up and Page
// Down ten, Home and End to Min and Max, each move with its Change.

#include <cstdint>
#include <optional>

#include "platform/host/DrawEdge.h"
#include "platform/host/PropertyBag.h"
#include "platform/host/UserControl.h"

class ucSlider : public platform::UserControl {
    Q_OBJECT

public:
    explicit ucSlider(QWidget* parent = nullptr);
    ~ucSlider() override;

    // Properties. Setters that refuse a value throw platform::VbError:
    // 380 for a value out of range, 6 for an overflow.
    bool Enabled() const { return m_Enabled; }
    void SetEnabled(bool enabled);
    platform::OLE_COLOR BackColor() const { return UserControl::BackColor(); }
    void SetBackColor(platform::OLE_COLOR color);
    std::int32_t MousePointer() const { return UserControl::MousePointer(); }
    void SetMousePointer(std::int32_t pointer);
    std::int32_t Max() const { return m_Max; }
    void SetMax(std::int32_t value);
    std::int32_t Min() const { return m_Min; }
    void SetMin(std::int32_t value);
    std::int32_t Value() const { return m_Value; }
    void SetValue(std::int32_t value);
    std::int32_t Orientation() const { return m_Orientation; }
    void SetOrientation(std::int32_t orientation);
    std::int32_t RailStyle() const { return m_RailStyle; }
    void SetRailStyle(std::int32_t style);
    const platform::StdPicture& SliderImage() const { return imgSlider.Picture(); }
    void SetSliderImage(platform::StdPicture picture);
    const platform::StdPicture& RailImage() const { return imgRail.Picture(); }
    void SetRailImage(platform::StdPicture picture);
    bool ShowValueTip() const { return m_ShowValueTip; }
    void SetShowValueTip(bool show);

    // Host notifications.
    void UserControl_InitProperties();
    void UserControl_ReadProperties(const platform::PropertyBag& PropBag);
    void UserControl_WriteProperties(platform::PropertyBag& PropBag) const;
    void UserControl_Resize() override;
    void UserControl_Show() override;
    void UserControl_MouseDown(short Button, short Shift, float X, float Y) override;
    void UserControl_MouseMove(short Button, short Shift, float X, float Y) override;
    void UserControl_MouseUp(short Button, short Shift, float X, float Y) override;
    void UserControl_KeyDown(short& KeyCode, short Shift) override;

    // Puts the thumb at the Min end.
    void ResetThumb();
    // The value for the thumb's place; the thumb snaps to that value's place.
    std::int32_t ThumbToValue();
    // Paints background, rail and thumb onto the kept surface.
    void DrawControl();
    // Fills, places and shows the value tip next to the thumb.
    void ShowTip();

    // Where the tip goes, in screen pixels, for a thumb inside a control
    // whose window rectangle is `window` and a label of the given size.
    static QPoint TipPlacement(std::int32_t orientation, const platform::ImageHolder& thumb,
                               const platform::user32::RECT& window, int labelWidth,
                               int labelHeight);

    // The thumb (its rectangle in pixels) and the rail picture.
    platform::ImageHolder imgSlider{0, 0, 16, 16};
    platform::ImageHolder imgRail{0, 0, 16, 17};

    // State as the drawing and the mouse handling see it.
    const platform::user32::RECT& RailRect() const { return m_RailRect; }
    const platform::user32::RECT& ThumbRect() const { return m_ThumbRect; }
    std::int32_t Range() const { return m_Range; }
    std::int32_t LastValue() const { return m_LastValue; }
    bool Dragging() const { return m_Dragging; }
    float GrabX() const { return m_GrabX; }
    float GrabY() const { return m_GrabY; }

signals:
    void Click();
    void ArrivedFirst();
    void ArrivedLast();
    void Change();
    void MouseDown(short& Shift);
    void MouseUp(short& Shift);

private:
    void UserControl_Initialize();
    void UserControl_Terminate();
    bool pictureRail() const;
    std::optional<float> thumbPosition(std::int32_t value) const;
    void valueChanged();
    void checkedRange(std::int32_t min, std::int32_t max) const;

    bool m_Dragging = false;
    float m_GrabX = 0;
    float m_GrabY = 0;
    std::int32_t m_Range = 10;
    std::int32_t m_LastValue = 0;
    std::int32_t m_TwipsPerPixelX = 15;
    std::int32_t m_TwipsPerPixelY = 15;
    bool m_Enabled = true;
    std::int32_t m_Orientation = 1;
    std::int32_t m_RailStyle = 0;
    bool m_ShowValueTip = true;
    std::int32_t m_Min = 0;
    std::int32_t m_Max = 10;
    std::int32_t m_Value = 0;
    platform::user32::RECT m_RailRect;
    platform::user32::RECT m_ThumbRect;
};
