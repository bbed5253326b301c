#pragma once
// The notification-icon record that Shell_NotifyIconA takes, and the window
// messages its icon sends, written once for the tray window that fills the
// record and the shell that reads it. The record is the 488-byte ANSI layout
// of 32-bit Windows, with a 128-byte tip and the balloon fields; its numbers
// are 32-bit little-endian and go in and out byte by byte, so the struct
// below gives places and sizes only and never holds a record.

#include <cstddef>
#include <cstdint>

namespace platform::shell {

// Field by field as shellapi.h declares it, the handles 32 bits wide.
struct NOTIFYICONDATAA {
    std::uint32_t cbSize;
    std::uint32_t hWnd;
    std::uint32_t uID;
    std::uint32_t uFlags;
    std::uint32_t uCallbackMessage;
    std::uint32_t hIcon;
    char szTip[128];
    std::uint32_t dwState;
    std::uint32_t dwStateMask;
    char szInfo[256];
    std::uint32_t uTimeout;
    char szInfoTitle[64];
    std::uint32_t dwInfoFlags;
};

static_assert(sizeof(NOTIFYICONDATAA) == 488);
static_assert(offsetof(NOTIFYICONDATAA, cbSize) == 0);
static_assert(offsetof(NOTIFYICONDATAA, hWnd) == 4);
static_assert(offsetof(NOTIFYICONDATAA, uID) == 8);
static_assert(offsetof(NOTIFYICONDATAA, uFlags) == 12);
static_assert(offsetof(NOTIFYICONDATAA, uCallbackMessage) == 16);
static_assert(offsetof(NOTIFYICONDATAA, hIcon) == 20);
static_assert(offsetof(NOTIFYICONDATAA, szTip) == 24 && sizeof(NOTIFYICONDATAA::szTip) == 128);
static_assert(offsetof(NOTIFYICONDATAA, dwState) == 152);
static_assert(offsetof(NOTIFYICONDATAA, dwStateMask) == 156);
static_assert(offsetof(NOTIFYICONDATAA, szInfo) == 160 && sizeof(NOTIFYICONDATAA::szInfo) == 256);
static_assert(offsetof(NOTIFYICONDATAA, uTimeout) == 416);
static_assert(offsetof(NOTIFYICONDATAA, szInfoTitle) == 420 &&
              sizeof(NOTIFYICONDATAA::szInfoTitle) == 64);
static_assert(offsetof(NOTIFYICONDATAA, dwInfoFlags) == 484);

// uFlags: which of the fields are to be used.
inline constexpr std::uint32_t NIF_MESSAGE = 1;
inline constexpr std::uint32_t NIF_ICON = 2;
inline constexpr std::uint32_t NIF_TIP = 4;

// Window messages, as winuser.h numbers them. The icon calls back with the
// mouse-move message; the mouse message that happened on it is the parameter.
inline constexpr std::uint32_t WM_MOUSEMOVE = 0x200;      // 512
inline constexpr std::uint32_t WM_LBUTTONUP = 0x202;      // 514
inline constexpr std::uint32_t WM_LBUTTONDBLCLK = 0x203;  // 515
inline constexpr std::uint32_t WM_RBUTTONUP = 0x205;      // 517
inline constexpr std::uint32_t WM_MBUTTONUP = 0x208;      // 520

}  // namespace platform::shell
