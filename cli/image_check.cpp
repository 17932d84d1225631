#include "cli/image_check.h"

#include <openssl/evp.h>

#include <cstring>

#include "firmware/image_version.h"

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The record's bytes after "Sn" (count, address, data, checksum), or false.
bool RecordBytes(const char* line, size_t length, std::vector<uint8_t>& bytes) {
    if (length < 4 || (length - 2) % 2 != 0) return false;
    bytes.clear();
    for (size_t i = 2; i < length; i += 2) {
        const int high = HexValue(line[i]), low = HexValue(line[i + 1]);
        if (high < 0 || low < 0) return false;
        bytes.push_back(static_cast<uint8_t>(high * 16 + low));
    }
    return true;
}

int AddressBytes(char type) {
    switch (type) {
        case '0': case '1': case '5': case '9': return 2;
        case '2': case '6': case '8': return 3;
        case '3': case '7': return 4;
        default: return -1;
    }
}

struct Record {
    char type = 0;
    uint32_t address = 0;
    size_t dataBytes = 0;
};

bool ReadRecord(const char* line, size_t length, Record& record) {
    std::vector<uint8_t> bytes;
    if (length < 2 || line[0] != 'S' || !RecordBytes(line, length, bytes)) return false;
    record.type = line[1];
    const int addressBytes = AddressBytes(record.type);
    if (addressBytes < 0 || bytes[0] + 1u != bytes.size() || bytes[0] < addressBytes + 1) return false;
    unsigned sum = 0;
    for (size_t i = 0; i + 1 < bytes.size(); ++i) sum += bytes[i];
    if (static_cast<uint8_t>(~sum) != bytes.back()) return false;
    record.address = 0;
    for (int i = 1; i <= addressBytes; ++i) record.address = record.address << 8 | bytes[i];
    record.dataBytes = bytes.size() - 2 - addressBytes;
    return true;
}

void AddRange(std::vector<AddressRange>& ranges, uint32_t address, size_t bytes) {
    if (bytes == 0) return;
    const uint32_t last = address + static_cast<uint32_t>(bytes) - 1;
    if (!ranges.empty() && ranges.back().last + 1 == address) {
        ranges.back().last = last;
    } else {
        ranges.push_back({address, last});
    }
}

void Bad(ImageReport& report, unsigned lineNumber) {
    ++report.badRecords;
    if (report.firstBadLine == 0) report.firstBadLine = lineNumber;
}

void ReadLine(ImageReport& report, const char* line, size_t length) {
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) --length;
    if (length == 0) return;
    ++report.records;
    Record record;
    if (!ReadRecord(line, length, record)) return Bad(report, report.lines);
    if (record.type >= '1' && record.type <= '3') AddRange(report.ranges, record.address, record.dataBytes);
    if (record.type >= '7' && record.type <= '9') {
        report.hasStart = true;
        report.start = record.address;
    }
}

}  // namespace

ImageReport CheckImage(const char* text, uint32_t size) {
    ImageReport report;
    report.size = size;
    report.sha256 = Sha256Hex(text, size);
    char version[kImageVersionTextSize];
    if (ExtractImageVersion(version, text, size)) report.version.assign(version, strnlen(version, sizeof version));
    const char* end = text + size;
    for (const char* line = text; line < end;) {
        const void* lf = std::memchr(line, '\n', static_cast<size_t>(end - line));
        const char* next = lf ? static_cast<const char*>(lf) + 1 : end;
        ++report.lines;
        ReadLine(report, line, static_cast<size_t>(next - line));
        line = next;
    }
    return report;
}

bool ImageIsSound(const ImageReport& report) {
    return !report.version.empty() && report.badRecords == 0 && report.records > 0;
}

std::string ImageProblem(const ImageReport& report) {
    if (report.records == 0) return "the image holds no S-records";
    if (report.version.empty()) return "the image has no version record";
    if (report.badRecords > 0)
        return std::to_string(report.badRecords) + " record(s) with a wrong checksum or form, the first on line " +
               std::to_string(report.firstBadLine);
    return {};
}

std::string Sha256Hex(const char* data, size_t size) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    if (EVP_Digest(data, size, digest, &length, EVP_sha256(), nullptr) != 1) return {};
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned i = 0; i < length; ++i) {
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 15];
    }
    return text;
}
