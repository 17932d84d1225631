#pragma once

#include <chrono>
#include <string>

// "2026-12-07T19:12:16Z", or with microseconds "2026-12-07T19:12:16.123456Z",
// safe from any thread (the search's receive thread traces too).
std::string UtcText(std::chrono::system_clock::time_point when, bool microseconds);

// "2026-12-07T19:12:16Z" (fraction allowed) to seconds since 1970-01-01 UTC;
// false when it is not such a text.
bool ParseUtcText(const std::string& text, double& seconds);
