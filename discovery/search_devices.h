#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "discovery/device_store.h"

constexpr int kSearchWaitMs = 3000;

// One device search: binds UDP 1900, joins 239.255.255.250, sends the request
// once per search interface, and for waitMs hands each sender whose MAC
// (resolved unless the store knows the sender) passes the filter to store.
// interfaceName picks one interface (POSIX only); null means the default
// (see NetSearchInterfaces). False when the socket, the bind or the
// interface's address cannot be set up.
bool SearchDevicesInto(DeviceStore& store, int waitMs, const char* interfaceName);
// The same on the interfaces whose IPv4 addresses (network byte order) the
// caller chose (the command line's, from net/adapters.h).
bool SearchDevicesOn(DeviceStore& store, int waitMs, const std::vector<uint32_t>& interfaces);
// The command line's search: the request sent at each of sendAtMs (ms from
// the start, ascending; search_schedule.h has the times) within the one wait,
// on a socket that first asks for kSearchReceiveBufferBytes of receive buffer.
// Repeated answers reach the store again: it keeps each device once. The
// searches above set no socket option beyond those of the dialog's search.
bool SearchDevicesRepeated(DeviceStore& store, int waitMs, const std::vector<uint32_t>& interfaces,
                           const std::vector<int>& sendAtMs);

// The dialog's search: into its table (emptied first), and the entries built
// from it (one per sender address). On false the entries are untouched.
struct DeviceTableState;
bool SearchDevices(DeviceTableState& table, std::vector<std::string>& entries, int waitMs = kSearchWaitMs,
                   const char* interfaceName = nullptr);
