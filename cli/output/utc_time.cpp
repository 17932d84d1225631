#include "cli/output/utc_time.h"

#include <cstdio>

namespace {

struct CivilDate {
    long long year;
    unsigned month;
    unsigned day;
};

// The proleptic Gregorian date of a count of days since 1970-01-01.
CivilDate DateOfDays(long long days) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    const unsigned month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    return {static_cast<long long>(yearOfEra) + era * 400 + (month <= 2), month, day};
}

}  // namespace

std::string UtcText(std::chrono::system_clock::time_point when, bool microseconds) {
    using namespace std::chrono;
    const long long micros = duration_cast<std::chrono::microseconds>(when.time_since_epoch()).count();
    long long seconds = micros / 1000000;
    long long fraction = micros % 1000000;
    if (fraction < 0) {
        fraction += 1000000;
        --seconds;
    }
    long long days = seconds / 86400;
    long long inDay = seconds % 86400;
    if (inDay < 0) {
        inDay += 86400;
        --days;
    }
    const CivilDate date = DateOfDays(days);
    char text[48];
    const int n = std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02lld:%02lld:%02lld", date.year, date.month,
                                date.day, inDay / 3600, inDay / 60 % 60, inDay % 60);
    if (microseconds)
        std::snprintf(text + n, sizeof text - static_cast<size_t>(n), ".%06lldZ", fraction);
    else
        std::snprintf(text + n, sizeof text - static_cast<size_t>(n), "Z");
    return text;
}
