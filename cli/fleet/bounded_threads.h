#pragma once

#include <cstddef>
#include <functional>

// Work on many items, each on a thread of its own, at most atOnce at a time
// (0: all at once), started in the items' order. Only the calling thread
// hears of them: onDone as each item ends (in the order they end, after its
// thread has been joined), onTick about every tickMs, and interrupted before
// each start; once interrupted says true nothing more starts and the items
// under way are waited for. work must not touch what the calling thread
// touches meanwhile; each item's own slot of a vector is enough.
struct BoundedWork {
    size_t count = 0;
    size_t atOnce = 0;
    int tickMs = 100;
    std::function<void(size_t item)> work;    // on the item's thread
    std::function<void(size_t item)> onDone;  // on the calling thread
    std::function<void()> onTick;             // on the calling thread
    std::function<bool()> interrupted;        // on the calling thread
};

// Returns how many items started: those below it, every one of them ended.
size_t RunBounded(const BoundedWork& w);
