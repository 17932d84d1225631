// The image is the executable's resource of type "MOT", id 103; loading it
// also starts Winsock, so a program without its image never touches the network.
#include <winsock2.h>
#include <windows.h>

#include "firmware/firmware_image.h"
#include "res/resource.h"

namespace {
HRSRC FirmwareResourceInfo = nullptr;
HGLOBAL FirmwareResourceData = nullptr;
}  // namespace

bool LoadFirmwareImage(void* moduleInstance) {
    HMODULE module = static_cast<HMODULE>(moduleInstance);
    FirmwareResourceInfo = FindResourceA(module, MAKEINTRESOURCEA(IDR_FIRMWARE), "mot");
    FirmwareResourceData = FirmwareResourceInfo ? LoadResource(module, FirmwareResourceInfo) : nullptr;
    const char* text = FirmwareResourceData ? static_cast<const char*>(LockResource(FirmwareResourceData)) : nullptr;
    const DWORD size = FirmwareResourceInfo ? SizeofResource(module, FirmwareResourceInfo) : 0;
    UseFirmwareImage(text, size);
    if (size == 0 || text == nullptr) return false;
    WSADATA data;
    return WSAStartup(0x0101, &data) == 0;
}
