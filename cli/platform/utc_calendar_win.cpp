#include "cli/platform/utc_calendar.h"

bool UtcCalendar(std::time_t seconds, std::tm& out) { return gmtime_s(&out, &seconds) == 0; }
