#pragma once

#include <vector>

// The command line's search sends its request again while it waits, since a
// lost request or a lost answer would silently lose a device: every 500 ms
// from the start, at most five times, each send at least 500 ms before the
// wait ends (0, 0.5, 1, 1.5 and 2 s of the default 3 s). At 5% loss each way
// three sends still lose about one device in a thousand searches, five about
// one in 100,000 (bench/README.md). The dialog sends once.
constexpr int kRepeatGapMs = 500;
constexpr int kMostSends = 5;
constexpr int kLastSendBeforeEndMs = 500;

// When the request goes out, in ms from the search's start: 0 first, always.
std::vector<int> RepeatedSendTimes(int waitMs);

// The command line's search asks for enough receive buffer for a full /24
// answering at once: 254 answers of at most 2 KB (the kernel counts each
// datagram with its bookkeeping). The dialog's keeps the platform's default.
constexpr int kSearchReceiveBufferBytes = 254 * 4096;
