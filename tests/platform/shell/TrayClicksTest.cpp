// Qt tells of a tray click on the press; the program must hear of it once, on
// the release, as it would on Windows.

#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include "platform/shell/TrayClicks.h"

using platform::shell::TrayClicks;
using Numbers = std::vector<std::uint32_t>;

namespace {

class Clicks : public ::testing::Test {
protected:
    void SetUp() override {
        icon.resize(22, 22);
        icon.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&icon));
    }
    Numbers told() const {
        Numbers numbers;
        for (const QList<QVariant>& args : spy)
            numbers.push_back(args.at(0).value<std::uint32_t>());
        return numbers;
    }
    // The tray's own widget raises the activation from its press handler.
    void press(Qt::MouseButton button, QSystemTrayIcon::ActivationReason reason) {
        QTest::mousePress(&icon, button);
        clicks.activated(reason);
    }
    QWidget icon;
    TrayClicks clicks;
    QSignalSpy spy{&clicks, &TrayClicks::message};
};

TEST_F(Clicks, EachButtonIsToldOnceOnItsOwnRelease) {
    press(Qt::LeftButton, QSystemTrayIcon::Trigger);
    EXPECT_EQ(told(), Numbers{});
    QTest::mouseRelease(&icon, Qt::LeftButton);
    EXPECT_EQ(told(), Numbers{514});

    press(Qt::RightButton, QSystemTrayIcon::Context);
    QTest::mouseRelease(&icon, Qt::LeftButton);  // not the pressed button
    EXPECT_EQ(told(), Numbers{514});
    QTest::mouseRelease(&icon, Qt::RightButton);
    press(Qt::MiddleButton, QSystemTrayIcon::MiddleClick);
    QTest::mouseRelease(&icon, Qt::MiddleButton);
    EXPECT_EQ(told(), (Numbers{514, 517, 520}));

    // later clicks that were no activation tell nothing
    QTest::mouseClick(&icon, Qt::LeftButton);
    EXPECT_EQ(told().size(), 3u);
}

TEST_F(Clicks, DoubleClicksFinishedClicksAndLostReleases) {
    // Qt raises the second press of a double click as a click and a double click
    press(Qt::LeftButton, QSystemTrayIcon::Trigger);
    QTest::mouseRelease(&icon, Qt::LeftButton);
    press(Qt::LeftButton, QSystemTrayIcon::Trigger);
    clicks.activated(QSystemTrayIcon::DoubleClick);
    QTest::mouseRelease(&icon, Qt::LeftButton);
    EXPECT_EQ(told(), (Numbers{514, 515, 514}));

    // a StatusNotifierItem host calls after the release: no button is down here
    clicks.activated(QSystemTrayIcon::Context);
    EXPECT_EQ(told().back(), 517u);

    // a new press before the release: that click's release went elsewhere
    spy.clear();
    press(Qt::LeftButton, QSystemTrayIcon::Trigger);
    QTest::mousePress(&icon, Qt::RightButton);
    QTest::mouseRelease(&icon, Qt::RightButton);
    QTest::mouseRelease(&icon, Qt::LeftButton);
    EXPECT_EQ(told(), Numbers{});
}

}  // namespace
