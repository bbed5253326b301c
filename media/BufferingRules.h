#pragma once
// When sound plays, when it pauses to gather, and when to look again: the
// rules the player follows between connecting and listening on, as a class
// of their own. They take what the pipeline reports of its two queues (the
// network queue before the decoder and the decoded sound before the sink)
// and the time; they touch no pipeline and start no timer, so a table can
// play a whole start, a refill and a gap through them.

#include <QtGlobal>

#include <algorithm>
#include <chrono>
#include <optional>

namespace media {

class BufferingRules {
public:
    using Clock = std::chrono::steady_clock;
    using Milliseconds = std::chrono::milliseconds;

    // After the sound ran out, at least this much is gathered again.
    static constexpr Milliseconds kMinRefill{500};
    // A network queue holding less than this has run dry: less than one read.
    static constexpr qint64 kEmptyQueueBytes = 1024;
    // The decoded sound waiting for the sink (playbin's own audio queue, which
    // holds up to a second) is played out below this.
    static constexpr Milliseconds kPlayedOut{100};

    // What the pipeline says of its queues; -1 where it does not say.
    struct Levels {
        int percent = 0;           // the network queue's buffering report
        qint64 networkBytes = -1;  // bytes in the network queue
        qint64 decodedNs = -1;     // decoded sound waiting for the sink
    };

    enum class Do {
        Play,    // let the sound out
        Gather,  // pause, and gather sound again
        Wait,    // carry on as now
    };

    // startBuffer: what a server that sends no burst is given to gather
    // before the sound starts; 0 plays as soon as sound is there.
    explicit BufferingRules(Milliseconds startBuffer) : startBuffer_(startBuffer) {}

    // A new pipeline: nothing gathered, nothing playing.
    void Reset();
    // The address is approved and sound waits at the sink: the start may
    // begin. At once when the network queue is full (a server's burst),
    // else after gathering the start buffer.
    Do Ready(Clock::time_point now);
    // A buffering report of the network queue.
    Do Report(const Levels& levels, Clock::time_point now);
    // The moment the rules asked to be asked again at has come.
    Do Due(const Levels& levels, Clock::time_point now);

    // When the rules want to be asked again (Due), if at all.
    std::optional<Clock::time_point> deadline() const { return deadline_; }
    bool sounding() const { return sounding_; }    // asked to play, not gathering
    bool refilling() const { return refilling_; }  // paused because the sound ran out
    // Playing along with nothing pending: from now on only a report of a
    // full network queue or of an empty one can change an answer.
    bool steady() const { return sounding_ && !queueFull_ && !deadline_; }

private:
    Do play();
    Do gatherOncePlayedOut(const Levels& levels, Clock::time_point now);
    Milliseconds refillWait() const { return std::max(startBuffer_, kMinRefill); }

    Milliseconds startBuffer_;
    bool ready_ = false;
    bool sounding_ = false;
    bool refilling_ = false;
    bool queueFull_ = false;  // reported 100 % since the sound last started
    std::optional<Clock::time_point> deadline_;
};

}  // namespace media
