#include "cli/commands/exit_codes.h"

int BatchExitCode(const std::vector<DeviceOutcome>& outcomes) {
    bool busy = false;
    for (const DeviceOutcome& o : outcomes)
        if (o.result == DeviceResult::NotStarted) return kExitStopped;
    for (const DeviceOutcome& o : outcomes) {
        if (ResultIsSuccess(o.result)) continue;
        if (o.result != DeviceResult::Busy) return kExitFailed;
        busy = true;
    }
    return busy ? kExitBusy : kExitOk;
}
