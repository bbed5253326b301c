#pragma once
// The notification-icon record handed to Shell_NotifyIconA, kept as the
// bytes themselves, so what goes to the shell is exactly what is set here.
// The layout is the shell's own (platform/shell/NotifyIconLayout.h).

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "platform/shell/NotifyIconLayout.h"

class NotifyIconData {
    using Layout = platform::shell::NOTIFYICONDATAA;

public:
    static constexpr std::size_t kSize = sizeof(Layout);
    static constexpr std::size_t kTipSize = sizeof(Layout::szTip);

    void SetcbSize(std::uint32_t value) { put(offsetof(Layout, cbSize), value); }
    void SethWnd(std::uint32_t value) { put(offsetof(Layout, hWnd), value); }
    void SetuID(std::uint32_t value) { put(offsetof(Layout, uID), value); }
    void SetuFlags(std::uint32_t value) { put(offsetof(Layout, uFlags), value); }
    void SetuCallbackMessage(std::uint32_t value) {
        put(offsetof(Layout, uCallbackMessage), value);
    }
    void SethIcon(std::int32_t value) {
        put(offsetof(Layout, hIcon), static_cast<std::uint32_t>(value));
    }
    // A fixed-length text field: the text, cut to the field, padded with
    // spaces. A caller that wants a terminated text passes its zero byte.
    void SetszTip(std::string_view text);
    void SetdwState(std::uint32_t value) { put(offsetof(Layout, dwState), value); }
    void SetdwStateMask(std::uint32_t value) { put(offsetof(Layout, dwStateMask), value); }

    std::uint32_t cbSize() const { return get(offsetof(Layout, cbSize)); }
    std::uint32_t hWnd() const { return get(offsetof(Layout, hWnd)); }
    std::uint32_t uID() const { return get(offsetof(Layout, uID)); }
    std::uint32_t uFlags() const { return get(offsetof(Layout, uFlags)); }
    std::uint32_t uCallbackMessage() const { return get(offsetof(Layout, uCallbackMessage)); }
    std::int32_t hIcon() const { return static_cast<std::int32_t>(get(offsetof(Layout, hIcon))); }

    std::span<const std::uint8_t, kSize> bytes() const { return bytes_; }

private:
    void put(std::size_t offset, std::uint32_t value);
    std::uint32_t get(std::size_t offset) const;

    std::array<std::uint8_t, kSize> bytes_{};
};
