// The image compiled into a program that has no executable resources.
#include "firmware/firmware_image.h"

extern "C" const char tqm530r_image_begin[];
extern "C" const char tqm530r_image_end[];

bool LoadFirmwareImage(void* /*moduleInstance*/, FirmwareImageView& image) {
    image.text = tqm530r_image_begin;
    image.size = static_cast<uint32_t>(tqm530r_image_end - tqm530r_image_begin);
    return image.size != 0;
}
