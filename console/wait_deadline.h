#pragma once

#include <chrono>

// The bound of a whole wait that may take several receives: a device that
// keeps sending other text cannot stretch it.
class WaitDeadline {
public:
    explicit WaitDeadline(int ms) : end_(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms)) {}

    // Milliseconds left for the next receive; 0 once the bound has passed.
    int LeftMs() const {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end_ - std::chrono::steady_clock::now());
        return left.count() > 0 ? static_cast<int>(left.count()) : 0;
    }

private:
    std::chrono::steady_clock::time_point end_;
};
