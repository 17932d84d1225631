#include <windows.h>

#include "app/mac_write_mode.h"
#include "app/mac_write_text.h"
#include "startup/command_line.h"
#include "startup/program_state.h"

bool WriteMacAddress() {
    if (!MacWriteMode) return true;
    DeviceReachRequest request;  // the plain connect and the login, nothing read
    request.host = MacWriteHost;
    request.readVersion = false;
    const MacWriteOutcome outcome = RunMacWrite(ConsoleSocket, request, MacWriteDigits);
    // Without a socket there is nothing to tell about a device.
    if (outcome == MacWriteOutcome::NoSocket) return false;
    char message[1024];
    MessageBoxA(nullptr, MacWriteOutcomeText(outcome, MacWriteDigits, message), "TQM-530R", MB_ICONWARNING);
    return false;
}
