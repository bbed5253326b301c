// What the program settles about the desktop before its first window.

#include <QCoreApplication>
#include <QScopeGuard>

#include <gtest/gtest.h>

#include "platform/host/Desktop.h"

namespace {

TEST(Desktop, QtsOwnTextsSpeakDutch) {
    const QString english = QStringLiteral("Scroll here");
    ASSERT_TRUE(platform::desktop::SpeakDutch()) << "qt6-translations-l10n is not installed";
    const QString said = QCoreApplication::translate("QScrollBar", "Scroll here");
    EXPECT_NE(said, english);
    EXPECT_FALSE(said.isEmpty());
}

TEST(Desktop, WithoutAnXServerItSaysWhy) {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const QByteArray display = qgetenv("DISPLAY");
    const auto restore = qScopeGuard([&] {
        qputenv("QT_QPA_PLATFORM", platform);
        qputenv("DISPLAY", display);
        qunsetenv("WAYLAND_DISPLAY");
    });
    qunsetenv("QT_QPA_PLATFORM");
    qunsetenv("DISPLAY");
    EXPECT_TRUE(platform::desktop::ChooseX11().contains(QLatin1String("DISPLAY")));
    qputenv("WAYLAND_DISPLAY", "wayland-0");
    EXPECT_TRUE(platform::desktop::ChooseX11().contains(QLatin1String("XWayland")));
    qputenv("DISPLAY", ":97");  // nobody listens there
    EXPECT_TRUE(platform::desktop::ChooseX11().contains(QLatin1String(":97")));
    EXPECT_TRUE(qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"));
    // a platform asked for on purpose is left alone
    qputenv("QT_QPA_PLATFORM", "offscreen");
    EXPECT_TRUE(platform::desktop::ChooseX11().isEmpty());
}

}  // namespace
