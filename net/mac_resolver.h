#pragma once

#include <cstdint>

// Prepares MAC resolution for one search (on Windows: loads SendARP from
// "IPHLPAPI.DLL", which may be missing). False when resolution is unavailable.
bool PrepareMacResolver();
// Resolves the sender's MAC address into mac, leaving it as it was on failure.
// One of this host's own addresses resolves to its interface's own MAC.
void ResolveMacAddress(uint32_t address, unsigned char (&mac)[6]);
