#include "cli/device/version_policy.h"

#include "firmware/firmware_version.h"

PolicyDecision DecideAction(const std::string& deviceVersion, const std::string& imageVersion, bool reinstall,
                            bool allowOlder) {
    const FirmwareVersion device = ParseFirmwareVersion(deviceVersion.c_str());
    const FirmwareVersion image = ParseFirmwareVersion(imageVersion.c_str());
    if (device == image) {
        if (reinstall) return {PlanAction::Update, "reinstall " + imageVersion};
        return {PlanAction::Skip, "already at " + imageVersion + " (--reinstall to write it again)"};
    }
    if (image < device) {
        if (allowOlder) return {PlanAction::Update, "downgrade " + deviceVersion + " to " + imageVersion};
        return {PlanAction::Refuse, "image " + imageVersion + " is older than the device's " + deviceVersion +
                                        " (--allow-older to write it)"};
    }
    return {PlanAction::Update, deviceVersion + " to " + imageVersion};
}

const char* ActionName(PlanAction action) {
    switch (action) {
    case PlanAction::Update: return "update";
    case PlanAction::Skip: return "skip";
    case PlanAction::Refuse: return "refuse";
    }
    return "?";
}
