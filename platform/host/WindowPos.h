#pragma once
// GetWindowRect and SetWindowPos by their Windows names, for widgets: a
// window handle here is the widget itself.

#include <QWidget>
#include <cstdint>

#include "platform/host/DrawEdge.h"

namespace platform::user32 {

using HWND = QWidget*;

inline constexpr HWND HWND_TOP = nullptr;
inline constexpr unsigned SWP_NOSIZE = 0x1;
inline constexpr unsigned SWP_NOMOVE = 0x2;
inline constexpr unsigned SWP_NOZORDER = 0x4;
inline constexpr unsigned SWP_NOACTIVATE = 0x10;
inline constexpr unsigned SWP_SHOWWINDOW = 0x40;
inline constexpr unsigned SWP_HIDEWINDOW = 0x80;

// The widget's outer rectangle in screen pixels. False for no widget.
bool GetWindowRect(HWND hWnd, RECT* lpRect);

// Moves, sizes, raises, shows or hides a window as the flags say. Only
// HWND_TOP is understood as the place in the z-order. With SWP_NOACTIVATE
// a window that is shown does not take the focus.
bool SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, unsigned uFlags);

}  // namespace platform::user32
