#include "cli/fleet/bounded_threads.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

class BoundedRun {
public:
    explicit BoundedRun(const BoundedWork& w) : w_(w), limit_(w.atOnce == 0 ? w.count : w.atOnce), threads_(w.count) {}

    size_t Run() {
        Clock::time_point nextTick = Clock::now() + std::chrono::milliseconds(w_.tickMs);
        StartMore();
        while (running_ > 0) {
            for (size_t item : AwaitEnded(nextTick)) End(item);
            if (Clock::now() < nextTick) continue;
            nextTick = Clock::now() + std::chrono::milliseconds(w_.tickMs);
            if (w_.onTick) w_.onTick();
        }
        return next_;
    }

private:
    void StartMore() {
        while (running_ < limit_ && next_ < w_.count && !Stopped()) {
            const size_t item = next_++;
            ++running_;
            try {
                threads_[item] = std::thread([this, item] { Work(item); });
            } catch (const std::system_error&) {
                Work(item);  // no thread to be had: this one on the calling thread
            }
        }
    }

    bool Stopped() {
        stopped_ = stopped_ || (w_.interrupted && w_.interrupted());
        return stopped_;
    }

    void Work(size_t item) {
        w_.work(item);
        std::lock_guard<std::mutex> lock(mutex_);
        ended_.push_back(item);
        wake_.notify_one();
    }

    std::deque<size_t> AwaitEnded(Clock::time_point until) {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait_until(lock, until, [this] { return !ended_.empty(); });
        std::deque<size_t> ended;
        ended.swap(ended_);
        return ended;
    }

    void End(size_t item) {
        if (threads_[item].joinable()) threads_[item].join();
        --running_;
        if (w_.onDone) w_.onDone(item);
        StartMore();
    }

    const BoundedWork& w_;
    const size_t limit_;
    std::vector<std::thread> threads_;
    size_t next_ = 0;
    size_t running_ = 0;
    bool stopped_ = false;
    std::mutex mutex_;  // guards ended_
    std::condition_variable wake_;
    std::deque<size_t> ended_;
};

}  // namespace

size_t RunBounded(const BoundedWork& w) { return BoundedRun(w).Run(); }
