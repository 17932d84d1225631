#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "firmware/image_version.h"

// Motorola S-record text read from a buffer: one record, or a whole image.
// Hexadecimal digits of either case are read; line ends are "\n" or "\r\n".

// Why a line is not a sound record, in the order the checks run.
enum class SRecordFault : uint8_t {
    None,
    BadStart,          // not "S" followed by a record type (S0-S3, S5-S9)
    NotHex,            // a character after the type that is not a hex digit
    OddLength,         // the digits after the type do not make whole bytes
    TooShort,          // no room for the count, the type's address and a checksum
    CountMismatch,     // the byte count disagrees with the bytes on the line
    BadChecksum,       // not the ones' complement of the low byte of the sum
    PastAddressSpace,  // the data run beyond address FFFFFFFF
};

constexpr size_t kSRecordMaxData = 252;  // a count of 255 less a 2-byte address and the checksum

struct SRecord {
    char type = 0;      // '0'..'9'
    uint8_t count = 0;  // bytes after the count: address, data, checksum
    uint32_t address = 0;
    uint8_t dataSize = 0;
    uint8_t data[kSRecordMaxData] = {};
    uint8_t checksum = 0;
};

bool IsDataRecord(char type);   // S1, S2, S3
bool IsStartRecord(char type);  // S7, S8, S9

// Reads the record text [text, text + length), without its line end. record
// holds the line's fields only when the result is None.
SRecordFault ReadSRecord(const char* text, size_t length, SRecord& record);

// Bytes of the line at line: through its "\n", or to end when none follows.
// This is the line as the transfer sends it.
size_t ImageLineLength(const char* line, const char* end);
// The line's length without its trailing "\r" and "\n" characters.
size_t RecordTextLength(const char* line, size_t lineLength);

struct AddressRange {
    uint32_t first = 0;
    uint32_t last = 0;  // inclusive
};

struct SRecordLineFault {
    uint32_t line = 0;  // 1-based, 0 when none
    SRecordFault fault = SRecordFault::None;
};

struct SRecordImage {
    uint32_t lines = 0;       // lines as the transfer sends them
    uint32_t records = 0;     // lines that are not empty
    uint32_t badRecords = 0;  // records with any fault
    SRecordLineFault firstBad;
    std::vector<AddressRange> ranges;  // data of consecutive records joined where they touch
    bool hasStart = false;
    uint32_t start = 0;  // address of the last S7, S8 or S9 record
    bool hasVersion = false;
    char version[kImageVersionTextSize] = {};  // as ExtractImageVersion stores it
};

// Reads every line of the image text [text, text + size); empty lines are
// counted as lines and otherwise skipped.
SRecordImage ReadSRecordImage(const char* text, uint32_t size);
