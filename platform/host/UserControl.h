#pragma once
// The base of the program's own controls: a child widget whose outer size
// the host sees in twips and whose inside is measured in pixels, with a
// persistent drawing surface and mouse notifications that keep coming to it
// while a button is held (the press captures the mouse until the release).
// Tab gives it the focus, and then its keys.

#include <QCursor>
#include <QWidget>

#include "platform/host/Picture.h"
#include "platform/host/Surface.h"

namespace platform {

// An invisible image holder inside a control: a picture and a rectangle in
// the control's pixels. Given a picture it takes the picture's size.
class ImageHolder {
public:
    ImageHolder(float left, float top, float width, float height)
        : Left(left), Top(top), Width(width), Height(height) {}
    const StdPicture& Picture() const { return picture_; }
    void SetPicture(StdPicture picture);

    float Left, Top, Width, Height;

private:
    StdPicture picture_;
};

class UserControl : public QWidget {
    Q_OBJECT

public:
    explicit UserControl(QWidget* parent);
    ~UserControl() override;

    // Outer size and place, in twips, as the host sees them.
    float Width() const;
    float Height() const;
    void SetWidth(float twips);
    void SetHeight(float twips);
    void Size(float width, float height);
    void Move(float left, float top, float width, float height);

    // Inner size in pixels.
    float ScaleWidth() const { return static_cast<float>(width()); }
    float ScaleHeight() const { return static_cast<float>(height()); }

    OLE_COLOR BackColor() const { return surface_.BackColor(); }
    // Takes effect at the next Cls.
    void SetBackColor(OLE_COLOR color) { surface_.SetBackColor(color); }

    short MousePointer() const { return mousePointer_; }
    void SetMousePointer(short pointer);
    const StdPicture& MouseIcon() const { return mouseIcon_; }
    void SetMouseIcon(StdPicture icon);

    Surface& Canvas() { return surface_; }
    const Surface& Canvas() const { return surface_; }

protected:
    // Notifications from the host; a control overrides those it handles.
    virtual void UserControl_Resize() {}
    virtual void UserControl_Show() {}
    virtual void UserControl_MouseDown(short Button, short Shift, float X, float Y);
    virtual void UserControl_MouseMove(short Button, short Shift, float X, float Y);
    virtual void UserControl_MouseUp(short Button, short Shift, float X, float Y);
    // Setting KeyCode to 0 takes the key; a key left alone goes to the host.
    virtual void UserControl_KeyDown(short& KeyCode, short Shift);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void setPixelSize(QSize size);
    void applyCursor();
    template <class F>
    void guarded(const char* what, F&& f);

    Surface surface_;
    short mousePointer_ = 0;
    StdPicture mouseIcon_;
    QSize notified_{-1, -1};
};

}  // namespace platform
