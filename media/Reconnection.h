#pragma once
// What the player does when a station breaks off: try again after a
// growing pause, wait for the network, or give up. Only rules, no timers:
// the player asks and does what it is told, and a test can play a whole
// day through in a table.

#include <chrono>
#include <optional>

#include "media/MediaFailure.h"

namespace media {

class Reconnection {
public:
    using Clock = std::chrono::steady_clock;

    // Growing, capped pauses before each reconnection attempt.
    static constexpr std::chrono::seconds kDelays[] = {
        std::chrono::seconds(1), std::chrono::seconds(2), std::chrono::seconds(4),
        std::chrono::seconds(8), std::chrono::seconds(15)};
    static constexpr int kMaxRetries = 6;
    // A connection that played this long was a good one: the pauses start
    // over after it. One that breaks off sooner does not earn that, so a
    // server that hangs up after a few seconds of sound is asked ever more
    // rarely, not once a second for ever.
    static constexpr std::chrono::seconds kSteadyPlay{30};
    // A failure this close before the desktop says the network is gone was
    // the network going, not the station.
    static constexpr std::chrono::seconds kJustBefore{10};

    enum class Next {
        Retry,   // try again after delay
        Wait,    // the network is gone: wait for it, however long
        GiveUp,  // the station was chased long enough
        Fail,    // a failure no retry mends, or one before the station ever played
    };
    struct Step {
        Next next;
        Clock::duration delay{};
    };

    // The listener asked for a station: everything starts afresh.
    void Asked();
    // Sound came from the connection just made.
    void Played(Clock::time_point now);
    Step Failed(const MediaFailure& failure, Clock::time_point now);
    // The connection went down on purpose (the machine sleeps): no fault of
    // the station's, so the chase after it starts afresh.
    void Interrupted();

    // The desktop's word on the network; until it says anything, there is
    // a network. Going offline with a retry pending (retryPending) hands
    // back the failure that scheduled it when that came just before: the
    // pending retry is dropped, and the player waits instead.
    void NetworkChange(bool online, Clock::time_point now, bool retryPending);
    bool online() const { return online_; }

    // Failed reconnection attempts in a row, as the status names them.
    int retries() const { return retries_; }

private:
    bool online_ = true;
    bool hasPlayed_ = false;  // since the listener last asked
    int retries_ = 0;
    std::optional<Clock::time_point> playingSince_;   // the current connection's first sound
    std::optional<Clock::time_point> lastRetryFrom_;  // the failure that scheduled the last retry
};

}  // namespace media
