#pragma once

#include <string>
#include <vector>

constexpr int kSearchWaitMs = 3000;

// One device search: binds UDP 1900, joins 239.255.255.250, sends the request
// once, collects senders for waitMs, resolves and filters their MACs, and
// returns the entries (one per sender address). False when the socket, the
// bind or the host's own address cannot be set up; the entries are then untouched.
bool SearchDevices(std::vector<std::string>& entries, int waitMs = kSearchWaitMs);
