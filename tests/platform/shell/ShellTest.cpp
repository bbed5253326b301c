// Reading the notification record, and what the shell says when it cannot
// show an icon (the offscreen platform has no notification area).

#include <QImage>
#include <QSystemTrayIcon>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/host/Form.h"
#include "platform/host/Picture.h"
#include "platform/shell/Shell32.h"

namespace shell = platform::shell;

namespace {

void put(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::vector<std::uint8_t> record(std::uint32_t size = 488, std::size_t length = 488) {
    std::vector<std::uint8_t> bytes(488, 0);
    put(bytes, 0, size);
    put(bytes, 4, 0x04a00007);
    put(bytes, 8, 1);
    put(bytes, 12, 7);
    put(bytes, 16, 0x200);
    put(bytes, 20, 0x80000001);
    std::memcpy(bytes.data() + 24, "Klankor\0 trailing", 17);
    bytes.resize(length);
    return bytes;
}

TEST(NotifyRecord, ReadsEachFieldAtItsOffset) {
    auto read = shell::ReadNotifyRecord(record());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->hWnd, 0x04a00007u);
    EXPECT_EQ(read->uID, 1u);
    EXPECT_EQ(read->uFlags, 7u);
    EXPECT_EQ(read->uCallbackMessage, 0x200u);
    EXPECT_EQ(read->hIcon, static_cast<std::int32_t>(0x80000001));
    EXPECT_EQ(read->szTip, "Klankor");

    // a tip without its zero keeps room for one; the next field is no tip
    auto bytes = record();
    std::memset(bytes.data() + 24, 'a', 129);
    read = shell::ReadNotifyRecord(bytes);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->szTip, std::string(127, 'a'));
}

TEST(NotifyRecord, RefusesRecordsThatDoNotHoldTheirFields) {
    EXPECT_FALSE(shell::ReadNotifyRecord({}));
    EXPECT_FALSE(shell::ReadNotifyRecord(record(488, 3)));
    EXPECT_FALSE(shell::ReadNotifyRecord(record(151)));       // ends inside the tip
    EXPECT_FALSE(shell::ReadNotifyRecord(record(489)));       // beyond the bytes
    EXPECT_FALSE(shell::ReadNotifyRecord(record(488, 200)));  // cut short
    // the older, shorter layouts that still hold the tip are read
    EXPECT_TRUE(shell::ReadNotifyRecord(record(152, 152)));
}

TEST(ShellNotifyIcon, FailsWhereNoNotificationAreaExists) {
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    platform::Form window(platform::Form::Kind::Hidden);
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(Qt::blue);
    const platform::StdPicture picture(image);
    auto bytes = record();
    put(bytes, 4, static_cast<std::uint32_t>(window.hWnd()));
    put(bytes, 20, static_cast<std::uint32_t>(picture.Handle()));
    EXPECT_EQ(shell::Shell_NotifyIconA(shell::NIM_ADD, bytes), 0);
    EXPECT_EQ(shell::NotifyIcon(static_cast<std::uint32_t>(window.hWnd()), 1), nullptr);
    EXPECT_EQ(shell::Shell_NotifyIconA(shell::NIM_MODIFY, bytes), 0);
    EXPECT_EQ(shell::Shell_NotifyIconA(shell::NIM_DELETE, bytes), 0);
    EXPECT_EQ(shell::Shell_NotifyIconA(7, bytes), 0);
}

}  // namespace
