#include "cli/device/device_lock.h"

std::string LockFileName(const std::string& ip, unsigned short port) {
    return "tqm530r-" + ip + "-" + std::to_string(port) + ".lock";
}
