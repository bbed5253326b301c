// Dragging the main window for real: xdotool drives the X pointer, openbox
// moves the window.

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "support/Desktop.h"

#include "media/WindowsMediaPlayer.h"
#include "platform/host/Form.h"
#include "player/Hoofd.h"

using platform::Forms;

namespace {

// Presses a button at a point of the window, moves by `by` in steps and
// releases; returns how far the window moved, once it has moved that far or,
// when it is to stay, once the program has had the release.
QPoint drag(QWidget& window, QPoint at, int button, QPoint by, bool moves) {
    const QPoint before = window.frameGeometry().topLeft();
    const QPoint start = window.mapToGlobal(at);
    const QString b = QString::number(button);
    const std::optional<QRect> placed = desktop::PlaceOnScreen(window);
    const auto movedBy = [&](QPoint offset) {
        const std::optional<QRect> now = desktop::PlaceOnScreen(window);
        return now && placed &&
               (now->topLeft() - placed->topLeft() - offset).manhattanLength() <= 3;
    };
    desktop::EventCounter presses(QEvent::MouseButtonPress), motions(QEvent::MouseMove),
        releases(QEvent::MouseButtonRelease);
    desktop::Xdotool(
        {"mousemove", QString::number(start.x()), QString::number(start.y()), "mousedown", b});
    EXPECT_TRUE(desktop::WaitFor([&] { return presses.count() > 0; })) << "no press";
    // openbox takes up a move some moments after the press, and nothing here
    // shows when: a drag, or a move where none should be, gets that moment.
    QTest::qWait(50);
    for (int i = 1; i <= 5; ++i) {
        const QPoint step = by * i / 5;
        const int seen = motions.count();
        desktop::Xdotool({"mousemove", QString::number((start + step).x()),
                          QString::number((start + step).y())});
        // openbox has moved the window there, or the program has had the move
        desktop::WaitFor([&] { return moves ? movedBy(step) : motions.count() > seen; });
    }
    desktop::Xdotool({"mouseup", b});
    desktop::WaitFor([&] {
        const QPoint left = window.frameGeometry().topLeft() - before - by;
        return moves ? left.manhattanLength() <= 3 : releases.count() > 0;
    });
    return window.frameGeometry().topLeft() - before;
}

class MainWindowOnDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        media::WindowsMediaPlayer::SetDefaultAudioFile(
            config.filePath(QStringLiteral("audio.raw")));
        Hoofd& hoofd = Forms::Get<Hoofd>();
        hoofd.SetLeft(100 * 15);
        hoofd.SetTop(100 * 15);
        ASSERT_TRUE(desktop::WaitFor([&] { return desktop::ActiveForTheWindowManager(hoofd); }));
    }
    void TearDown() override {
        Forms::Unload<Hoofd>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QTemporaryDir config;
};

TEST_F(MainWindowOnDesktop, LeftDragOnTheBackgroundMovesTheWindow) {
    Hoofd& hoofd = Forms::Get<Hoofd>();
    const QPoint moved = drag(hoofd, QPoint(350, 110), 1, QPoint(120, 60), true);
    EXPECT_NEAR(moved.x(), 120, 3);
    EXPECT_NEAR(moved.y(), 60, 3);
}

TEST_F(MainWindowOnDesktop, LeftDragOnTheStatusLinesMovesTheWindow) {
    Hoofd& hoofd = Forms::Get<Hoofd>();
    const QPoint status = hoofd.lblStatus.geometry().center();
    QPoint moved = drag(hoofd, status, 1, QPoint(-40, 30), true);
    EXPECT_NEAR(moved.x(), -40, 3);
    EXPECT_NEAR(moved.y(), 30, 3);
    const QPoint playing = hoofd.lblPlaying.geometry().center();
    moved = drag(hoofd, playing, 1, QPoint(50, 0), true);
    EXPECT_NEAR(moved.x(), 50, 3);
}

TEST_F(MainWindowOnDesktop, OtherButtonsAndOtherControlsDoNotDrag) {
    Hoofd& hoofd = Forms::Get<Hoofd>();
    EXPECT_EQ(drag(hoofd, QPoint(350, 110), 3, QPoint(80, 40), false), QPoint(0, 0));
    EXPECT_EQ(drag(hoofd, hoofd.lblStatus.geometry().center(), 3, QPoint(80, 40), false),
              QPoint(0, 0));
    EXPECT_EQ(drag(hoofd, hoofd.ZendersBox1.geometry().center(), 1, QPoint(80, 40), false),
              QPoint(0, 0));
    EXPECT_EQ(drag(hoofd, hoofd.Label2.geometry().center(), 1, QPoint(80, 40), false),
              QPoint(0, 0));
}

TEST_F(MainWindowOnDesktop, ADoubleClickOnAStationBoxIsOneSelection) {
    Hoofd& hoofd = Forms::Get<Hoofd>();
    QSignalSpy clicks(&hoofd.ZendersBox2, &platform::ImageBox::Click);
    const QPoint at = hoofd.ZendersBox2.mapToGlobal(hoofd.ZendersBox2.rect().center());
    desktop::EventCounter releases(QEvent::MouseButtonRelease);
    desktop::Xdotool({"mousemove", QString::number(at.x()), QString::number(at.y())});
    desktop::Xdotool({"click", "--repeat", "2", "--delay", "60", "1"});
    ASSERT_TRUE(desktop::WaitFor([&] { return releases.count() == 2; }));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(hoofd.lblPlaying.Tag(), "18");
}

}  // namespace
