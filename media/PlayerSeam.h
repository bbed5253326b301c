#pragma once
// The player the main window hands out. The sound controls, the tray menu
// and the desktop bus reach the player through this, never through the
// main window itself.

#include <QObject>

#include "media/Player.h"

namespace PlayerSeam {

// The main window's player. Before the main window has handed one out (or
// after it is gone) this is a player that does nothing and reports
// nothing, so a tool window loaded on its own still works.
media::Player& Player();

// The main window hands its player out when it is made, and takes it back
// (nullptr) when it goes.
void HandOut(media::Player* player);

// The main window as the desktop bus drives it: each call does what the
// user does with the window's own controls.
class Remote : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The catalogue as the main window holds it: how many stations there
    // are, and the display name of station 1..Stations().
    virtual short Stations() const = 0;
    virtual QString StationName(short station) const = 0;
    // The station last chosen in a station box, 0 before the first choice.
    virtual short Station() const = 0;
    // Shows station 1..32 in the box that holds it and plays it, as a click
    // on that box does.
    virtual void SelectStation(short station) = 0;
    // Plays the chosen station, else the last one stored, else nothing.
    virtual void PlayStation() = 0;
    // The volume slider, 0..100.
    virtual int Volume() const = 0;
    // Moves the volume slider, which sets the player as a drag does, and
    // stores it as the sound controls window does.
    virtual void SetVolume(int volume) = 0;
    // Shows and activates the main window, also back from the tray.
    virtual void Raise() = 0;
    // Ends the program as "Afsluiten" in the tray menu does.
    virtual void Afsluiten() = 0;

signals:
    void StationChange();
    void VolumeChange();
};

// The main window's remote while it is loaded, else nullptr; the main
// window hands it out as it does its player.
Remote* MainWindow();
void HandOutRemote(Remote* remote);

}  // namespace PlayerSeam
