#pragma once
// The player the main window hands out. The sound controls, the tray menu
// and the desktop bus reach the player through this, never through the
// main window itself.

#include "media/Player.h"

namespace PlayerSeam {

// The main window's player. Before the main window has handed one out (or
// after it is gone) this is a player that does nothing and reports
// nothing, so a tool window loaded on its own still works.
media::Player& Player();

// The main window hands its player out when it is made, and takes it back
// (nullptr) when it goes.
void HandOut(media::Player* player);

}  // namespace PlayerSeam
