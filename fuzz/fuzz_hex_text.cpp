// HexTextToInt over a count of characters that the first byte chooses; it
// reads exactly count characters, never beyond.
#include <cstdlib>
#include <vector>

#include "firmware/image_version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int count = static_cast<int>(data[0] % 16);
    std::vector<char> text(data + 1, data + size);
    if (static_cast<size_t>(count) > text.size()) return 0;
    const int32_t value = HexTextToInt(text.data(), count);
    if (count <= 7 && (value < 0 || value >= (1 << (4 * count)))) std::abort();  // fits in count digits
    return 0;
}
