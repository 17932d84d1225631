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

bool ParseUtcText(const std::string& text, double& seconds) {
    int year, month, day, hour, minute, consumed = 0;
    double second;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%lf%n", &year, &month, &day, &hour, &minute, &second,
                    &consumed) != 6)
        return false;
    if (text.compare(static_cast<size_t>(consumed), std::string::npos, "Z") != 0) return false;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second < 0 || second >= 61)
        return false;
    // Days since 1970-01-01 of a proleptic Gregorian date.
    const int y = year - (month <= 2);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(y - era * 400);
    const unsigned dayOfYear = (153 * static_cast<unsigned>(month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const long long days = static_cast<long long>(era) * 146097 + dayOfEra - 719468;
    seconds = static_cast<double>(days) * 86400 + hour * 3600 + minute * 60 + second;
    return true;
}
