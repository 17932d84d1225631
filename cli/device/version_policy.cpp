#include "cli/device/version_policy.h"

#include "console/version_verdict.h"

PolicyDecision DecideAction(const std::string& deviceVersion, const std::string& imageVersion,
                            const VersionPolicy& policy) {
    switch (JudgeDeviceVersion(deviceVersion.c_str(), imageVersion.c_str())) {
    case VersionVerdict::Latest:
        if (policy.reinstall) return {PlanAction::Update, "reinstall " + imageVersion};
        return {PlanAction::Skip, "already at " + imageVersion + " (--reinstall to write it again)"};
    case VersionVerdict::Newer:
        if (policy.allowOlder) return {PlanAction::Update, "downgrade " + deviceVersion + " to " + imageVersion};
        return {PlanAction::Refuse, "image " + imageVersion + " is older than the device's " + deviceVersion +
                                        " (--allow-older to write it)"};
    case VersionVerdict::CanUpdate:
    case VersionVerdict::NoValidFirmware: break;
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
