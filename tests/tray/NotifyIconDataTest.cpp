// The notification record byte for byte, as the tray window fills it.

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <string>

#include "platform/host/Form.h"
#include "player/Hoofd.h"
#include "tray/Mnu.h"
#include "tray/NotifyIconData.h"

namespace {

std::uint32_t at(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset]) |
           static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

bool allZero(std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t b : bytes) {
        if (b != 0) return false;
    }
    return true;
}

TEST(NotifyIconData, NumbersAreLittleEndianAtTheirOffsets) {
    NotifyIconData nid;
    nid.SetcbSize(488);
    nid.SethWnd(0x01020304);
    nid.SetuID(0xA1B2C3D4);
    nid.SetuFlags(7);
    nid.SetuCallbackMessage(0x200);
    nid.SethIcon(-2);
    nid.SetdwState(0x11);
    nid.SetdwStateMask(0x22);
    const auto bytes = nid.bytes();
    ASSERT_EQ(bytes.size(), 488u);
    EXPECT_EQ(bytes[0], 0xE8);
    EXPECT_EQ(bytes[1], 0x01);
    EXPECT_EQ(at(bytes, 0), 488u);
    EXPECT_EQ(bytes[4], 0x04);
    EXPECT_EQ(bytes[7], 0x01);
    EXPECT_EQ(at(bytes, 8), 0xA1B2C3D4u);
    EXPECT_EQ(at(bytes, 12), 7u);
    EXPECT_EQ(at(bytes, 16), 0x200u);
    EXPECT_EQ(at(bytes, 20), 0xFFFFFFFEu);
    EXPECT_EQ(at(bytes, 152), 0x11u);
    EXPECT_EQ(at(bytes, 156), 0x22u);
    EXPECT_EQ(nid.hIcon(), -2);
    EXPECT_EQ(nid.uID(), 0xA1B2C3D4u);
}

TEST(NotifyIconData, TipIsAFixedFieldPaddedWithSpaces) {
    NotifyIconData nid;
    nid.SetdwState(0xFFFFFFFF);
    nid.SetuCallbackMessage(0xFFFFFFFF);
    using namespace std::string_view_literals;
    nid.SetszTip("Klankor\0"sv);
    const auto bytes = nid.bytes();
    EXPECT_EQ(std::string(bytes.begin() + 24, bytes.begin() + 32), std::string("Klankor\0", 8));
    EXPECT_EQ(std::string(bytes.begin() + 32, bytes.begin() + 152), std::string(120, ' '));
    // its neighbours are untouched
    EXPECT_EQ(at(bytes, 16), 0xFFFFFFFFu);
    EXPECT_EQ(at(bytes, 152), 0xFFFFFFFFu);

    // a long text is cut at the field's end; a shorter one clears the rest
    nid.SetszTip(std::string(300, 'x'));
    EXPECT_EQ(std::string(bytes.begin() + 24, bytes.begin() + 152), std::string(128, 'x'));
    EXPECT_EQ(at(bytes, 152), 0xFFFFFFFFu);
    nid.SetszTip("ab");
    EXPECT_EQ(std::string(bytes.begin() + 24, bytes.begin() + 152), "ab" + std::string(126, ' '));
}

TEST(NotifyIconData, TrayWindowFillsTheWholeRecordAtLoad) {
    Mnu& mnu = platform::Forms::Get<Mnu>();
    const auto bytes = Mnu::nid.bytes();
    EXPECT_EQ(at(bytes, 0), 488u);
    EXPECT_EQ(at(bytes, 4), static_cast<std::uint32_t>(mnu.hWnd()));
    EXPECT_NE(at(bytes, 4), 0u);
    EXPECT_EQ(at(bytes, 8), 1u);
    EXPECT_EQ(at(bytes, 12), 7u);
    EXPECT_EQ(at(bytes, 16), 512u);
    EXPECT_EQ(static_cast<std::int32_t>(at(bytes, 20)), mnu.Icon.Handle());
    EXPECT_NE(at(bytes, 20), 0u);
    EXPECT_EQ(std::string(bytes.begin() + 24, bytes.begin() + 152),
              std::string("Klankor\0", 8) + std::string(120, ' '));
    EXPECT_EQ(at(bytes, 152), 0u);
    EXPECT_EQ(at(bytes, 156), 0u);
    EXPECT_TRUE(allZero(bytes.subspan(160, 256)));  // balloon text
    EXPECT_EQ(at(bytes, 416), 0u);
    EXPECT_TRUE(allZero(bytes.subspan(420, 64)));  // balloon title
    EXPECT_EQ(at(bytes, 484), 0u);

    // the icon is the program's own: 32 x 32 at 24 bits
    EXPECT_EQ(mnu.Icon.Width(), 32);
    EXPECT_EQ(mnu.Icon.Height(), 32);
    EXPECT_FALSE(mnu.Icon.image().hasAlphaChannel());
    EXPECT_EQ(mnu.Caption(), "Mnu");
    EXPECT_FALSE(mnu.Visible());

    platform::Forms::Unload<Mnu>();
    platform::Forms::Unload<Hoofd>();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace
