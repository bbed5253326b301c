#include "platform/host/Surface.h"

#include <QPainter>
#include <cmath>

#include "platform/host/Rounding.h"

namespace platform {

Surface::Surface(QWidget* owner, OLE_COLOR backColor) : owner_(owner), backColor_(backColor) {
    Resize(owner->size());
}

QColor Surface::color(OLE_COLOR c) const {
    return TranslateColor(c, owner_->palette());
}

void Surface::changed() {
    owner_->update();
}

void Surface::Resize(QSize size) {
    size = size.expandedTo(QSize(0, 0));
    if (!image_.isNull() && image_.size() == size) return;
    QImage grown(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    grown.fill(color(backColor_));
    if (!image_.isNull()) {
        QPainter p(&grown);
        p.drawImage(0, 0, image_);
    }
    image_ = std::move(grown);
}

void Surface::Cls() {
    ++clsCount_;
    image_.fill(color(backColor_));
    changed();
}

void Surface::PaintPicture(const StdPicture& picture, float x, float y) {
    if (picture.isNull()) return;
    QPainter p(&image_);
    p.drawImage(QPoint(RoundHalfEven(x), RoundHalfEven(y)), picture.image());
    changed();
}

void Surface::FillBox(int x1, int y1, int x2, int y2, OLE_COLOR c) {
    const QRect box = QRect(QPoint(x1, y1), QPoint(x2, y2)).normalized();
    QPainter p(&image_);
    p.fillRect(box, color(c));
    changed();
}

void Surface::Line(int x1, int y1, int x2, int y2, OLE_COLOR c) {
    if (x1 == x2 && y1 == y2) return;
    QPainter p(&image_);
    p.setPen(QPen(color(c), 1));
    // Drawn to the end point, which is then covered again with what was
    // there: GDI leaves the last pixel of a line alone.
    const QRgb keep = image_.valid(x2, y2) ? image_.pixel(x2, y2) : 0;
    p.drawLine(x1, y1, x2, y2);
    p.end();
    if (image_.valid(x2, y2)) image_.setPixel(x2, y2, keep);
    changed();
}

void Surface::WithDc(const std::function<void(const user32::HDC&)>& f) {
    QPainter p(&image_);
    f(user32::HDC{&p, owner_->palette()});
    p.end();
    changed();
}

void Surface::Render(QPainter& painter, const QRect& area) const {
    painter.drawImage(area, image_, area);
}

}  // namespace platform
