#include "cli/device_address.h"

#include <cstdlib>

std::string DeviceAddress::Label() const { return port == kConsolePort ? host : host + ":" + std::to_string(port); }

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
    const std::string portText = text.substr(colon + 1);
    char* end = nullptr;
    const long port = std::strtol(portText.c_str(), &end, 10);
    if (portText.empty() || *end != '\0' || port < 1 || port > 65535) {
        error = "bad port in \"" + text + "\" (1..65535)";
        return false;
    }
    address.port = static_cast<unsigned short>(port);
    return true;
}
