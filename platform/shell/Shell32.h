#pragma once
// shell32's notification-area call over QSystemTrayIcon: a StatusNotifierItem
// host or an XEmbed tray shows the icons. The icon's mouse events come back
// to the window named in the record as its callback message, the mouse
// message number in the parameter; for the mouse-move callback that is a
// Form_MouseMove whose X is the number in twips.

#include <QtGlobal>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/shell/NotifyIconLayout.h"

class QSystemTrayIcon;

namespace platform::shell {

using BOOL = std::int32_t;  // 1 for success, 0 for failure

inline constexpr std::uint32_t NIM_ADD = 0;
inline constexpr std::uint32_t NIM_MODIFY = 1;
inline constexpr std::uint32_t NIM_DELETE = 2;

// The fields of a notification record that the shell reads. The record's
// first four bytes give its size; a record too short to hold the tip is
// refused.
struct NotifyRecord {
    std::uint32_t hWnd = 0;
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    std::int32_t hIcon = 0;
    std::string szTip;  // up to the first zero byte, at most 127 characters
};
std::optional<NotifyRecord> ReadNotifyRecord(std::span<const std::uint8_t> record);

// Adds, changes or removes the icon keyed by the record's window handle and
// identifier. FALSE when there is no notification area, the record is
// malformed, the window or icon handle is unknown, the icon to add exists
// already, or the icon to change or remove does not.
BOOL Shell_NotifyIconA(std::uint32_t dwMessage, std::span<const std::uint8_t> lpData);

// The live icon of a window handle and identifier, or null: for tests.
QSystemTrayIcon* NotifyIcon(std::uint32_t hWnd, std::uint32_t uID);

}  // namespace platform::shell
