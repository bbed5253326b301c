// Qt tells of a tray click on the press; the program must hear of it once, on
// the release, as it would on Windows.

#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include "platform/shell/Shell32.h"
#include "platform/shell/TrayClicks.h"

namespace shell = platform::shell;
using shell::TrayClicks;

namespace {

class Clicks : public ::testing::Test {
protected:
    void SetUp() override {
        icon.resize(22, 22);
        icon.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&icon));
    }
    std::vector<std::uint32_t> told() const {
        std::vector<std::uint32_t> numbers;
        for (const QList<QVariant>& args : spy)
            numbers.push_back(args.at(0).value<std::uint32_t>());
        return numbers;
    }
    // Stands in for the tray's own widget, which raises the activation from
    // its press handler.
    QWidget icon;
    TrayClicks clicks;
    QSignalSpy spy{&clicks, &TrayClicks::message};
};

using Numbers = std::vector<std::uint32_t>;

TEST_F(Clicks, ButtonsAreToldOnTheirReleaseOnly) {
    QTest::mousePress(&icon, Qt::LeftButton);
    clicks.activated(QSystemTrayIcon::Trigger);
    EXPECT_EQ(told(), Numbers{});
    QTest::mouseRelease(&icon, Qt::LeftButton);
    EXPECT_EQ(told(), Numbers{shell::WM_LBUTTONUP});

    QTest::mousePress(&icon, Qt::RightButton);
    clicks.activated(QSystemTrayIcon::Context);
    EXPECT_EQ(told().size(), 1u);
    QTest::mouseRelease(&icon, Qt::RightButton);
    QTest::mousePress(&icon, Qt::MiddleButton);
    clicks.activated(QSystemTrayIcon::MiddleClick);
    QTest::mouseRelease(&icon, Qt::MiddleButton);
    EXPECT_EQ(told(), (Numbers{514, 517, 520}));

    // later releases belong to other clicks
    QTest::mouseClick(&icon, Qt::LeftButton);
    QTest::mouseClick(&icon, Qt::RightButton);
    EXPECT_EQ(told().size(), 3u);
}

TEST_F(Clicks, OnlyTheReleaseOfThePressedButtonCounts) {
    QTest::mousePress(&icon, Qt::RightButton);
    clicks.activated(QSystemTrayIcon::Context);
    QTest::mouseMove(&icon, QPoint(5, 5));
    QTest::mouseRelease(&icon, Qt::LeftButton);
    EXPECT_EQ(told(), Numbers{});
    QTest::mouseRelease(&icon, Qt::RightButton);
    EXPECT_EQ(told(), Numbers{shell::WM_RBUTTONUP});
}

TEST_F(Clicks, AClickTheHostHasFinishedIsToldAtOnce) {
    // StatusNotifierItem hosts call after the release, with no button down here
    clicks.activated(QSystemTrayIcon::Trigger);
    clicks.activated(QSystemTrayIcon::Context);
    EXPECT_EQ(told(), (Numbers{514, 517}));
    clicks.activated(QSystemTrayIcon::Unknown);
    EXPECT_EQ(told().size(), 2u);
}

TEST_F(Clicks, DoubleClickIsTheDoubleClickMessageThenAButtonUp) {
    QTest::mousePress(&icon, Qt::LeftButton);
    clicks.activated(QSystemTrayIcon::Trigger);
    QTest::mouseRelease(&icon, Qt::LeftButton);
    // Qt raises the second press as a click and as a double click
    QTest::mousePress(&icon, Qt::LeftButton);
    clicks.activated(QSystemTrayIcon::Trigger);
    clicks.activated(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(told(), (Numbers{514, 515}));
    QTest::mouseRelease(&icon, Qt::LeftButton);
    EXPECT_EQ(told(), (Numbers{514, 515, 514}));
}

TEST_F(Clicks, AReleaseThatNeverCameLosesThatClickOnly) {
    QTest::mousePress(&icon, Qt::LeftButton);
    clicks.activated(QSystemTrayIcon::Trigger);
    // the button came up somewhere this program did not see; a new press
    // starts a new click
    QTest::mousePress(&icon, Qt::RightButton);
    QTest::mouseRelease(&icon, Qt::RightButton);
    QTest::mouseRelease(&icon, Qt::LeftButton);
    EXPECT_EQ(told(), Numbers{});
}

}  // namespace
