#include "SinkWatch.h"

#include <QFileInfo>

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

namespace bench {

long long MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

SinkWatch::SinkWatch(const QString& file) : name_(QFileInfo(file).fileName().toLocal8Bit()) {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    // The folder, not the file: the file is made by the sink later.
    if (fd_ >= 0 && inotify_add_watch(fd_, QFileInfo(file).absolutePath().toLocal8Bit().constData(),
                                      IN_MODIFY) < 0) {
        close(fd_);
        fd_ = -1;
    }
    if (fd_ >= 0) thread_ = std::thread([this] { run(); });
}

SinkWatch::~SinkWatch() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) close(fd_);
}

void SinkWatch::run() {
    alignas(inotify_event) char buffer[4096];
    while (!stop_) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        const long long at = MonotonicNs();
        const ssize_t n = read(fd_, buffer, sizeof buffer);
        for (ssize_t i = 0; i < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + i);
            if (event->len > 0 && name_ == event->name) {
                std::lock_guard<std::mutex> guard(lock_);
                writes_.push_back(at);
            }
            i += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
}

long long SinkWatch::WaitForFirst(int ms) {
    const long long deadline = MonotonicNs() + ms * 1000000LL;
    while (MonotonicNs() < deadline) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (!writes_.empty()) return writes_.front();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return -1;
}

std::vector<long long> SinkWatch::Writes() const {
    std::lock_guard<std::mutex> guard(lock_);
    return writes_;
}

Stalls StallsIn(const std::vector<long long>& writes, long long untilNs, int gapMs) {
    Stalls stalls;
    if (writes.empty()) return stalls;
    const long long gap = gapMs * 1000000LL;
    for (size_t i = 1; i <= writes.size(); ++i) {
        const long long next = i < writes.size() ? writes[i] : untilNs;
        const long long pause = next - writes[i - 1];
        if (pause > gap) {
            ++stalls.count;
            stalls.seconds += pause / 1e9;
        }
    }
    return stalls;
}

}  // namespace bench
