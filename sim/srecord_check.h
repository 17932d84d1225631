#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The simulator reads S-records with its own reader, not the one in firmware/,
// on purpose: it checks what the device receives independently of the code
// that sent it, so a fault in the updater's reader cannot hide itself here.

// One S-record line as the device reads it: type digit, load address and data.
struct Srecord {
    char type = '0';
    uint32_t address = 0;
    std::vector<uint8_t> data;
};

// The line without its "\r\n" or "\n".
std::string_view WithoutLineEnd(std::string_view line);

// The record of a line; nothing when the line is malformed (bad type, odd
// length, a non-hex digit, a count that disagrees with the length) or its
// checksum byte is not the ones' complement of the low byte of the sum of
// count, address and data bytes.
std::optional<Srecord> ParseSrecord(std::string_view line);

inline bool SrecordChecksumOk(std::string_view line) { return ParseSrecord(line).has_value(); }

// 16-bit sum of the data bytes of all well-formed data records (S1, S2, S3).
uint16_t ImageSum(const std::vector<std::string>& lines);

// The version an image carries: the S2 record at 0x020200 whose data are
// "ver." + version text + a zero byte. Empty when the image has none.
std::string ImageVersion(const std::vector<std::string>& lines);
