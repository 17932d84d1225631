#include "firmware/firmware_image.h"

FirmwareImageState FirmwareImage;

void UseFirmwareImage(const char* text, uint32_t size) {
    FirmwareImage.text = text;
    FirmwareImage.size = size;
    FirmwareImage.cursor = text;
}
