// The notification record byte for byte, as the tray window fills it.

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <string>

#include "platform/host/Form.h"
#include "tray/Mnu.h"
#include "tray/NotifyIconData.h"

namespace {

std::uint32_t at(std::span<const std::uint8_t> bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(bytes[offset + i]) << (8 * i);
    return value;
}

std::string text(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t size) {
    return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                       bytes.begin() + static_cast<std::ptrdiff_t>(offset + size));
}

TEST(NotifyIconData, TrayWindowFillsTheWholeRecordAtLoad) {
    Mnu& mnu = platform::Forms::Get<Mnu>();
    const auto bytes = Mnu::nid.bytes();
    ASSERT_EQ(bytes.size(), 488u);
    EXPECT_EQ(bytes[0], 0xE8);  // 488, little-endian
    EXPECT_EQ(bytes[1], 0x01);
    EXPECT_EQ(at(bytes, 0), 488u);
    EXPECT_EQ(at(bytes, 4), static_cast<std::uint32_t>(mnu.hWnd()));
    EXPECT_NE(at(bytes, 4), 0u);
    EXPECT_EQ(at(bytes, 8), 1u);
    EXPECT_EQ(at(bytes, 12), 7u);
    EXPECT_EQ(at(bytes, 16), 512u);
    EXPECT_EQ(static_cast<std::int32_t>(at(bytes, 20)), mnu.Icon.Handle());
    EXPECT_NE(at(bytes, 20), 0u);
    EXPECT_EQ(text(bytes, 24, 128), std::string("Klankor\0", 8) + std::string(120, ' '));
    EXPECT_EQ(at(bytes, 152), 0u);
    EXPECT_EQ(at(bytes, 156), 0u);
    EXPECT_EQ(text(bytes, 160, 256), std::string(256, '\0'));  // balloon text
    EXPECT_EQ(at(bytes, 416), 0u);
    EXPECT_EQ(text(bytes, 420, 64), std::string(64, '\0'));  // balloon title
    EXPECT_EQ(at(bytes, 484), 0u);

    // the icon is the program's own, 32 x 32 without alpha; the window stays hidden
    EXPECT_EQ(mnu.Icon.Width(), 32);
    EXPECT_EQ(mnu.Icon.Height(), 32);
    EXPECT_FALSE(mnu.Icon.image().hasAlphaChannel());
    EXPECT_EQ(mnu.Caption(), "Mnu");
    EXPECT_FALSE(mnu.Visible());
    platform::Forms::Unload<Mnu>();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(NotifyIconData, FieldsStayInTheirPlace) {
    NotifyIconData nid;
    nid.SetuCallbackMessage(0xA1B2C3D4);
    nid.SetdwState(0xFFFFFFFF);
    nid.SethIcon(-2);
    nid.SetszTip(std::string(300, 'x'));  // cut at the field's end
    const auto bytes = nid.bytes();
    EXPECT_EQ(text(bytes, 24, 128), std::string(128, 'x'));
    EXPECT_EQ(at(bytes, 16), 0xA1B2C3D4u);
    EXPECT_EQ(at(bytes, 20), 0xFFFFFFFEu);
    EXPECT_EQ(at(bytes, 152), 0xFFFFFFFFu);
    nid.SetszTip("ab");  // a shorter text clears the rest
    EXPECT_EQ(text(bytes, 24, 128), "ab" + std::string(126, ' '));
}

}  // namespace
