#pragma once
// A persistent drawing surface (AutoRedraw): what is drawn stays in an
// image until it is cleared, and the window system repaints the owner from
// that image whenever it is uncovered. Coordinates are pixels.

#include <QImage>
#include <QWidget>
#include <functional>

#include "platform/host/DrawEdge.h"
#include "platform/host/Picture.h"
#include "platform/host/SysColor.h"

namespace platform {

class Surface {
public:
    explicit Surface(QWidget* owner, OLE_COLOR backColor);

    OLE_COLOR BackColor() const { return backColor_; }
    void SetBackColor(OLE_COLOR color) { backColor_ = color; }

    // Follows the owner's size; kept drawing stays, new area is background.
    void Resize(QSize size);
    // Clears to the background colour.
    void Cls();
    // Draws the picture at its own size, top-left corner at (x, y).
    void PaintPicture(const StdPicture& picture, float x, float y);
    // Line (x1, y1)-(x2, y2), color, BF: both corners are inside the box.
    void FillBox(int x1, int y1, int x2, int y2, OLE_COLOR color);
    // Line (x1, y1)-(x2, y2), color: one pixel wide, the end point not drawn.
    void Line(int x1, int y1, int x2, int y2, OLE_COLOR color);
    // Runs f with a device context on the surface, for GDI-style drawing.
    void WithDc(const std::function<void(const user32::HDC&)>& f);

    const QImage& Image() const { return image_; }
    // Draws the kept picture onto the owner from its paint event.
    void Render(QPainter& painter, const QRect& area) const;
    // How many times the surface has been cleared: one per full redraw.
    int ClsCount() const { return clsCount_; }

private:
    QColor color(OLE_COLOR c) const;
    void changed();

    QWidget* owner_;
    OLE_COLOR backColor_;
    QImage image_;
    int clsCount_ = 0;
};

}  // namespace platform
