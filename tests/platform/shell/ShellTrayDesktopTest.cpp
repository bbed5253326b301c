// The shell's notification icons in a real tray (trayer, an XEmbed
// notification area), clicked with the real pointer.

#include <QSignalSpy>
#include <QSystemTrayIcon>

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "TrayHost.h"
#include "platform/host/Form.h"
#include "platform/host/Picture.h"
#include "platform/shell/Shell32.h"
#include "support/Desktop.h"

namespace shell = platform::shell;

namespace {

// A window that notes the X of each mouse move it is sent.
class Listener : public platform::Form {
public:
    Listener() : Form(Kind::Hidden) {}
    void Form_MouseMove(short Button, short Shift, float X, float Y) override {
        EXPECT_EQ(Button, 0);
        EXPECT_EQ(Shift, 0);
        EXPECT_EQ(Y, 0);
        xs.push_back(X);
    }
    std::vector<float> xs;
};

std::array<std::uint8_t, 488> record(platform::Form& window, std::uint32_t id, std::int32_t icon,
                                     const char* tip) {
    std::array<std::uint8_t, 488> bytes{};
    const std::uint32_t fields[] = {488,   static_cast<std::uint32_t>(window.hWnd()), id, 7,
                                    0x200, static_cast<std::uint32_t>(icon)};
    for (std::size_t f = 0; f < 6; ++f) {
        for (std::size_t i = 0; i < 4; ++i)
            bytes[4 * f + i] = static_cast<std::uint8_t>(fields[f] >> (8 * i));
    }
    std::memcpy(bytes.data() + 24, tip, std::strlen(tip) + 1);
    return bytes;
}

class ShellTray : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QSystemTrayIcon::isSystemTrayAvailable()) << "run under with-desktop --tray";
        ASSERT_TRUE(trayhost::WaitForIcons(0)) << trayhost::Tree().toStdString();
        QImage image(32, 32, QImage::Format_RGB888);
        image.fill(Qt::blue);
        blue = platform::StdPicture(image);
    }
    void TearDown() override {
        for (std::uint32_t id : {1u, 2u})
            shell::Shell_NotifyIconA(shell::NIM_DELETE, record(window, id, 0, ""));
        trayhost::WaitForIcons(0);
    }
    Listener window;
    platform::StdPicture blue;
};

TEST_F(ShellTray, IconsAreKeyedByWindowAndIdentifier) {
    auto first = record(window, 1, blue.Handle(), "Klankor");
    ASSERT_EQ(shell::Shell_NotifyIconA(shell::NIM_ADD, first), 1);
    ASSERT_TRUE(trayhost::WaitForIcons(1)) << trayhost::Tree().toStdString();
    QSystemTrayIcon* icon = shell::NotifyIcon(static_cast<std::uint32_t>(window.hWnd()), 1);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->toolTip(), "Klankor");
    EXPECT_EQ(shell::Shell_NotifyIconA(shell::NIM_ADD, first), 0);  // there already
    // an unknown window or picture handle is refused
    auto stray = record(window, 2, 0x7ffffff0, "x");
    EXPECT_EQ(shell::Shell_NotifyIconA(shell::NIM_ADD, stray), 0);
    const auto second = record(window, 2, blue.Handle(), "Tweede");
    ASSERT_EQ(shell::Shell_NotifyIconA(shell::NIM_ADD, second), 1);
    ASSERT_TRUE(trayhost::WaitForIcons(2));

    EXPECT_EQ(
        shell::Shell_NotifyIconA(shell::NIM_MODIFY, record(window, 1, blue.Handle(), "Nieuw")), 1);
    EXPECT_EQ(icon->toolTip(), "Nieuw");
    EXPECT_EQ(shell::Shell_NotifyIconA(shell::NIM_DELETE, second), 1);
    EXPECT_TRUE(trayhost::WaitForIcons(1));
    EXPECT_EQ(shell::Shell_NotifyIconA(shell::NIM_DELETE, second), 0);
    EXPECT_EQ(shell::Shell_NotifyIconA(shell::NIM_MODIFY, second), 0);

    // an icon goes with its window
    auto* other = new Listener;
    ASSERT_EQ(shell::Shell_NotifyIconA(shell::NIM_ADD, record(*other, 1, blue.Handle(), "weg")), 1);
    ASSERT_TRUE(trayhost::WaitForIcons(2));
    delete other;
    EXPECT_TRUE(trayhost::WaitForIcons(1));
}

TEST_F(ShellTray, ClicksReachTheWindowOnceEachOnTheRelease) {
    ASSERT_EQ(shell::Shell_NotifyIconA(shell::NIM_ADD, record(window, 1, blue.Handle(), "Klankor")),
              1);
    QSystemTrayIcon* qt = shell::NotifyIcon(static_cast<std::uint32_t>(window.hWnd()), 1);
    ASSERT_NE(qt, nullptr);
    ASSERT_TRUE(trayhost::WaitForIconOf(*qt)) << trayhost::Tree().toStdString();
    const trayhost::Window icon = trayhost::Icons().at(0);
    QSignalSpy pressed(qt, &QSystemTrayIcon::activated);

    ASSERT_TRUE(trayhost::Press(icon, 1));
    ASSERT_TRUE(desktop::WaitFor([&] { return pressed.count() == 1; }));
    EXPECT_TRUE(window.xs.empty()) << "the press alone is no click";
    ASSERT_TRUE(trayhost::Release(1));
    // a move over the icon is nothing the program hears of: the right click
    // after it comes straight after the left one
    ASSERT_TRUE(trayhost::Xdotool({"mousemove_relative", "--", "2", "2"}));
    ASSERT_TRUE(trayhost::Click(icon, 3));
    EXPECT_TRUE(desktop::WaitFor([&] { return window.xs.size() >= 2; }));
    EXPECT_EQ(window.xs, (std::vector<float>{514 * 15, 517 * 15}));
}

}  // namespace
