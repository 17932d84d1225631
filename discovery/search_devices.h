#pragma once

#include <string>
#include <vector>

constexpr int kSearchWaitMs = 3000;

// One device search: binds UDP 1900, joins 239.255.255.250, sends the request
// once per search interface, collects senders for waitMs, resolves and
// filters their MACs, and returns the entries (one per sender address).
// interfaceName picks one interface (POSIX only); null means the default
// (see NetSearchInterfaces). False when the socket, the bind or the
// interface's address cannot be set up; the entries are then untouched.
bool SearchDevices(std::vector<std::string>& entries, int waitMs = kSearchWaitMs, const char* interfaceName = nullptr);
