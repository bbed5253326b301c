#include "media/Reconnection.h"

#include <algorithm>
#include <iterator>

namespace media {

void Reconnection::Asked() {
    hasPlayed_ = false;
    retries_ = 0;
    playingSince_.reset();
    lastRetryFrom_.reset();
}

void Reconnection::Played(Clock::time_point now) {
    hasPlayed_ = true;
    if (!playingSince_) playingSince_ = now;
}

void Reconnection::Interrupted() {
    retries_ = 0;
    playingSince_.reset();
    lastRetryFrom_.reset();
}

Reconnection::Step Reconnection::Failed(const MediaFailure& failure, Clock::time_point now) {
    const bool playedSteadily = playingSince_ && now - *playingSince_ >= kSteadyPlay;
    playingSince_.reset();
    lastRetryFrom_.reset();
    if (!failure.retryable()) return {Next::Fail};
    // Offline, nothing is worth trying, and nothing is held against the
    // station: it comes back with the network.
    if (!online_) return {Next::Wait};
    // Only a station that has played is worth chasing: a first attempt that
    // fails shows its cause at once.
    if (!hasPlayed_) return {Next::Fail};
    if (playedSteadily) retries_ = 0;
    if (retries_ >= kMaxRetries) return {Next::GiveUp};
    const auto delay = kDelays[std::min<std::size_t>(retries_, std::size(kDelays) - 1)];
    ++retries_;
    lastRetryFrom_ = now;
    return {Next::Retry, delay};
}

void Reconnection::NetworkChange(bool online, Clock::time_point now, bool retryPending) {
    if (online_ && !online && retryPending && lastRetryFrom_ &&
        now - *lastRetryFrom_ <= kJustBefore)
        --retries_;
    lastRetryFrom_.reset();
    online_ = online;
}

}  // namespace media
