#pragma once
// Window-manager calls the program makes by their Windows names. Moving a
// window by its caption is handed to the window manager.

#include <QtGlobal>
#include <cstdint>

namespace platform::user32 {

inline constexpr std::uint32_t WM_NCLBUTTONDOWN = 0xA1;
inline constexpr std::intptr_t HTCAPTION = 2;

// Ends any mouse grab of this program.
bool ReleaseCapture();
// Only WM_NCLBUTTONDOWN with HTCAPTION is understood: the window follows the
// mouse until the button is released. Returns 0 as Windows does.
std::intptr_t SendMessageA(quintptr hWnd, std::uint32_t msg, std::intptr_t wParam,
                           std::intptr_t lParam);

}  // namespace platform::user32
