#pragma once

#include <cstdint>

// The carried firmware image: Motorola S-record text, used in place. The text
// carries no terminating zero, so every search stays within size.
struct FirmwareImageState {
    const char* text = nullptr;
    uint32_t size = 0;
    const char* cursor = nullptr;  // next byte the transfer sends
};

extern FirmwareImageState FirmwareImage;

// Locks the carried image and, on Windows, starts Winsock 1.1. moduleInstance
// is the executable's instance handle on Windows and unused elsewhere.
// False when the image is missing or empty, or Winsock does not start.
bool LoadFirmwareImage(void* moduleInstance);

// Points FirmwareImage at other bytes (tests, and a build with another image).
void UseFirmwareImage(const char* text, uint32_t size);
