#include <windows.h>

#include "app/mac_write_mode.h"
#include "app/mac_write_text.h"
#include "startup/command_line.h"

bool WriteMacAddress() {
    if (!MacWriteMode) return true;
    const MacWriteOutcome outcome = RunMacWrite(MacWriteHost, MacWriteDigits);
    // Without a socket there is nothing to tell about a device.
    if (outcome == MacWriteOutcome::NoSocket) return false;
    char message[1024];
    MessageBoxA(nullptr, MacWriteOutcomeText(outcome, MacWriteDigits, message), "TQM-530R", MB_ICONWARNING);
    return false;
}
