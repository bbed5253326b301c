// What the program tells Qt about itself before its first window, shared
// with the start-up benchmark so that it starts as the program does.

#pragma once

#include <QApplication>
#include <QIcon>

#include "platform/host/Desktop.h"

inline void SetUpApplication() {
    platform::desktop::SpeakDutch();
    QApplication::setApplicationName(QStringLiteral("Klankor"));
    QApplication::setOrganizationName(QStringLiteral("Quelmo"));
    QApplication::setDesktopFileName(QStringLiteral("klankor"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/klankor-32.png")));
    QApplication::setQuitOnLastWindowClosed(false);
}
