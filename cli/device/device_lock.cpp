#include "cli/device/device_lock.h"

#include <cstring>

std::string LockFileName(const std::string& ip, unsigned short port) {
    return "tqm530r-" + ip + "-" + std::to_string(port) + ".lock";
}

std::string HolderPidText(const char* text) {
    const size_t digits = std::strspn(text, "0123456789");
    const char end = text[digits];
    if (digits == 0 || digits > 10 || (end != '\0' && end != '\r' && end != '\n')) return {};
    return std::string(text, digits);
}

std::string HeldElsewhereText(const std::string& pid, const std::string& path) {
    return "another tqm530r" + (pid.empty() ? std::string() : " (pid " + pid + ")") + " is driving this device (lock " +
           path + ")";
}
