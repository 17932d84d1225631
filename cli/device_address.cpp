#include "cli/device_address.h"

#include <cctype>

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
