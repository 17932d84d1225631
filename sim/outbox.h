#pragma once

#include <chrono>
#include <deque>
#include <optional>
#include <vector>

#include "sim/console_session.h"

// A connection's actions waiting for their time, in order: a Send is due its
// delay after the action before it was due (or after it was added, when
// nothing waited). While a Send waits, its chatter is due every chatterMs.
// Keeps no clock of its own: the server's loop gives the time and polls the
// socket until the next action is due, so waiting devices sleep.
class Outbox {
public:
    using Clock = std::chrono::steady_clock;

    void Add(const std::vector<ConsoleAction>& actions, Clock::time_point now);
    // What is due by now, in order; chatter comes as Sends of its own.
    std::vector<ConsoleAction> TakeDue(Clock::time_point now);
    // How long until something is due; nothing when the outbox is empty.
    std::optional<Clock::duration> UntilNext(Clock::time_point now) const;
    bool Empty() const { return queue_.empty(); }
    // Empties the outbox; what it held except the Sends, in order.
    std::vector<ConsoleAction> DropSends();

private:
    Clock::time_point Due() const;
    std::optional<Clock::time_point> NextChatter() const;

    std::deque<ConsoleAction> queue_;
    Clock::time_point since_;  // when the first action began to wait
    long long chatters_ = 0;   // chatter sent while the first action waits
};
