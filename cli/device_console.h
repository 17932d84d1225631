#pragma once

#include <string>

#include "cli/device_address.h"

// The console steps of every command, on the one ConsoleSocket, with a
// one-line reason when a step fails.

// Resolves the host to its dotted IPv4 text. False when it does not resolve.
bool ResolveHostText(const std::string& host, std::string& ip);

// Bounds a blocking connect: while it lives, SIGALRM arrives after ms and
// interrupts the connect (the handler does nothing, without SA_RESTART).
class ConnectDeadline {
public:
    explicit ConnectDeadline(int ms);
    ~ConnectDeadline();
    ConnectDeadline(const ConnectDeadline&) = delete;
    ConnectDeadline& operator=(const ConnectDeadline&) = delete;
};

// OpenConsole, within the login wait. On false the socket is closed.
bool ConnectConsole(const DeviceAddress& device, std::string& error);
// ConsoleLogin on the open console. On false the socket is closed.
bool LoginConsole(std::string& error);
// Both of them.
bool ConnectAndLogin(const DeviceAddress& device, std::string& error);
// QueryDeviceVersion. On false the socket is closed.
bool ReadDeviceVersion(std::string& version, std::string& error);

// The MAC address that ARP gives for ip now, "02-4c-1a-03-12-ab"; empty
// when it does not resolve (loopback, or no answer).
std::string CurrentMac(const std::string& ip);

// The short console waits in seconds, for messages.
std::string LoginWaitText();
