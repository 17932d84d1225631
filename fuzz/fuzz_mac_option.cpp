// The "/mac:" reading of a command line of any bytes: both fields stay
// terminated within their 128 bytes, and a request found means "/mac:" is there.
#include <cstdlib>
#include <cstring>
#include <string>

#include "startup/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);  // ends at its first zero byte for the reader
    MacWriteRequest request;
    ReadMacOption(line.c_str(), request);
    if (std::memchr(request.host, '\0', sizeof request.host) == nullptr) std::abort();
    if (std::memchr(request.digits, '\0', sizeof request.digits) == nullptr) std::abort();
    if (request.mode != (std::strstr(line.c_str(), "/mac:") != nullptr)) std::abort();
    if (std::strchr(request.host, ':') || std::strchr(request.digits, ':')) std::abort();
    ReadCommandLine(line.c_str());
    if (MacWriteMode != request.mode || std::strcmp(MacWriteDigits, request.digits) != 0) std::abort();
    return 0;
}
