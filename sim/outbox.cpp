#include "sim/outbox.h"

namespace {

std::chrono::milliseconds Ms(long long ms) { return std::chrono::milliseconds(ms); }

}  // namespace

void Outbox::Add(const std::vector<ConsoleAction>& actions, Clock::time_point now) {
    if (queue_.empty()) {
        since_ = now;
        chatters_ = 0;
    }
    queue_.insert(queue_.end(), actions.begin(), actions.end());
}

Outbox::Clock::time_point Outbox::Due() const {
    const ConsoleAction& a = queue_.front();
    return a.kind == ConsoleAction::Kind::Send ? since_ + Ms(a.delayMs) : since_;
}

std::optional<Outbox::Clock::time_point> Outbox::NextChatter() const {
    const ConsoleAction& a = queue_.front();
    if (a.kind != ConsoleAction::Kind::Send || a.chatterMs <= 0) return std::nullopt;
    const Clock::time_point at = since_ + Ms(a.chatterMs * (chatters_ + 1));
    if (at >= Due()) return std::nullopt;
    return at;
}

std::vector<ConsoleAction> Outbox::TakeDue(Clock::time_point now) {
    std::vector<ConsoleAction> due;
    while (!queue_.empty()) {
        for (auto at = NextChatter(); at && *at <= now; at = NextChatter()) {
            due.push_back({ConsoleAction::Kind::Send, queue_.front().chatter, 0});
            ++chatters_;
        }
        const Clock::time_point at = Due();
        if (at > now) break;
        due.push_back(std::move(queue_.front()));
        queue_.pop_front();
        since_ = at;
        chatters_ = 0;
    }
    return due;
}

std::optional<Outbox::Clock::duration> Outbox::UntilNext(Clock::time_point now) const {
    if (queue_.empty()) return std::nullopt;
    const Clock::time_point at = NextChatter().value_or(Due());
    return at > now ? at - now : Clock::duration::zero();
}

std::vector<ConsoleAction> Outbox::DropSends() {
    std::vector<ConsoleAction> rest;
    for (ConsoleAction& a : queue_)
        if (a.kind != ConsoleAction::Kind::Send) rest.push_back(std::move(a));
    queue_.clear();
    return rest;
}
