#pragma once
// When sound reaches a file sink, seen from any process: the sink writes
// each piece when it is due, so the file's writes are the moments a
// listener hears something. inotify reports each write; the times are
// CLOCK_MONOTONIC, which every process on the machine shares.

#include <QString>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace bench {

// Nanoseconds of CLOCK_MONOTONIC.
long long MonotonicNs();

class SinkWatch {
public:
    // Watches `file` (which need not exist yet) from now on.
    explicit SinkWatch(const QString& file);
    ~SinkWatch();
    SinkWatch(const SinkWatch&) = delete;
    SinkWatch& operator=(const SinkWatch&) = delete;

    // The first write's time, waiting at most `ms`; -1 when none came.
    long long WaitForFirst(int ms);
    std::vector<long long> Writes() const;  // every write's time so far

private:
    void run();

    int fd_ = -1;
    QByteArray name_;
    std::atomic<bool> stop_{false};
    mutable std::mutex lock_;
    std::vector<long long> writes_;
    std::thread thread_;
};

// Stalls in what a sink wrote: gaps between writes longer than `gapMs`
// after the first one, their number and their summed length.
struct Stalls {
    int count = 0;
    double seconds = 0;
};
Stalls StallsIn(const std::vector<long long>& writes, long long untilNs, int gapMs = 150);

}  // namespace bench
