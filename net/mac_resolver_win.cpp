// SendARP comes from "IPHLPAPI.DLL" at run time; without it every sender
// keeps the all-ones address the caller put in the buffer.
#include <windows.h>

#include "net/mac_resolver.h"

namespace {
using SendArpFunction = DWORD(WINAPI*)(ULONG destination, ULONG source, PVOID mac, PULONG length);
}  // namespace

SendArpFunction SendArpProc = nullptr;

bool PrepareMacResolver() {
    HMODULE library = LoadLibraryA("IPHLPAPI.DLL");
    SendArpProc = library
                      ? reinterpret_cast<SendArpFunction>(reinterpret_cast<void*>(GetProcAddress(library, "SendARP")))
                      : nullptr;
    return SendArpProc != nullptr;
}

void ResolveMacAddress(uint32_t address, unsigned char (&mac)[6]) {
    if (!SendArpProc) return;
    unsigned char buffer[8];
    memcpy(buffer, mac, 6);
    ULONG length = 6;
    SendArpProc(address, 0, buffer, &length);
    memcpy(mac, buffer, 6);
}
