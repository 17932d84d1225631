#include <windows.h>

#include "cli/report/host_name.h"

std::string ThisHostName() {
    wchar_t name[256];
    DWORD length = 256;
    if (!GetComputerNameExW(ComputerNameDnsHostname, name, &length)) return "";
    const int n = WideCharToMultiByte(CP_UTF8, 0, name, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, name, static_cast<int>(length), &text[0], n, nullptr, nullptr);
    return text;
}
