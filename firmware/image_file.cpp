#include "firmware/image_file.h"

#include <cstring>

#include "firmware/firmware_version.h"

namespace {

bool IsUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// "S", a type digit, then upper-case hexadecimal pairs.
bool IsRecordText(const char* text, size_t length) {
    if (length < 4 || text[0] != 'S' || text[1] < '0' || text[1] > '9' || length % 2 != 0) return false;
    for (size_t i = 2; i < length; ++i)
        if (!IsUpperHex(text[i])) return false;
    return true;
}

ImageFileCheck Refuse(ImageFileFault fault, uint32_t line, SRecordFault record = SRecordFault::None) {
    ImageFileCheck check;
    check.fault = fault;
    check.line = line;
    check.record = record;
    return check;
}

ImageFileCheck CheckLine(const char* line, size_t length, uint32_t number) {
    if (std::memchr(line, '\0', length)) return Refuse(ImageFileFault::ZeroByte, number);
    if (length < 2 || line[length - 2] != '\r' || line[length - 1] != '\n')
        return Refuse(ImageFileFault::NoCrLf, number);
    const size_t textLength = length - 2;
    if (!IsRecordText(line, textLength)) return Refuse(ImageFileFault::NotRecord, number);
    SRecord record;
    const SRecordFault fault = ReadSRecord(line, textLength, record);
    if (fault != SRecordFault::None) return Refuse(ImageFileFault::BadRecord, number, fault);
    return {};
}

}  // namespace

ImageFileCheck CheckImageFile(const char* text, uint32_t size) {
    if (size == 0) return Refuse(ImageFileFault::Empty, 0);
    const char* end = text + size;
    uint32_t number = 0;
    for (const char* line = text; line < end;) {
        const size_t length = ImageLineLength(line, end);
        const ImageFileCheck check = CheckLine(line, length, ++number);
        if (check.fault != ImageFileFault::None) return check;
        line += length;
    }
    ImageFileCheck check;
    char version[kImageVersionTextSize];
    if (!ExtractImageVersion(version, text, size)) return Refuse(ImageFileFault::NoVersion, 0);
    std::memcpy(check.version, version, sizeof version);
    if (!IsWellFormedVersion(check.version)) check.fault = ImageFileFault::BadVersion;
    return check;
}
