#pragma once

#include <cstdint>
#include <string>

#include "console/console_limits.h"

// A device on the command line: HOST or HOST:PORT.
struct DeviceAddress {
    std::string host;
    unsigned short port = kConsolePort;

    // "HOST" at the console's own port, "HOST:PORT" otherwise.
    std::string Label() const;
};

// Reads a port: decimal digits only, 1..65535.
bool ReadPort(const std::string& text, unsigned short& port);

// Reads "HOST[:PORT]"; a missing port is defaultPort. False with a reason
// for an empty host or a port that ReadPort refuses.
bool ParseDeviceAddress(const std::string& text, unsigned short defaultPort, DeviceAddress& address,
                        std::string& error);

// Four dotted decimals (0..255 each, no more than three digits) as an IPv4
// address in network byte order. False for anything else.
bool ParseDottedAddress(const std::string& text, uint32_t& address);
