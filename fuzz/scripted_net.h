#pragma once

// A stand-in for the network layer, driven by fuzz input: every receive takes
// its result from the script (data, a timeout, a failure or the end of the
// connection) and every send is recorded. No sockets, no waiting.
#include <cstddef>
#include <cstdint>
#include <string>

struct ScriptedPeer {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t at = 0;
    std::string pending;  // the rest of a chunk larger than one receive
    std::string sent;     // every byte the engine sent, in order
    int sends = 0;
    int failSendAt = -1;  // the send with this index fails, and every later one
};

// The peer that the network functions use; reset for every fuzz input.
ScriptedPeer& Peer();
void ResetPeer(const uint8_t* data, size_t size, int failSendAt);
