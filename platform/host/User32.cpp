#include "platform/host/User32.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace platform::user32 {
namespace {

// Without a window manager that takes the move, the window follows the
// mouse itself until the button is released.
class ManualMove : public QObject {
public:
    explicit ManualMove(QWidget* window)
        : QObject(window),
          window_(window),
          grab_(QCursor::pos() - window->frameGeometry().topLeft()) {
        qApp->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseMove) {
            window_->move(QCursor::pos() - grab_);
        } else if (event->type() == QEvent::MouseButtonRelease) {
            deleteLater();
        }
        return false;
    }

private:
    QWidget* window_;
    QPoint grab_;
};

}  // namespace

bool ReleaseCapture() {
    if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
    return true;
}

std::intptr_t SendMessageA(quintptr hWnd, std::uint32_t msg, std::intptr_t wParam, std::intptr_t) {
    if (msg != WM_NCLBUTTONDOWN || wParam != HTCAPTION) return 0;
    QWidget* widget = QWidget::find(static_cast<WId>(hWnd));
    if (!widget) return 0;
    QWidget* window = widget->window();
    QWindow* handle = window->windowHandle();
    if (!handle || !handle->startSystemMove()) new ManualMove(window);
    return 0;
}

}  // namespace platform::user32
