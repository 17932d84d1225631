#include <windows.h>

#include "cli/platform/windows_file.h"
#include "cli/platform/host_name.h"

std::string ThisHostName() {
    wchar_t name[256];
    DWORD length = 256;
    if (!GetComputerNameExW(ComputerNameDnsHostname, name, &length)) return "";
    return Narrow(name, length);
}
