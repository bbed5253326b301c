#pragma once
// What the program needs of the desktop it starts on, settled before the
// first window: an X server, and Qt's own texts in Dutch.

#include <QObject>
#include <QString>

#include <functional>

namespace platform::desktop {

// The shaped windows and the tray need X11. On a Wayland session with
// XWayland (WAYLAND_DISPLAY and DISPLAY set) the program asks for Qt's xcb
// platform itself. Returns an empty text when an X server answers (or
// another platform was asked for on purpose), else why not, for the user.
QString ChooseX11();

// Reads fontconfig's configuration and font caches on a thread of its own,
// begun before the QApplication is made: they are ready by the time the
// first window measures its text, instead of being read then (some 6 ms).
void ReadFontsAhead();

// Qt's own texts (the scroll bars' context menus, standard dialogs) in
// Dutch, whatever the user's locale: the whole interface is Dutch. False
// when Qt's Dutch translations are not installed.
bool SpeakDutch();

// Runs `then` once, a moment after the first window's first frame (or, where
// nothing paints, a while after now), unless `context` is gone by then: what
// can wait until the listener sees the window waits until then.
void AfterFirstFrame(QObject* context, std::function<void()> then);

}  // namespace platform::desktop
