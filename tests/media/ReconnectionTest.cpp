// The retry, wait and give-up rules, played through days of a listener's
// life on a clock the test turns.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media/Reconnection.h"

using media::MediaFailure;
using media::Reconnection;
using Next = Reconnection::Next;
using namespace std::chrono_literals;

namespace {

const MediaFailure kDropped(MediaFailure::Kind::ConnectionLost, QStringLiteral("dropped"));
const MediaFailure kGone(MediaFailure::Kind::NotFound, QStringLiteral("Not found (404)"));

// One event of a day: at a time, sound comes, a failure, or the network's word.
struct Event {
    enum Kind { Sound, Failure, NotFound, Offline, OfflineWithRetryPending, Online, Sleep } kind;
    std::chrono::seconds at;
};

// What the rules said at each failure: "retry 2s", "wait", "give up", "fail".
std::string replay(const std::vector<Event>& day, int* retries = nullptr) {
    Reconnection rules;
    rules.Asked();
    std::string said;
    for (const Event& e : day) {
        const Reconnection::Clock::time_point now = Reconnection::Clock::time_point{} + e.at;
        switch (e.kind) {
            case Event::Sound: rules.Played(now); break;
            case Event::Offline:
            case Event::OfflineWithRetryPending:
                rules.NetworkChange(false, now, e.kind == Event::OfflineWithRetryPending);
                break;
            case Event::Online: rules.NetworkChange(true, now, false); break;
            case Event::Sleep: rules.Interrupted(); break;
            case Event::Failure:
            case Event::NotFound: {
                const Reconnection::Step step =
                    rules.Failed(e.kind == Event::NotFound ? kGone : kDropped, now);
                said += said.empty() ? "" : ", ";
                switch (step.next) {
                    case Next::Retry:
                        said += "retry " +
                                std::to_string(
                                    std::chrono::duration_cast<std::chrono::seconds>(step.delay)
                                        .count()) +
                                "s";
                        break;
                    case Next::Wait: said += "wait"; break;
                    case Next::GiveUp: said += "give up"; break;
                    case Next::Fail: said += "fail"; break;
                }
            }
        }
    }
    if (retries) *retries = rules.retries();
    return said;
}

TEST(Reconnection, ChasesAStationThatPlayedAndGivesUpInTime) {
    struct Day {
        const char* what;
        std::vector<Event> events;
        const char* said;
    };
    const Day days[] = {
        {"a first attempt shows its cause at once", {{Event::Failure, 1s}}, "fail"},
        {"a 404 is final, also while chasing",
         {{Event::Sound, 1s}, {Event::Failure, 5s}, {Event::NotFound, 7s}},
         "retry 1s, fail"},
        {"a server gone for good: growing pauses, then give up",
         {{Event::Sound, 1s},
          {Event::Failure, 60s},
          {Event::Failure, 62s},
          {Event::Failure, 65s},
          {Event::Failure, 70s},
          {Event::Failure, 80s},
          {Event::Failure, 96s},
          {Event::Failure, 112s}},
         "retry 1s, retry 2s, retry 4s, retry 8s, retry 15s, retry 15s, give up"},
        {"a server that hangs up after a few seconds of sound is asked ever more rarely",
         {{Event::Sound, 1s},
          {Event::Failure, 6s},
          {Event::Sound, 8s},
          {Event::Failure, 13s},
          {Event::Sound, 16s},
          {Event::Failure, 21s}},
         "retry 1s, retry 2s, retry 4s"},
        {"half a minute of steady sound earns a fresh start",
         {{Event::Sound, 1s},
          {Event::Failure, 6s},
          {Event::Sound, 8s},
          {Event::Failure, 13s},
          {Event::Sound, 16s},
          {Event::Failure, 50s}},
         "retry 1s, retry 2s, retry 1s"},
        {"a sleep is no fault of the station's",
         {{Event::Sound, 1s},
          {Event::Failure, 6s},
          {Event::Failure, 8s},
          {Event::Sleep, 9s},
          {Event::Failure, 500s}},
         "retry 1s, retry 2s, retry 1s"},
    };
    for (const Day& day : days) EXPECT_EQ(replay(day.events), day.said) << day.what;
}

TEST(Reconnection, WaitsOutAnOutageWithoutBurningRetries) {
    int retries = -1;
    // Offline, every failure waits, for as long as it takes, even before any
    // sound; the count goes on from where it was once the network is back.
    EXPECT_EQ(replay({{Event::Offline, 0s}, {Event::Failure, 1s}}), "wait");
    EXPECT_EQ(replay({{Event::Sound, 1s},
                      {Event::Failure, 10s},
                      {Event::Offline, 30s},
                      {Event::Failure, 31s},
                      {Event::Failure, 3600s},
                      {Event::Online, 7200s},
                      {Event::Failure, 7201s}},
                     &retries),
              "retry 1s, wait, wait, retry 2s");
    EXPECT_EQ(retries, 2);

    // The failure that came just before the word that the network is gone
    // was the network going: it is handed back with its pending retry.
    EXPECT_EQ(
        replay(
            {{Event::Sound, 1s}, {Event::Failure, 40s}, {Event::OfflineWithRetryPending, 40s + 9s}},
            &retries),
        "retry 1s");
    EXPECT_EQ(retries, 0);
    // One long before it, or whose retry already ran, still counts.
    replay({{Event::Sound, 1s}, {Event::Failure, 40s}, {Event::OfflineWithRetryPending, 55s}},
           &retries);
    EXPECT_EQ(retries, 1);
    replay({{Event::Sound, 1s}, {Event::Failure, 40s}, {Event::Offline, 41s}}, &retries);
    EXPECT_EQ(retries, 1);

    // Non-retryable failures are not waited out: the network will not mend them.
    EXPECT_EQ(replay({{Event::Sound, 1s}, {Event::Offline, 2s}, {Event::NotFound, 3s}}), "fail");
}

}  // namespace
