#include "platform/host/UserControl.h"

#include <QMouseEvent>
#include <QPainter>
#include <exception>

#include "platform/host/Form.h"
#include "platform/host/Rounding.h"
#include "platform/host/Screen.h"
#include "platform/host/VbError.h"

namespace platform {
namespace {

short buttonsCode(Qt::MouseButtons buttons) {
    short code = 0;
    for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        if (buttons & b) code |= ButtonCode(b);
    }
    return code;
}

}  // namespace

void ImageHolder::SetPicture(StdPicture picture) {
    picture_ = std::move(picture);
    if (picture_.isNull()) return;
    Width = static_cast<float>(picture_.Width());
    Height = static_cast<float>(picture_.Height());
}

UserControl::UserControl(QWidget* parent) : QWidget(parent), surface_(this, vbButtonFace) {
    // The surface paints every pixel; nothing underneath needs drawing.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Tab reaches it; a click leaves the focus where it was.
    setFocusPolicy(Qt::TabFocus);
    // A control has no size until its host gives it one.
    resize(0, 0);
    notified_ = size();
    surface_.Resize(size());
}

UserControl::~UserControl() = default;

float UserControl::Width() const {
    return static_cast<float>(width()) * Screen::TwipsPerPixelX();
}
float UserControl::Height() const {
    return static_cast<float>(height()) * Screen::TwipsPerPixelY();
}

void UserControl::SetWidth(float twips) {
    setPixelSize(QSize(TwipsToPixels(twips, Screen::TwipsPerPixelX()), height()));
}

void UserControl::SetHeight(float twips) {
    setPixelSize(QSize(width(), TwipsToPixels(twips, Screen::TwipsPerPixelY())));
}

void UserControl::Size(float width, float height) {
    setPixelSize(QSize(TwipsToPixels(width, Screen::TwipsPerPixelX()),
                       TwipsToPixels(height, Screen::TwipsPerPixelY())));
}

void UserControl::Move(float left, float top, float width, float height) {
    move(TwipsToPixels(left, Screen::TwipsPerPixelX()),
         TwipsToPixels(top, Screen::TwipsPerPixelY()));
    Size(width, height);
}

void UserControl::setPixelSize(QSize size) {
    size = size.expandedTo(QSize(0, 0));
    resize(size);
    // A hidden widget hears of its new size only when shown; the control's
    // own sizing must run now, as it would on a visible one.
    if (size != notified_) {
        QResizeEvent event(size, notified_);
        resizeEvent(&event);
    }
}

void UserControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (size() == notified_) return;
    notified_ = size();
    surface_.Resize(size());
    guarded("Resize", [this] { UserControl_Resize(); });
}

void UserControl::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (size() != notified_) {
        QResizeEvent resize(size(), notified_);
        resizeEvent(&resize);
    }
    if (!event->spontaneous()) guarded("Show", [this] { UserControl_Show(); });
}

void UserControl::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    surface_.Render(painter, event->rect());
}

void UserControl::SetMousePointer(short pointer) {
    mousePointer_ = pointer;
    applyCursor();
}

void UserControl::SetMouseIcon(StdPicture icon) {
    mouseIcon_ = std::move(icon);
    applyCursor();
}

void UserControl::applyCursor() {
    static const Qt::CursorShape shapes[] = {
        Qt::ArrowCursor,     Qt::ArrowCursor,   Qt::CrossCursor,     Qt::IBeamCursor,
        Qt::ArrowCursor,     Qt::SizeAllCursor, Qt::SizeBDiagCursor, Qt::SizeVerCursor,
        Qt::SizeFDiagCursor, Qt::SizeHorCursor, Qt::UpArrowCursor,   Qt::WaitCursor,
        Qt::ForbiddenCursor, Qt::BusyCursor,    Qt::WhatsThisCursor, Qt::SizeAllCursor};
    constexpr short vbCustom = 99;
    if (mousePointer_ == vbCustom && !mouseIcon_.isNull()) {
        setCursor(QCursor(mouseIcon_.pixmap()));
    } else if (mousePointer_ > 0 && mousePointer_ < static_cast<short>(std::size(shapes))) {
        setCursor(shapes[mousePointer_]);
    } else {
        unsetCursor();
    }
}

void UserControl::UserControl_MouseDown(short, short, float, float) {}
void UserControl::UserControl_MouseMove(short, short, float, float) {}
void UserControl::UserControl_MouseUp(short, short, float, float) {}
void UserControl::UserControl_KeyDown(short&, short) {}

// An error raised in a handler would otherwise unwind through Qt's event
// loop, which it must never do; it ends here, loudly, as an unhandled error
// in an event handler.
template <class F>
void UserControl::guarded(const char* what, F&& f) {
    try {
        f();
    } catch (const VbError& e) {
        qCritical("%s: unhandled error %d in %s: %s", qPrintable(objectName()), e.Number(), what,
                  e.what());
    } catch (const std::exception& e) {
        qCritical("%s: unhandled error in %s: %s", qPrintable(objectName()), what, e.what());
    }
}

void UserControl::keyPressEvent(QKeyEvent* event) {
    const bool taken = HandKeyDown(event, [this](short& KeyCode, short Shift) {
        guarded("KeyDown", [&] { UserControl_KeyDown(KeyCode, Shift); });
    });
    if (!taken) QWidget::keyPressEvent(event);
}

void UserControl::mousePressEvent(QMouseEvent* event) {
    // Qt sends the moves and the release to the widget that got the press,
    // wherever the pointer goes, until every button is up: the capture.
    const QPointF p = event->position();
    guarded("MouseDown", [&] {
        UserControl_MouseDown(ButtonCode(event->button()), ShiftCode(event->modifiers()),
                              static_cast<float>(p.x()), static_cast<float>(p.y()));
    });
}

void UserControl::mouseMoveEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    guarded("MouseMove", [&] {
        UserControl_MouseMove(buttonsCode(event->buttons()), ShiftCode(event->modifiers()),
                              static_cast<float>(p.x()), static_cast<float>(p.y()));
    });
}

void UserControl::mouseReleaseEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    guarded("MouseUp", [&] {
        UserControl_MouseUp(ButtonCode(event->button()), ShiftCode(event->modifiers()),
                            static_cast<float>(p.x()), static_cast<float>(p.y()));
    });
}

}  // namespace platform
