#pragma once

#include <algorithm>

// When an update tries a device again: only after a failure before "flash"
// (nothing was written) that another try may mend (retryable), at most
// `retries` more times from the connect, waiting delayMs before the first of
// them and twice as long before each next one, never more than an hour.
struct RetryRule {
    static constexpr int kDefaultRetries = 2;
    static constexpr int kMaxRetries = 100;
    static constexpr double kDefaultDelaySeconds = 2;
    static constexpr double kMaxDelaySeconds = 3600;

    int retries = kDefaultRetries;
    int delayMs = static_cast<int>(kDefaultDelaySeconds * 1000);

    // After try number `attempt` (from 1) failed with retryable set.
    bool TriesAgain(int attempt, bool retryable) const { return retryable && attempt <= retries; }
    int DelayMs(int attempt) const {
        const long long ms = static_cast<long long>(delayMs) << std::min(attempt - 1, 20);
        return static_cast<int>(std::min<long long>(ms, static_cast<long long>(kMaxDelaySeconds * 1000)));
    }
};
