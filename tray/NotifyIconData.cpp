#include "tray/NotifyIconData.h"

#include <algorithm>

void NotifyIconData::put(std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        bytes_[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint32_t NotifyIconData::get(std::size_t offset) const {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(bytes_[offset + i]) << (8 * i);
    }
    return value;
}

void NotifyIconData::SetszTip(std::string_view text) {
    const std::size_t n = std::min(text.size(), kTipSize);
    auto tip = bytes_.begin() + offsetof(Layout, szTip);
    std::copy_n(text.begin(), n, tip);
    std::fill(tip + static_cast<std::ptrdiff_t>(n), tip + kTipSize, ' ');
}
