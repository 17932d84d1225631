#pragma once

#include <ctime>

// The UTC calendar date and time of a count of seconds since 1970, from the
// C library's reentrant call (POSIX gmtime_r, Windows gmtime_s), so that the
// search's receive thread may ask too. False when the platform cannot tell
// it (Windows: before 1970).
bool UtcCalendar(std::time_t seconds, std::tm& out);
