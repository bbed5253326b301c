#include "platform/host/WindowPos.h"

namespace platform::user32 {

bool GetWindowRect(HWND hWnd, RECT* lpRect) {
    if (!hWnd || !lpRect) return false;
    // A top-level window's rectangle includes its frame; a child has none.
    const QRect frame = hWnd->isWindow() ? hWnd->frameGeometry() : hWnd->rect();
    const QPoint origin = hWnd->isWindow() ? frame.topLeft() : hWnd->mapToGlobal(QPoint(0, 0));
    *lpRect = RECT{origin.x(), origin.y(), origin.x() + frame.width(), origin.y() + frame.height()};
    return true;
}

bool SetWindowPos(HWND hWnd, HWND, int X, int Y, int cx, int cy, unsigned uFlags) {
    if (!hWnd) return false;
    if (!(uFlags & SWP_NOMOVE)) hWnd->move(X, Y);
    if (!(uFlags & SWP_NOSIZE)) hWnd->resize(std::max(0, cx), std::max(0, cy));
    if (uFlags & SWP_HIDEWINDOW) {
        hWnd->hide();
        return true;
    }
    const bool quiet = uFlags & SWP_NOACTIVATE;
    if (uFlags & SWP_SHOWWINDOW) {
        const bool before = hWnd->testAttribute(Qt::WA_ShowWithoutActivating);
        if (quiet) hWnd->setAttribute(Qt::WA_ShowWithoutActivating);
        hWnd->show();
        if (quiet) hWnd->setAttribute(Qt::WA_ShowWithoutActivating, before);
    }
    if (!(uFlags & SWP_NOZORDER)) hWnd->raise();
    if (!quiet && hWnd->isVisible()) hWnd->activateWindow();
    return true;
}

}  // namespace platform::user32
