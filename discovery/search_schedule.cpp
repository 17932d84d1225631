#include "discovery/search_schedule.h"

std::vector<int> RepeatedSendTimes(int waitMs) {
    std::vector<int> times{0};
    for (int at = kRepeatGapMs; static_cast<int>(times.size()) < kMostSends; at += kRepeatGapMs) {
        if (at > waitMs - kLastSendBeforeEndMs) break;
        times.push_back(at);
    }
    return times;
}
