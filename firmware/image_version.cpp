#include "firmware/image_version.h"

#include <algorithm>
#include <cstring>

#include "firmware/hex_digit.h"

namespace {

const char* FindMarker(const char* text, uint32_t size) {
    const char* end = text + size;
    const char* markerEnd = VersionRecordMarker + std::strlen(VersionRecordMarker);
    const char* hit = std::search(text, end, VersionRecordMarker, markerEnd);
    return hit == end ? nullptr : hit;
}

}  // namespace

int32_t HexTextToInt(const char* text, int count) {
    if (count <= 0) return 0;
    uint32_t value = 0;
    for (int k = 0; k < count; ++k) value = value * 16 + static_cast<uint32_t>(std::max(0, HexDigitValue(text[k])));
    return static_cast<int32_t>(value);
}

bool ExtractImageVersion(char (&versionText)[kImageVersionTextSize], const char* text, uint32_t size) {
    std::memset(versionText, 0, sizeof versionText);
    const char* marker = text ? FindMarker(text, size) : nullptr;
    if (!marker) return false;
    const uint32_t first = static_cast<uint32_t>(marker - text) + std::strlen(VersionRecordMarker);
    for (uint32_t k = 0; k < kImageVersionTextSize; ++k) {
        char pair[2];
        for (uint32_t j = 0; j < 2; ++j) {
            const uint32_t at = first + 2 * k + j;
            pair[j] = at < size ? text[at] : '\0';
        }
        versionText[k] = static_cast<char>(HexTextToInt(pair, 2));
    }
    return true;
}
