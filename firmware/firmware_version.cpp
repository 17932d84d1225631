#include "firmware/firmware_version.h"

#include <cstring>

namespace {

constexpr int kVersionTextMax = 16;

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Decimal value of a token, reduced to 8 bits. Accumulating modulo 256 gives
// the same low byte as the exact number, without overflow on long digit runs.
uint8_t TokenNumber(const char* token, int length) {
    int i = 0;
    while (i < length && IsSpace(token[i])) ++i;
    bool negative = false;
    if (i < length && (token[i] == '+' || token[i] == '-')) negative = token[i++] == '-';
    uint8_t value = 0;
    for (; i < length && token[i] >= '0' && token[i] <= '9'; ++i)
        value = static_cast<uint8_t>(value * 10 + (token[i] - '0'));
    return negative ? static_cast<uint8_t>(0u - value) : value;
}

}  // namespace

FirmwareVersion ParseFirmwareVersion(const char* text) {
    int length = 0;
    while (length < kVersionTextMax && text[length] != '\0') ++length;

    uint8_t numbers[3] = {0, 0, 0};
    int found = 0;
    int i = 0;
    while (i < length && found < 3) {
        while (i < length && text[i] == '.') ++i;
        int start = i;
        while (i < length && text[i] != '.') ++i;
        if (i > start) numbers[found++] = TokenNumber(text + start, i - start);
    }
    FirmwareVersion v;
    v.major = numbers[0];
    v.minor = numbers[1];
    v.patch = numbers[2];
    return v;
}

bool IsWellFormedVersion(const char* text) {
    for (int number = 0; number < 3; ++number) {
        if (number > 0 && *text++ != '.') return false;
        int value = 0;
        int digits = 0;
        for (; *text >= '0' && *text <= '9'; ++text, ++digits) value = value * 10 + (*text - '0');
        if (digits == 0 || digits > 3 || value > 255) return false;
    }
    return *text == '\0';
}
