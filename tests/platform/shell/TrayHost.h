#pragma once
// The notification area as the user sees it: the icons trayer holds, found
// with xwininfo, and real clicks on them with xdotool.

#include <QList>
#include <QRect>
#include <QString>
#include <QSystemTrayIcon>

namespace trayhost {

struct Window {
    QString id;      // hexadecimal X window id
    QRect geometry;  // on the screen
};

// The whole window tree of the X server, as xwininfo prints it.
QString Tree();
// The client windows trayer has embedded, one per icon.
QList<Window> Icons();
// Waits (running the event loop) until the tray holds `count` icons.
bool WaitForIcons(qsizetype count, int milliseconds = 5000);
// Waits until the tray holds one icon, where Qt has put `icon`: the tray
// may still be placing it when it first shows up.
bool WaitForIconOf(const QSystemTrayIcon& icon, int milliseconds = 5000);
// Runs xdotool, keeping the event loop going; false on failure.
bool Xdotool(const QStringList& args);
// Presses and releases a mouse button (1 left, 3 right) in the middle of a
// window, holding it a moment as a user would.
bool Click(const Window& window, int button);
// The press alone, in the middle of a window, and the release alone.
bool Press(const Window& window, int button);
bool Release(int button);

}  // namespace trayhost
