// The shell's notification icons in a real tray (trayer, an XEmbed
// notification area), clicked with the real pointer.

#include <QSystemTrayIcon>
#include <QTest>

#include <gtest/gtest.h>

#include "TrayHost.h"
#include "platform/host/Form.h"
#include "platform/host/Picture.h"
#include "platform/shell/Shell32.h"

namespace shell = platform::shell;

namespace {

// A window that notes the mouse moves it is sent.
class Listener : public platform::Form {
public:
    Listener() : Form(Kind::Hidden) {}
    void Form_MouseMove(short Button, short Shift, float X, float Y) override {
        moves.push_back({Button, Shift, X, Y});
    }
    struct Move {
        short button, shift;
        float x, y;
    };
    std::vector<Move> moves;
};

class Record {
public:
    Record(std::uint32_t hWnd, std::uint32_t id, std::int32_t icon, const char* tip) {
        put(0, 488);
        put(4, hWnd);
        put(8, id);
        put(12, shell::NIF_MESSAGE | shell::NIF_ICON | shell::NIF_TIP);
        put(16, shell::WM_MOUSEMOVE);
        put(20, static_cast<std::uint32_t>(icon));
        setTip(tip);
    }
    void put(std::size_t offset, std::uint32_t value) {
        for (std::size_t i = 0; i < 4; ++i)
            bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    void setTip(const char* tip) {
        std::fill(bytes.begin() + 24, bytes.begin() + 152, ' ');
        std::copy(tip, tip + std::strlen(tip) + 1, bytes.begin() + 24);
    }
    std::array<std::uint8_t, 488> bytes{};
};

platform::StdPicture picture(Qt::GlobalColor colour) {
    QImage image(32, 32, QImage::Format_RGB888);
    image.fill(colour);
    return platform::StdPicture(image);
}

class ShellTray : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QSystemTrayIcon::isSystemTrayAvailable())
            << "no tray: run under with-desktop --tray";
        ASSERT_TRUE(trayhost::WaitForIcons(0)) << trayhost::Tree().toStdString();
        hWnd = static_cast<std::uint32_t>(window.hWnd());
    }
    void TearDown() override {
        shell::Shell_NotifyIconA(shell::NIM_DELETE, Record(hWnd, 1, 0, "").bytes);
        shell::Shell_NotifyIconA(shell::NIM_DELETE, Record(hWnd, 2, 0, "").bytes);
        trayhost::WaitForIcons(0);
    }
    Listener window;
    std::uint32_t hWnd = 0;
    platform::StdPicture blue = picture(Qt::blue);
};

TEST_F(ShellTray, AddChangeAndDeleteShowInTheTray) {
    Record record(hWnd, 1, blue.Handle(), "Klankor");
    ASSERT_EQ(shell::Shell_NotifyIconA(shell::NIM_ADD, record.bytes), 1);
    ASSERT_TRUE(trayhost::WaitForIcons(1)) << trayhost::Tree().toStdString();
    QSystemTrayIcon* icon = shell::NotifyIcon(hWnd, 1);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->toolTip(), "Klankor");
    // one icon per window and identifier
    EXPECT_EQ(shell::Shell_NotifyIconA(shell::NIM_ADD, record.bytes), 0);
    Record second(hWnd, 2, blue.Handle(), "Tweede");
    ASSERT_EQ(shell::Shell_NotifyIconA(shell::NIM_ADD, second.bytes), 1);
    ASSERT_TRUE(trayhost::WaitForIcons(2));

    record.setTip("Nieuw");
    EXPECT_EQ(shell::Shell_NotifyIconA(shell::NIM_MODIFY, record.bytes), 1);
    EXPECT_EQ(icon->toolTip(), "Nieuw");

    EXPECT_EQ(shell::Shell_NotifyIconA(shell::NIM_DELETE, second.bytes), 1);
    EXPECT_TRUE(trayhost::WaitForIcons(1));
    EXPECT_EQ(shell::Shell_NotifyIconA(shell::NIM_DELETE, record.bytes), 1);
    EXPECT_TRUE(trayhost::WaitForIcons(0));
    EXPECT_EQ(shell::Shell_NotifyIconA(shell::NIM_DELETE, record.bytes), 0);
    EXPECT_EQ(shell::Shell_NotifyIconA(shell::NIM_MODIFY, record.bytes), 0);
}

TEST_F(ShellTray, RefusesUnknownWindowsAndIcons) {
    EXPECT_EQ(
        shell::Shell_NotifyIconA(shell::NIM_ADD, Record(0x7ffffff0, 1, blue.Handle(), "x").bytes),
        0);
    EXPECT_EQ(shell::Shell_NotifyIconA(shell::NIM_ADD, Record(hWnd, 1, 0x7ffffff0, "x").bytes), 0);
    QTest::qWait(200);
    EXPECT_TRUE(trayhost::Icons().isEmpty());
}

TEST_F(ShellTray, ClicksReachTheWindowOnceEachOnTheRelease) {
    ASSERT_EQ(
        shell::Shell_NotifyIconA(shell::NIM_ADD, Record(hWnd, 1, blue.Handle(), "Klankor").bytes),
        1);
    ASSERT_TRUE(trayhost::WaitForIcons(1));
    QTest::qWait(200);
    const trayhost::Window icon = trayhost::Icons().at(0);

    ASSERT_TRUE(trayhost::Press(icon, 1));
    QTest::qWait(200);
    EXPECT_TRUE(window.moves.empty()) << "the press alone is no click";
    ASSERT_TRUE(trayhost::Release(1));
    QTest::qWait(200);
    ASSERT_EQ(window.moves.size(), 1u);
    EXPECT_EQ(window.moves[0].x, 514 * 15);
    EXPECT_EQ(window.moves[0].button, 0);
    EXPECT_EQ(window.moves[0].y, 0);

    ASSERT_TRUE(trayhost::Click(icon, 3));
    QTest::qWait(200);
    ASSERT_EQ(window.moves.size(), 2u);
    EXPECT_EQ(window.moves[1].x, 517 * 15);

    // a move over the icon is nothing the program hears of
    ASSERT_TRUE(trayhost::Xdotool({"mousemove_relative", "--", "2", "2"}));
    QTest::qWait(200);
    EXPECT_EQ(window.moves.size(), 2u);
}

TEST_F(ShellTray, AnIconGoesWithItsWindow) {
    auto* other = new Listener;
    const auto otherHwnd = static_cast<std::uint32_t>(other->hWnd());
    ASSERT_EQ(
        shell::Shell_NotifyIconA(shell::NIM_ADD, Record(otherHwnd, 1, blue.Handle(), "weg").bytes),
        1);
    ASSERT_TRUE(trayhost::WaitForIcons(1));
    delete other;
    EXPECT_TRUE(trayhost::WaitForIcons(0));
    EXPECT_EQ(shell::NotifyIcon(otherHwnd, 1), nullptr);
}

}  // namespace
