#include "console/maintenance.h"

#include <cstdio>
#include <cstring>

#include "console/console_limits.h"
#include "console/wait_deadline.h"
#include "firmware/hex_digit.h"

const char* const kEraseCommands[kErasedBlocks + 4] = {
    "debug 1\r\n",   "era 20000\r\n", "era 30000\r\n", "era 40000\r\n", "era 50000\r\n", "era 60000\r\n",
    "era 70000\r\n", "era 80000\r\n", "era 90000\r\n", "era A0000\r\n", "era B0000\r\n", "era C0000\r\n",
    "era D0000\r\n", "era E0000\r\n", "era F0000\r\n", "debug 0\r\n",   "echo 1\r\n",    "bye\r\n"};

namespace {

// A receive that does not wait: the device has closed or reset the connection.
bool ConnectionEnded(ConsoleConnection& console) {
    char dropped[kConsoleReceiveSize];
    const int result = NetReceive(console.socket, dropped, sizeof dropped, 0);
    return result == 0 || result == kReceiveFailed;
}

// After "bye": drops what arrives until the device closes the connection.
EraseOutcome AwaitConsoleEnd(ConsoleConnection& console) {
    const WaitDeadline deadline(console.waits.loginMs);
    char dropped[kConsoleReceiveSize];
    for (;;) {
        const int result = NetReceive(console.socket, dropped, sizeof dropped, deadline.LeftMs());
        if (result == 0) return EraseOutcome::Done;
        if (result == kReceiveTimedOut) return EraseOutcome::NotEnded;
        if (result < 0) return EraseOutcome::Dropped;
    }
}

}  // namespace

EraseReport SendEraseCommands(ConsoleConnection& console) {
    EraseReport report;
    for (const char* command : kEraseCommands) {
        if (ConnectionEnded(console)) {
            report.outcome = EraseOutcome::EndedEarly;
            return report;
        }
        if (SendCommand(console, command) != static_cast<int>(std::strlen(command))) {
            report.outcome = EraseOutcome::SendFailed;
            return report;
        }
        ++report.linesSent;
    }
    return report;
}

EraseReport EraseAndAwaitEnd(ConsoleConnection& console) {
    EraseReport report = SendEraseCommands(console);
    if (report.outcome == EraseOutcome::Done) report.outcome = AwaitConsoleEnd(console);
    return report;
}

bool IsValidMacDigits(const char* digits) {
    for (int i = 0; i < 4; ++i)
        if (HexDigitValue(digits[i]) < 0) return false;
    return true;
}

void BuildMacWriteFrame(const char* digits, char (&frame)[kMacFrameSize]) {
    char command[256] = {};
    char tail[5] = {};
    std::strncpy(tail, digits, 4);
    std::snprintf(command, sizeof command, "fw %x %s\r\n", kMacRegister, tail);
    std::memcpy(frame, command, kMacFrameSize);
}

void FormatWrittenMacAddress(const char* digits, char (&address)[kMacAddressTextSize]) {
    char high[3] = {};
    char low[3] = {};
    std::strncpy(high, digits, 2);
    if (std::strlen(digits) > 2) std::strncpy(low, digits + 2, 2);
    std::snprintf(address, sizeof address, "02-4C-1A-03-%s-%s", high, low);
}

MacWriteOutcome RunMacWrite(ConsoleConnection& console, const DeviceReachRequest& request, const char* digits) {
    if (!IsValidMacDigits(digits)) return MacWriteOutcome::InvalidDigits;
    ReachedDevice device;
    switch (ReachDevice(console, request, device)) {
    case DeviceReach::Reached: return SendMacWrite(console, digits);
    case DeviceReach::NoSocket: return MacWriteOutcome::NoSocket;
    case DeviceReach::HostNotResolved:
    case DeviceReach::NotConnected: return MacWriteOutcome::InvalidHost;
    default: return MacWriteOutcome::WriteFailed;
    }
}

MacWriteOutcome SendMacWrite(ConsoleConnection& console, const char* digits) {
    char frame[kMacFrameSize];
    BuildMacWriteFrame(digits, frame);
    bool ok = SendCommand(console, "debug 1\r\n") > 0;
    ok = ok && NetSend(console.socket, frame, kMacFrameSize) == kMacFrameSize;
    ok = ok && SendCommand(console, "debug 0\r\n") > 0;
    ok = ok && SendCommand(console, "echo 1\r\n") > 0;
    ok = ok && SendCommand(console, "bye\r\n") > 0;
    CloseConsole(console);
    return ok ? MacWriteOutcome::Written : MacWriteOutcome::WriteFailed;
}
