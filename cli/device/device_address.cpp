#include "cli/device/device_address.h"

#include <cctype>
#include <cstring>

std::string DeviceAddress::Label() const { return port == kConsolePort ? host : host + ":" + std::to_string(port); }

bool ReadPort(const std::string& text, unsigned short& port) {
    if (text.empty() || text.size() > 5) return false;
    long value = 0;
    for (const char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535) return false;
    port = static_cast<unsigned short>(value);
    return true;
}

bool ParseDeviceAddress(const std::string& text, unsigned short defaultPort, DeviceAddress& address,
                        std::string& error) {
    const size_t colon = text.rfind(':');
    address.host = text.substr(0, colon);
    address.port = defaultPort;
    if (address.host.empty()) {
        error = "empty host in \"" + text + "\"";
        return false;
    }
    if (colon == std::string::npos) return true;
    if (ReadPort(text.substr(colon + 1), address.port)) return true;
    error = "bad port in \"" + text + "\" (1..65535)";
    return false;
}

bool ParseDottedAddress(const std::string& text, uint32_t& address) {
    unsigned char bytes[4] = {};
    size_t at = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0 && (at >= text.size() || text[at++] != '.')) return false;
        const size_t start = at;
        unsigned value = 0;
        while (at < text.size() && at - start < 4 && std::isdigit(static_cast<unsigned char>(text[at])))
            value = value * 10 + static_cast<unsigned>(text[at++] - '0');
        if (at == start || at - start > 3 || value > 255) return false;
        bytes[part] = static_cast<unsigned char>(value);
    }
    if (at != text.size()) return false;
    std::memcpy(&address, bytes, sizeof address);
    return true;
}
