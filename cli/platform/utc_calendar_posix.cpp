#include "cli/platform/utc_calendar.h"

bool UtcCalendar(std::time_t seconds, std::tm& out) { return gmtime_r(&seconds, &out) != nullptr; }
