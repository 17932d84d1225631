// Version texts of any bytes: only the first 16 characters are looked at,
// and the order of parsed versions stays a strict weak order.
#include <cstdlib>
#include <string>

#include "firmware/firmware_version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const FirmwareVersion v = ParseFirmwareVersion(text.c_str());
    if (text.size() > 16) {
        const std::string cut = text.substr(0, 16);
        if (!(ParseFirmwareVersion(cut.c_str()) == v)) std::abort();
    }
    if (v < v) std::abort();
    return 0;
}
