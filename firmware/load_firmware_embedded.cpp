// The image compiled into a program that has no executable resources.
#include "firmware/firmware_image.h"

extern "C" const char tqm530r_image_begin[];
extern "C" const char tqm530r_image_end[];

bool LoadFirmwareImage(void* /*moduleInstance*/) {
    const uint32_t size = static_cast<uint32_t>(tqm530r_image_end - tqm530r_image_begin);
    UseFirmwareImage(tqm530r_image_begin, size);
    return size != 0;
}
