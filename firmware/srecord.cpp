#include "firmware/srecord.h"

#include <cstring>

#include "firmware/hex_digit.h"

namespace {

// Address bytes of each record type; 0 for S4 and anything that is no type.
size_t AddressBytes(char type) {
    switch (type) {
    case '0':
    case '1':
    case '5':
    case '9': return 2;
    case '2':
    case '6':
    case '8': return 3;
    case '3':
    case '7': return 4;
    default: return 0;
    }
}

bool AllHex(const char* digits, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (HexDigitValue(digits[i]) < 0) return false;
    return true;
}

uint8_t ByteAt(const char* digits, size_t index) {
    return static_cast<uint8_t>(HexDigitValue(digits[2 * index]) * 16 + HexDigitValue(digits[2 * index + 1]));
}

SRecordFault CheckForm(const char* text, size_t length) {
    if (length < 2 || text[0] != 'S' || AddressBytes(text[1]) == 0) return SRecordFault::BadStart;
    const size_t digits = length - 2;
    if (!AllHex(text + 2, digits)) return SRecordFault::NotHex;
    if (digits % 2 != 0) return SRecordFault::OddLength;
    if (digits == 0) return SRecordFault::TooShort;
    const size_t count = ByteAt(text + 2, 0);
    if (count != digits / 2 - 1) return SRecordFault::CountMismatch;
    if (count < AddressBytes(text[1]) + 1) return SRecordFault::TooShort;
    return SRecordFault::None;
}

void AddRange(std::vector<AddressRange>& ranges, const SRecord& record) {
    if (record.dataSize == 0) return;
    const uint32_t last = record.address + (record.dataSize - 1u);
    if (!ranges.empty() && ranges.back().last != UINT32_MAX && ranges.back().last + 1 == record.address) {
        ranges.back().last = last;
        return;
    }
    ranges.push_back({record.address, last});
}

void ReadLine(SRecordImage& image, const char* line, size_t length) {
    if (length == 0) return;
    ++image.records;
    SRecord record;
    const SRecordFault fault = ReadSRecord(line, length, record);
    if (fault != SRecordFault::None) {
        if (image.badRecords++ == 0) image.firstBad = {image.lines, fault};
        return;
    }
    if (IsDataRecord(record.type)) AddRange(image.ranges, record);
    if (IsStartRecord(record.type)) {
        image.hasStart = true;
        image.start = record.address;
    }
}

}  // namespace

bool IsDataRecord(char type) { return type >= '1' && type <= '3'; }

bool IsStartRecord(char type) { return type >= '7' && type <= '9'; }

SRecordFault ReadSRecord(const char* text, size_t length, SRecord& record) {
    const SRecordFault form = CheckForm(text, length);
    if (form != SRecordFault::None) return form;
    const char* digits = text + 2;
    const size_t addressBytes = AddressBytes(text[1]);
    record.type = text[1];
    record.count = ByteAt(digits, 0);
    unsigned sum = record.count;
    record.address = 0;
    for (size_t i = 1; i <= addressBytes; ++i) {
        sum += ByteAt(digits, i);
        record.address = record.address << 8 | ByteAt(digits, i);
    }
    record.dataSize = static_cast<uint8_t>(record.count - addressBytes - 1);
    for (size_t i = 0; i < record.dataSize; ++i) {
        record.data[i] = ByteAt(digits, 1 + addressBytes + i);
        sum += record.data[i];
    }
    record.checksum = ByteAt(digits, record.count);
    if (static_cast<uint8_t>(~sum) != record.checksum) return SRecordFault::BadChecksum;
    if (record.dataSize > 0 && record.address > UINT32_MAX - (record.dataSize - 1u))
        return SRecordFault::PastAddressSpace;
    return SRecordFault::None;
}

size_t ImageLineLength(const char* line, const char* end) {
    const void* lf = std::memchr(line, '\n', static_cast<size_t>(end - line));
    return lf ? static_cast<size_t>(static_cast<const char*>(lf) - line) + 1 : static_cast<size_t>(end - line);
}

size_t RecordTextLength(const char* line, size_t lineLength) {
    while (lineLength > 0 && (line[lineLength - 1] == '\n' || line[lineLength - 1] == '\r')) --lineLength;
    return lineLength;
}

SRecordImage ReadSRecordImage(const char* text, uint32_t size) {
    SRecordImage image;
    image.hasVersion = ExtractImageVersion(image.version, text, size);
    if (text == nullptr) return image;
    const char* end = text + size;
    for (const char* line = text; line < end;) {
        const size_t length = ImageLineLength(line, end);
        ++image.lines;
        ReadLine(image, line, RecordTextLength(line, length));
        line += length;
    }
    return image;
}
