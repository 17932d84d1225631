#include "sim/srecord_check.h"

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Number of address bytes for each record type; 0 for a type that does not exist.
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

}  // namespace

std::string_view WithoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

std::optional<Srecord> ParseSrecord(std::string_view line) {
    line = WithoutLineEnd(line);
    if (line.size() < 4 || line[0] != 'S' || line.size() % 2 != 0) return std::nullopt;
    const size_t addressBytes = AddressBytes(line[1]);
    if (addressBytes == 0) return std::nullopt;

    std::vector<uint8_t> bytes;  // count, address, data, checksum
    for (size_t i = 2; i < line.size(); i += 2) {
        const int high = HexDigit(line[i]);
        const int low = HexDigit(line[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<uint8_t>(high * 16 + low));
    }
    if (bytes[0] + 1u != bytes.size() || bytes[0] < addressBytes + 1) return std::nullopt;

    unsigned sum = 0;
    for (size_t i = 0; i + 1 < bytes.size(); ++i) sum += bytes[i];
    if (static_cast<uint8_t>(~sum) != bytes.back()) return std::nullopt;

    Srecord record;
    record.type = line[1];
    for (size_t i = 0; i < addressBytes; ++i) record.address = (record.address << 8) | bytes[1 + i];
    record.data.assign(bytes.begin() + 1 + static_cast<std::ptrdiff_t>(addressBytes), bytes.end() - 1);
    return record;
}

uint16_t ImageSum(const std::vector<std::string>& lines) {
    unsigned sum = 0;
    for (const std::string& line : lines) {
        const auto record = ParseSrecord(line);
        if (!record || record->type < '1' || record->type > '3') continue;
        for (uint8_t b : record->data) sum += b;
    }
    return static_cast<uint16_t>(sum & 0xFFFF);
}

std::string ImageVersion(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        const auto record = ParseSrecord(line);
        if (!record || record->type != '2' || record->address != 0x020200) continue;
        const std::vector<uint8_t>& d = record->data;
        if (d.size() < 5 || d[0] != 'v' || d[1] != 'e' || d[2] != 'r' || d[3] != '.') continue;
        std::string text;
        size_t i = 4;
        for (; i < d.size() && d[i] != 0; ++i) text += static_cast<char>(d[i]);
        if (i == d.size() || text.empty()) continue;  // no terminating zero byte
        return text;
    }
    return {};
}
