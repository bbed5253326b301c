// What the program tells Qt about itself before its first window, shared
// with the start-up benchmark so that it starts as the program does.

#pragma once

#include <QApplication>
#include <QIcon>
#include <QPixmap>

#include "platform/host/Desktop.h"

inline void SetUpApplication() {
    platform::desktop::SpeakDutch();
    QApplication::setApplicationName(QStringLiteral("Klankor"));
    QApplication::setOrganizationName(QStringLiteral("Quelmo"));
    QApplication::setDesktopFileName(QStringLiteral("klankor"));
    // From a pixmap: an icon from a file name first asks Qt's icon engine
    // plugins whether one of them reads it (some 2 ms at every start).
    QApplication::setWindowIcon(QIcon(QPixmap(QStringLiteral(":/icons/klankor-32.png"))));
    QApplication::setQuitOnLastWindowClosed(false);
}
