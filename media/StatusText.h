#pragma once
// The short English text the status line shows for what the player does;
// the main window puts its key words into Dutch.

#include <QString>

#include "media/Player.h"

namespace media {

struct StatusFacts {
    State state = State::Undefined;
    int retries = 0;  // reconnection attempts in a row
    QString host;     // the server asked or played from
    int bufferPercent = 0;
    QString failure;        // what a failure says
    bool resuming = false;  // back from waiting for the network, no sound yet
};

// Plain text, never markup: host names and failures come from servers and
// playlists. "Playing" never carries the title.
QString StatusText(const StatusFacts& facts);

}  // namespace media
