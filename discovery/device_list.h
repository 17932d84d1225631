#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include "discovery/device_store.h"

struct ListedDevice {
    std::string ip;
    std::string mac;  // "02-4c-1a-03-12-ab"
};

// The command line's store: grows with every device that answers, one per
// address, with the MAC of its first answer, in the order they answered.
class DeviceList : public DeviceStore {
public:
    // An address never listed, whatever answers from it and whatever its MAC:
    // the host's own (its own request looped back, a service of its own).
    // It counts as known, so no MAC is resolved for it.
    void Exclude(const char* ip);
    bool Known(const char* ip) const override;
    void Add(const char* ip, const unsigned char (&mac)[6]) override;
    const std::vector<ListedDevice>& Devices() const { return devices_; }

private:
    std::vector<ListedDevice> devices_;
    std::unordered_set<std::string> ips_;
};
