#pragma once

#include <chrono>
#include <string>

// "2026-12-07T19:12:16Z", or with microseconds "2026-12-07T19:12:16.123456Z",
// safe from any thread (the search's receive thread traces too).
std::string UtcText(std::chrono::system_clock::time_point when, bool microseconds);

// "2026-12-07T19:12:16Z", or with one to six decimals of the second
// ("2026-12-07T19:12:16.123456Z"), to seconds since 1970-01-01 UTC; false for
// any other text (signs, spaces, "nan", a day the calendar does not have).
bool ParseUtcText(const std::string& text, double& seconds);
