// The check of an image file from the maker over any bytes: no crash, and a
// file it accepts is one the firmware's reader and the transfer take whole.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "firmware/firmware_version.h"
#include "firmware/image_file.h"
#include "firmware/srecord.h"

#define REQUIRE(condition)              \
    do {                                \
        if (!(condition)) std::abort(); \
    } while (0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxImageFileSize) return 0;
    const char* text = reinterpret_cast<const char*>(data);
    const ImageFileCheck check = CheckImageFile(text, static_cast<uint32_t>(size));
    const SRecordImage image = ReadSRecordImage(text, static_cast<uint32_t>(size));
    REQUIRE(check.line <= image.lines);
    if (check.fault != ImageFileFault::None) return 0;
    REQUIRE(size >= 2 && text[size - 2] == '\r' && text[size - 1] == '\n');
    REQUIRE(std::memchr(text, '\0', size) == nullptr);
    REQUIRE(image.badRecords == 0 && image.records == image.lines && image.hasVersion);
    REQUIRE(IsWellFormedVersion(check.version));
    return 0;
}
