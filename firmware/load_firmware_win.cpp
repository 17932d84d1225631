// The image is the executable's resource of type "MOT", id 103; loading it
// also starts Winsock, so a program without its image never touches the network.
#include <winsock2.h>
#include <windows.h>

#include "firmware/firmware_image.h"
#include "res/resource.h"

bool LoadFirmwareImage(void* moduleInstance, FirmwareImageView& image) {
    HMODULE module = static_cast<HMODULE>(moduleInstance);
    // A locked resource stays in place for the life of the process.
    const HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(IDR_FIRMWARE), "mot");
    const HGLOBAL data = info ? LoadResource(module, info) : nullptr;
    image.text = data ? static_cast<const char*>(LockResource(data)) : nullptr;
    image.size = info ? SizeofResource(module, info) : 0;
    if (image.size == 0 || image.text == nullptr) return false;
    WSADATA winsock;
    return WSAStartup(0x0101, &winsock) == 0;
}
