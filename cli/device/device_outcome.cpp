#include "cli/device/device_outcome.h"

namespace {
struct Name {
    DeviceResult result;
    const char* text;
};
constexpr Name kNames[] = {
    {DeviceResult::Verified, "verified"},       {DeviceResult::Updated, "updated"},
    {DeviceResult::Skipped, "skipped"},         {DeviceResult::Refused, "refused"},
    {DeviceResult::Mismatch, "mac-changed"},    {DeviceResult::Busy, "busy"},
    {DeviceResult::Failed, "failed"},           {DeviceResult::Unverified, "unverified"},
    {DeviceResult::Interrupted, "interrupted"}, {DeviceResult::NotStarted, "not started"},
};
}  // namespace

const char* ResultName(DeviceResult result) {
    for (const Name& n : kNames)
        if (n.result == result) return n.text;
    return "failed";
}

bool ResultFromName(const std::string& name, DeviceResult& result) {
    for (const Name& n : kNames) {
        if (name != n.text) continue;
        result = n.result;
        return true;
    }
    return false;
}

bool ResultIsSuccess(DeviceResult result) {
    return result == DeviceResult::Verified || result == DeviceResult::Updated || result == DeviceResult::Skipped;
}
