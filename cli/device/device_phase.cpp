#include "cli/device/device_phase.h"

const PhaseTraits& TraitsOf(DevicePhase phase) {
    for (const PhaseTraits& t : kPhaseTraits)
        if (t.phase == phase) return t;
    return kPhaseTraits[0];
}

bool PhaseFromName(const std::string& name, DevicePhase& phase) {
    for (const PhaseTraits& t : kPhaseTraits) {
        if (name != t.name) continue;
        phase = t.phase;
        return true;
    }
    return false;
}
