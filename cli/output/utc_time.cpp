#include "cli/output/utc_time.h"

#include <cmath>
#include <cstdio>

namespace {

// Where the numbers of "2026-12-07T19:12:16" stand, and what follows each.
struct DatePart {
    size_t at;
    size_t digits;
    char after;  // '\0': the fraction or "Z" follows
};
constexpr DatePart kDateParts[] = {{0, 4, '-'}, {5, 2, '-'}, {8, 2, 'T'}, {11, 2, ':'}, {14, 2, ':'}, {17, 2, '\0'}};

// text[at..at+count) as a number, when every one of them is a digit.
bool Digits(const std::string& text, size_t at, size_t count, int& value) {
    if (at + count > text.size()) return false;
    value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// The end of the text from at: "Z", or "." with one to six digits and "Z".
bool ReadFraction(const std::string& text, size_t at, double& fraction) {
    fraction = 0;
    if (text.size() == at + 1 && text[at] == 'Z') return true;
    if (text.size() < at + 3 || text.size() > at + 8 || text[at] != '.' || text.back() != 'Z') return false;
    const size_t digits = text.size() - at - 2;  // between "." and "Z"
    int value = 0;
    if (!Digits(text, at + 1, digits, value)) return false;
    fraction = value / std::pow(10.0, static_cast<double>(digits));
    return true;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date.
long long DaysSince1970(int year, int month, int day) {
    const int y = year - (month <= 2);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(y - era * 400);
    const unsigned dayOfYear = (153 * static_cast<unsigned>(month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return static_cast<long long>(era) * 146097 + dayOfEra - 719468;
}

// The proleptic Gregorian date of a count of days since 1970-01-01: the
// inverse of DaysSince1970, with no C library call (so any thread may ask,
// and times before 1970 read the same on every platform).
void DateOfDays(long long days, int& year, int& month, int& day) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthFromMarch = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    year = static_cast<int>(static_cast<long long>(yearOfEra) + era * 400 + (month <= 2));
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
    long long secondOfDay = seconds % 86400;
    if (secondOfDay < 0) {
        secondOfDay += 86400;
        --days;
    }
    int year = 1970, month = 1, day = 1;
    DateOfDays(days, year, month, day);
    char text[64];
    const int n = std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02lld:%02lld:%02lld", year, month, day,
                                secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60);
    if (microseconds)
        std::snprintf(text + n, sizeof text - static_cast<size_t>(n), ".%06lldZ", fraction);
    else
        std::snprintf(text + n, sizeof text - static_cast<size_t>(n), "Z");
    return text;
}

bool ParseUtcText(const std::string& text, double& seconds) {
    int field[6];  // year, month, day, hour, minute, second
    for (size_t i = 0; i < 6; ++i) {
        const DatePart& part = kDateParts[i];
        if (!Digits(text, part.at, part.digits, field[i])) return false;
        if (part.after != '\0' && text[part.at + part.digits] != part.after) return false;
    }
    double fraction = 0;
    if (!ReadFraction(text, 19, fraction)) return false;
    const int year = field[0], month = field[1], day = field[2];
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
    if (field[3] > 23 || field[4] > 59 || field[5] > 59) return false;
    seconds = static_cast<double>(DaysSince1970(year, month, day)) * 86400 + field[3] * 3600 + field[4] * 60 +
              field[5] + fraction;
    return true;
}
