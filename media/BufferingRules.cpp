#include "media/BufferingRules.h"

#include <algorithm>

namespace media {

using std::chrono::duration_cast;
using std::chrono::nanoseconds;

void BufferingRules::Reset() {
    *this = BufferingRules(startBuffer_);
}

BufferingRules::Do BufferingRules::Ready(Clock::time_point now) {
    ready_ = true;
    if (sounding_) return Do::Wait;
    if (queueFull_ || startBuffer_.count() == 0) return play();
    // A server without a burst sends no faster than it plays: gather a
    // little first, once.
    if (!deadline_) deadline_ = now + startBuffer_;
    return Do::Wait;
}

BufferingRules::Do BufferingRules::Report(const Levels& levels, Clock::time_point now) {
    if (levels.percent >= 100) {
        queueFull_ = true;
        if (sounding_) {
            deadline_.reset();
            return Do::Wait;
        }
        return ready_ ? play() : Do::Wait;
    }
    if (sounding_) {
        // Below 100 % while playing: either the queue fell under its low
        // mark after being full, or it never was full since the start (its
        // rate estimate after a burst climbs slowly) and only a queue that
        // holds almost nothing has run out. A server without a burst keeps
        // it near empty all along, so the sound has run out only once the
        // decoded sound behind it has played out too; pausing earlier made
        // a gap that the stream never had.
        const bool dry =
            queueFull_ || (levels.networkBytes >= 0 && levels.networkBytes < kEmptyQueueBytes);
        if (!dry) {
            deadline_.reset();
            return Do::Wait;
        }
        return gatherOncePlayedOut(levels, now);
    }
    // Each report below 100 % while gathering again starts the wait over:
    // sound comes back once the level has not moved for that long, or the
    // queue is full, so a long gap in the stream is not followed by a bare
    // start.
    if (refilling_ && !queueFull_) deadline_ = now + refillWait();
    return Do::Wait;
}

BufferingRules::Do BufferingRules::Due(const Levels& levels, Clock::time_point now) {
    deadline_.reset();
    if (sounding_) return gatherOncePlayedOut(levels, now);
    // Gathering again, a stream that sent nothing for so long is waited
    // for rather than played bare.
    if (refilling_ && levels.decodedNs >= 0 &&
        levels.decodedNs < duration_cast<nanoseconds>(kMinRefill).count()) {
        deadline_ = now + refillWait();
        return Do::Wait;
    }
    return play();
}

BufferingRules::Do BufferingRules::play() {
    sounding_ = true;
    refilling_ = false;
    queueFull_ = false;
    deadline_.reset();
    return Do::Play;
}

// Gathers again before playing on, as at the start, once the decoded sound
// has played out; until then looks again when it will have.
BufferingRules::Do BufferingRules::gatherOncePlayedOut(const Levels& levels,
                                                       Clock::time_point now) {
    const qint64 playedOut = duration_cast<nanoseconds>(kPlayedOut).count();
    if (levels.decodedNs >= playedOut) {
        deadline_ = now + duration_cast<Milliseconds>(nanoseconds(levels.decodedNs - playedOut)) +
                    Milliseconds(1);
        return Do::Wait;
    }
    sounding_ = false;
    refilling_ = true;
    queueFull_ = false;
    deadline_ = now + refillWait();
    return Do::Gather;
}

}  // namespace media
