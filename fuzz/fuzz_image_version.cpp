// The version record search over an arbitrary image of exactly size bytes,
// with no terminating zero, as the image is carried.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "firmware/image_version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly size bytes, so that any read past the image is caught.
    std::vector<char> image(data, data + size);
    char version[kImageVersionTextSize];
    const bool found = ExtractImageVersion(version, image.data(), static_cast<uint32_t>(size));
    static const char kNone[kImageVersionTextSize] = {};
    if (!found && std::memcmp(version, kNone, sizeof kNone) != 0) std::abort();
    return 0;
}
