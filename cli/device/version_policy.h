#pragma once

#include <string>

// What `update` does with a device, by its version against the image's.
enum class PlanAction { Update, Skip, Refuse };

struct PolicyDecision {
    PlanAction action = PlanAction::Update;
    std::string reason;  // one line for the plan and the summary
};

// Which devices update writes besides those older than the image.
struct VersionPolicy {
    bool reinstall = false;   // also one that runs the image's version
    bool allowOlder = false;  // also one that runs a newer version
};

// The action that follows from the one judgement of the versions
// (JudgeDeviceVersion, as the dialog judges them): equal versions are
// skipped unless reinstall; an image older than the device's is refused
// unless allowOlder.
PolicyDecision DecideAction(const std::string& deviceVersion, const std::string& imageVersion,
                            const VersionPolicy& policy);

// "update", "skip" or "refuse".
const char* ActionName(PlanAction action);
