#include "cli/device/device_outcome.h"

const ResultTraits& TraitsOf(DeviceResult result) {
    for (const ResultTraits& t : kResultTraits)
        if (t.result == result) return t;
    return kResultTraits[0];
}

const char* ResultName(DeviceResult result) { return TraitsOf(result).name; }

bool ResultFromName(const std::string& name, DeviceResult& result) {
    for (const ResultTraits& t : kResultTraits) {
        if (name != t.name) continue;
        result = t.result;
        return true;
    }
    return false;
}

DeviceResult ResultNamed(const std::string& name) {
    DeviceResult result = DeviceResult::Failed;
    ResultFromName(name, result);
    return result;
}
