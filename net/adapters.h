#pragma once

#include <cstdint>
#include <vector>

// The host's network adapters, for the command line's search; the dialog
// keeps NetSearchInterfaces. One implementation per platform
// (adapters_posix.cpp; adapters_win.cpp over GetAdaptersAddresses).

// True when adapter names one of this host's adapters. POSIX: an interface
// name. Windows: an adapter's name, its friendly name, or one of its IPv4
// addresses.
bool NetAdapterKnown(const char* adapter);

// The IPv4 addresses (network byte order) a search joins the group on and
// sends from: those of the named adapter, or by default of every up,
// multicast-capable adapter other than loopback. False when there is none.
bool NetAdapterAddresses(const char* adapter, std::vector<uint32_t>& addresses);

// Every IPv4 address of every adapter of this host, up or down, loopback
// too (network byte order): the addresses a search must never list as a
// device. False when the system cannot tell them.
bool NetHostAddresses(std::vector<uint32_t>& addresses);
