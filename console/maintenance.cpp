#include "console/maintenance.h"

#include <cstdio>
#include <cstring>

#include "console/console_session.h"

const char* const kEraseCommands[18] = {
    "debug 1\r\n",   "era 20000\r\n", "era 30000\r\n", "era 40000\r\n", "era 50000\r\n", "era 60000\r\n",
    "era 70000\r\n", "era 80000\r\n", "era 90000\r\n", "era A0000\r\n", "era B0000\r\n", "era C0000\r\n",
    "era D0000\r\n", "era E0000\r\n", "era F0000\r\n", "debug 0\r\n",   "echo 1\r\n",    "bye\r\n"};

void SendEraseCommands() {
    for (const char* command : kEraseCommands) SendCommand(command);
}

namespace {
bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
}  // namespace

bool IsValidMacDigits(const char* digits) {
    for (int i = 0; i < 4; ++i)
        if (!IsHexDigit(digits[i])) return false;
    return true;
}

void BuildMacWriteFrame(const char* digits, char (&frame)[kMacFrameSize]) {
    char command[256] = {};
    char tail[5] = {};
    std::strncpy(tail, digits, 4);
    std::snprintf(command, sizeof command, "fw %x %s\r\n", 772, tail);
    std::memcpy(frame, command, kMacFrameSize);
}

void FormatWrittenMacAddress(const char* digits, char (&address)[kMacAddressTextSize]) {
    char high[3] = {};
    char low[3] = {};
    std::strncpy(high, digits, 2);
    if (std::strlen(digits) > 2) std::strncpy(low, digits + 2, 2);
    std::snprintf(address, sizeof address, "02-4C-1A-03-%s-%s", high, low);
}

MacWriteOutcome RunMacWrite(const char* host, const char* digits, unsigned short port, int connectTimeoutMs) {
    if (!IsValidMacDigits(digits)) return MacWriteOutcome::InvalidDigits;
    switch (OpenConsole(host, port, connectTimeoutMs)) {
    case ConsoleOpenResult::Connected: break;
    case ConsoleOpenResult::NoSocket: return MacWriteOutcome::NoSocket;
    case ConsoleOpenResult::HostNotResolved:
    case ConsoleOpenResult::NotConnected: CloseConsole(); return MacWriteOutcome::InvalidHost;
    }
    bool ok = ConsoleLogin() > 0;
    char frame[kMacFrameSize];
    BuildMacWriteFrame(digits, frame);
    ok = ok && SendCommand("debug 1\r\n") > 0;
    ok = ok && NetSend(ConsoleSocket, frame, kMacFrameSize) == kMacFrameSize;
    ok = ok && SendCommand("debug 0\r\n") > 0;
    ok = ok && SendCommand("echo 1\r\n") > 0;
    ok = ok && SendCommand("bye\r\n") > 0;
    CloseConsole();
    return ok ? MacWriteOutcome::Written : MacWriteOutcome::WriteFailed;
}
