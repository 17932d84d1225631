#pragma once

#include <cstdint>

#include "net/socket.h"

// Hears every exchange of the network layer while it is set: the command
// line's --trace. Unset (the default, and always in the dialog), it costs one
// test of a pointer per send or receive.
class NetTraceSink {
public:
    virtual ~NetTraceSink() = default;
    // A TCP connection to address:port (network byte order) now stands for socket.
    virtual void OnConnected(NetSocket socket, uint32_t address, uint16_t port) = 0;
    // Bytes sent (sent true) or received on a connected socket.
    virtual void OnStream(NetSocket socket, bool sent, const char* data, int length) = 0;
    // A datagram to or from address:port.
    virtual void OnDatagram(bool sent, uint32_t address, uint16_t port, const char* data, int length) = 0;
};

extern NetTraceSink* NetTrace;
