#pragma once

#include <cstdint>

// A firmware version as the device and the image record it: three byte-sized
// numbers, ordered by their packed value.
struct FirmwareVersion {
    uint8_t major = 0;
    uint8_t minor = 0;
    uint8_t patch = 0;

    uint32_t Packed() const { return (uint32_t{major} << 16) | (uint32_t{minor} << 8) | patch; }
};

inline bool operator<(const FirmwareVersion& a, const FirmwareVersion& b) { return a.Packed() < b.Packed(); }
inline bool operator==(const FirmwareVersion& a, const FirmwareVersion& b) { return a.Packed() == b.Packed(); }

// Reads at most the first 16 characters of a dotted version text. Empty tokens
// do not count ("1..2.3" is 1.2.3); a missing number is 0; each number keeps
// only its low 8 bits ("256" is 0, "-1" is 255); text after the digits is ignored.
FirmwareVersion ParseFirmwareVersion(const char* text);

// Strictly "N.N.N": three decimal numbers of one to three digits, each at most
// 255, joined by single dots, nothing else. A file from the maker must carry
// such a version; the device's answers are read by the rule above.
bool IsWellFormedVersion(const char* text);
