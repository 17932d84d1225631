#pragma once

#include <cstdint>

// A firmware image: Motorola S-record text, used in place and never written.
// The text carries no terminating zero, so every search stays within size.
struct FirmwareImageView {
    const char* text = nullptr;
    uint32_t size = 0;
};

// Locks the carried image into image and, on Windows, starts Winsock 1.1.
// moduleInstance is the executable's instance handle on Windows and unused
// elsewhere. False when the image is missing or empty, or Winsock does not start.
bool LoadFirmwareImage(void* moduleInstance, FirmwareImageView& image);
