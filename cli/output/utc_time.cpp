#include "cli/output/utc_time.h"

#include <cstdio>

#include "cli/platform/utc_calendar.h"

std::string UtcText(std::chrono::system_clock::time_point when, bool microseconds) {
    using namespace std::chrono;
    const long long micros = duration_cast<std::chrono::microseconds>(when.time_since_epoch()).count();
    long long seconds = micros / 1000000;
    long long fraction = micros % 1000000;
    if (fraction < 0) {
        fraction += 1000000;
        --seconds;
    }
    std::tm t{};
    if (!UtcCalendar(static_cast<std::time_t>(seconds), t)) {
        t = std::tm{};  // 1970-01-01T00:00:00
        t.tm_mday = 1;
        t.tm_year = 70;
    }
    char text[64];
    const int n = std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1,
                                t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    if (microseconds)
        std::snprintf(text + n, sizeof text - static_cast<size_t>(n), ".%06lldZ", fraction);
    else
        std::snprintf(text + n, sizeof text - static_cast<size_t>(n), "Z");
    return text;
}
