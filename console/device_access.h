#pragma once

#include <functional>
#include <string>

#include "console/console_session.h"

// The one way to reach a device's console: resolve the host, connect (bounded,
// or the plain connect of the dialog), check the MAC when one is expected,
// log in and, when asked, read the version. Each failure is an outcome; the
// console is closed on every failure and open, logged in, on Reached.

enum class DeviceReach {
    Reached,
    HostNotResolved,
    NoSocket,
    NotConnected,
    MacChanged,   // the device answers ARP with another MAC than expected
    LoginEnded,   // the connection ended before the password prompt
    LoginFailed,  // no password prompt within the login wait (or a failed receive)
    NoVersion,    // no answer to "version" within the login wait
};

// The steps a caller may want to hear of as they begin.
enum class ReachStep { Connect, Login };

struct DeviceReachRequest {
    const char* host = nullptr;
    unsigned short port = kConsolePort;
    int connectTimeoutMs = kConnectUnbounded;
    // "02-4c-1a-03-12-ab" that the device must still have; empty for no check.
    std::string expectedMac;
    bool resolveMac = false;  // read the MAC after the connect even without a check
    bool readVersion = true;
    std::function<void(ReachStep)> onStep;  // optional
};

struct ReachedDevice {
    std::string ip;       // dotted, once resolved
    std::string mac;      // ARP's answer after the connect, when asked; empty when unresolved
    std::string version;  // the device's, once read
};

DeviceReach ReachDevice(ConsoleConnection& console, const DeviceReachRequest& request, ReachedDevice& device);

// The MAC address that ARP gives for an address now, "02-4c-1a-03-12-ab";
// empty when it does not resolve (loopback, or no answer).
std::string CurrentMac(uint32_t address);
// A MAC text that stands for no answer: empty, all ones (a failed ARP request)
// or all zeros (loopback).
bool IsUnresolvedMac(const std::string& mac);
