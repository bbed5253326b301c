#pragma once
// The notification-icon record handed to Shell_NotifyIconA: the 488-byte ANSI
// layout with a 128-byte tip and the balloon fields. It is kept as the bytes
// themselves, so what goes to the shell is exactly what is set here; every
// number is 32-bit little-endian.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

class NotifyIconData {
public:
    static constexpr std::size_t kSize = 488;
    static constexpr std::size_t kTipSize = 128;

    void SetcbSize(std::uint32_t value) { put(0, value); }
    void SethWnd(std::uint32_t value) { put(4, value); }
    void SetuID(std::uint32_t value) { put(8, value); }
    void SetuFlags(std::uint32_t value) { put(12, value); }
    void SetuCallbackMessage(std::uint32_t value) { put(16, value); }
    void SethIcon(std::int32_t value) { put(20, static_cast<std::uint32_t>(value)); }
    // A fixed-length text field: the text, cut to the field, padded with
    // spaces. A caller that wants a terminated text passes its zero byte.
    void SetszTip(std::string_view text);
    void SetdwState(std::uint32_t value) { put(152, value); }
    void SetdwStateMask(std::uint32_t value) { put(156, value); }

    std::uint32_t cbSize() const { return get(0); }
    std::uint32_t hWnd() const { return get(4); }
    std::uint32_t uID() const { return get(8); }
    std::uint32_t uFlags() const { return get(12); }
    std::uint32_t uCallbackMessage() const { return get(16); }
    std::int32_t hIcon() const { return static_cast<std::int32_t>(get(20)); }

    std::span<const std::uint8_t, kSize> bytes() const { return bytes_; }

private:
    void put(std::size_t offset, std::uint32_t value);
    std::uint32_t get(std::size_t offset) const;

    std::array<std::uint8_t, kSize> bytes_{};
};
