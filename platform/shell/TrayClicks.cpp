#include "platform/shell/TrayClicks.h"

#include <QGuiApplication>
#include <QMouseEvent>

#include "platform/shell/NotifyIconLayout.h"

namespace platform::shell {

void TrayClicks::activated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger: onRelease(Qt::LeftButton, WM_LBUTTONUP); break;
        case QSystemTrayIcon::Context: onRelease(Qt::RightButton, WM_RBUTTONUP); break;
        case QSystemTrayIcon::MiddleClick: onRelease(Qt::MiddleButton, WM_MBUTTONUP); break;
        case QSystemTrayIcon::DoubleClick:
            // The second press of a double click; its release is a button-up
            // of its own. Qt may already have reported the press as a click.
            emit message(WM_LBUTTONDBLCLK);
            if (pending_ != Qt::LeftButton) onRelease(Qt::LeftButton, WM_LBUTTONUP);
            break;
        case QSystemTrayIcon::Unknown: break;
    }
}

void TrayClicks::onRelease(Qt::MouseButton button, std::uint32_t number) {
    if (!(QGuiApplication::mouseButtons() & button)) {
        stopWaiting();
        emit message(number);
        return;
    }
    if (pending_ == Qt::NoButton) qApp->installEventFilter(this);
    pending_ = button;
    pendingMessage_ = number;
}

void TrayClicks::stopWaiting() {
    if (pending_ == Qt::NoButton) return;
    pending_ = Qt::NoButton;
    qApp->removeEventFilter(this);
}

bool TrayClicks::eventFilter(QObject*, QEvent* event) {
    if (pending_ == Qt::NoButton) return false;
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == pending_) {
        // A release reaches the window and then its widget: the first ends
        // the wait, so the click is told once.
        const std::uint32_t number = pendingMessage_;
        stopWaiting();
        emit message(number);
    } else if (event->type() == QEvent::MouseButtonPress) {
        // A new press before the release means the release went elsewhere:
        // that click is lost, as it would be on Windows.
        stopWaiting();
    }
    return false;
}

}  // namespace platform::shell
