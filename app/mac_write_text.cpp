#include "app/mac_write_text.h"

#include <cstdio>

const char* MacWriteOutcomeText(MacWriteOutcome outcome, const char* digits, char (&message)[1024]) {
    switch (outcome) {
    case MacWriteOutcome::Written: {
        char address[kMacAddressTextSize];
        FormatWrittenMacAddress(digits, address);
        std::snprintf(message, sizeof message, "MAC address [%s] written.", address);
        return message;
    }
    case MacWriteOutcome::InvalidDigits: return "Invalid MAC address";
    case MacWriteOutcome::InvalidHost: return "Invalid IP address";
    case MacWriteOutcome::NoSocket:
    case MacWriteOutcome::WriteFailed: break;
    }
    return "MAC address write failed.";
}
