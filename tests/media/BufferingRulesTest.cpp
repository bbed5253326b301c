// The buffering rules through whole starts, refills and gaps, as tables:
// each step an event at a time with what the queues hold, and what the
// rules say to it and when they want to be asked again.

#include <gtest/gtest.h>

#include <vector>

#include "media/BufferingRules.h"

using media::BufferingRules;
using Do = BufferingRules::Do;
using std::chrono::milliseconds;

namespace {

constexpr int kNone = -1;

struct Step {
    enum Event { Ready, Report, Due } event;
    int atMs;
    int percent = 0;
    int networkBytes = -1;
    int decodedMs = -1;
    Do answer = Do::Wait;
    int askAgainAtMs = kNone;
};

// Plays the steps through fresh rules with a start buffer of a second; the
// first step that goes otherwise is named.
void playThrough(const char* what, const std::vector<Step>& steps, int startBufferMs = 1000) {
    BufferingRules rules{milliseconds(startBufferMs)};
    const BufferingRules::Clock::time_point zero{};
    int n = 0;
    for (const Step& s : steps) {
        ++n;
        const BufferingRules::Clock::time_point now = zero + milliseconds(s.atMs);
        const BufferingRules::Levels levels{s.percent, s.networkBytes,
                                            s.decodedMs < 0 ? -1 : s.decodedMs * 1000000LL};
        const Do answer = s.event == Step::Ready    ? rules.Ready(now)
                          : s.event == Step::Report ? rules.Report(levels, now)
                                                    : rules.Due(levels, now);
        EXPECT_EQ(answer, s.answer) << what << ", step " << n;
        const auto deadline = rules.deadline();
        EXPECT_EQ(deadline ? int((*deadline - zero) / milliseconds(1)) : kNone, s.askAgainAtMs)
            << what << ", step " << n;
    }
}

TEST(BufferingRules, StartsAtOnceOnABurstAndAfterTheStartBufferWithout) {
    playThrough("the burst is in before the address is approved",
                {{Step::Report, 100, 100},  //
                 {Step::Ready, 300, 0, -1, -1, Do::Play}});
    playThrough("the burst comes while gathering", {{Step::Ready, 100, 0, -1, -1, Do::Wait, 1100},
                                                    {Step::Report, 400, 100, -1, -1, Do::Play}});
    playThrough("no burst: a second is gathered first, whatever the reports say",
                {{Step::Ready, 100, 0, -1, -1, Do::Wait, 1100},
                 {Step::Report, 500, 30, 900, -1, Do::Wait, 1100},
                 {Step::Report, 900, 45, 1500, -1, Do::Wait, 1100},
                 {Step::Due, 1100, 0, 1500, 400, Do::Play}});
    playThrough("no start buffer: sound at once", {{Step::Ready, 100, 0, -1, -1, Do::Play}}, 0);
}

TEST(BufferingRules, SoundThatRunsOutIsGatheredAgainOnlyOnceThePlayedSecondIsOut) {
    const Step start[] = {{Step::Ready, 0, 0, -1, -1, Do::Wait, 1000},
                          {Step::Due, 1000, 0, 4000, 900, Do::Play}};
    playThrough("no burst: the network queue near empty is how it always is",
                {start[0],
                 start[1],
                 // less than a read in it: look again once the decoded sound is out
                 {Step::Report, 1500, 2, 600, 850, Do::Wait, 2251},
                 // the next read came in time: no gap, nothing pending
                 {Step::Report, 1600, 4, 3000, 800}});
    playThrough("the network queue runs dry while the decoded second plays on",
                {start[0],
                 start[1],
                 // dry with 800 ms decoded: look again when it has played out
                 {Step::Report, 2000, 1, 200, 800, Do::Wait, 2701},
                 // bytes came meanwhile: nothing to do after all
                 {Step::Report, 2300, 3, 2000, 600},
                 {Step::Report, 3000, 1, 100, 400, Do::Wait, 3301},
                 // played out: pause and gather at least half a second
                 {Step::Due, 3301, 1, 100, 40, Do::Gather, 4301},
                 // each report while gathering starts the wait over
                 {Step::Report, 3500, 5, 900, 100, Do::Wait, 4500},
                 {Step::Report, 3800, 12, 2000, 300, Do::Wait, 4800},
                 {Step::Due, 4800, 12, 2000, 700, Do::Play}});
    playThrough("a refill that gathered almost nothing waits on",
                {start[0],
                 start[1],
                 {Step::Report, 2000, 0, 0, 50, Do::Gather, 3000},
                 {Step::Due, 3000, 0, 0, 200, Do::Wait, 4000},
                 {Step::Report, 3500, 100, -1, 900, Do::Play}});
    playThrough("a queue that was full and falls has run out, whatever it holds",
                {{Step::Report, 0, 100},
                 {Step::Ready, 200, 0, -1, -1, Do::Play},
                 {Step::Report, 5000, 100},
                 {Step::Report, 9000, 80, 50000, 900, Do::Wait, 9801},
                 {Step::Due, 9801, 60, 40000, 0, Do::Gather, 10801}});
}

TEST(BufferingRules, OnlyAFullOrEmptyQueueCanMatterWhileSteady) {
    BufferingRules rules{milliseconds(1000)};
    const BufferingRules::Clock::time_point zero{};
    EXPECT_FALSE(rules.steady());
    rules.Ready(zero);
    EXPECT_EQ(rules.Due({}, zero + milliseconds(1000)), Do::Play);
    EXPECT_TRUE(rules.steady());
    // a report of a queue that holds something changes nothing, and leaves it steady
    EXPECT_EQ(rules.Report({20, 5000, 900000000}, zero + milliseconds(1100)), Do::Wait);
    EXPECT_TRUE(rules.steady());
    // a dry one asks to be asked again, a full one is remembered: no longer steady
    rules.Report({1, 10, 900000000}, zero + milliseconds(1200));
    EXPECT_FALSE(rules.steady());
    rules.Report({20, 5000, 900000000}, zero + milliseconds(1300));
    EXPECT_TRUE(rules.steady());
    rules.Report({100, 90000, 900000000}, zero + milliseconds(1400));
    EXPECT_FALSE(rules.steady());
}

}  // namespace
