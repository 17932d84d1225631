#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/image/sha256.h"
#include "firmware/firmware_image.h"
#include "firmware/srecord.h"

// The self-check of an S-record image, run by `image` and before every update:
// the firmware's reader and the image's SHA-256.
struct ImageReport {
    std::string version;        // from the version record; empty without one
    uint32_t size = 0;          // bytes
    unsigned lines = 0;         // lines as the transfer sends them
    unsigned records = 0;       // S-records read
    unsigned badRecords = 0;    // wrong checksum, length or syntax
    unsigned firstBadLine = 0;  // 1-based, 0 when none
    SRecordFault firstBadFault = SRecordFault::None;
    std::vector<AddressRange> ranges;  // data records joined where they touch
    bool hasStart = false;
    uint32_t start = 0;              // start address of the S7/S8/S9 record
    std::string sha256;              // of the whole image text, lower-case hex
    std::string source = "carried";  // or the path of the --image file
    FirmwareImageView bytes;         // the checked bytes themselves, which the transfer sends
};

// Reads every record of text [text, text + size); empty lines are skipped.
ImageReport CheckImage(const char* text, uint32_t size);

// True when the image has a version record and every record is sound.
bool ImageIsSound(const ImageReport& report);
// One line saying what is wrong, for the refusal message; empty when sound.
std::string ImageProblem(const ImageReport& report);
// Empty when pinned is empty or the image's SHA-256; else the one line that
// refuses the image, with both hashes.
std::string PinnedImageProblem(const ImageReport& report, const std::string& pinned);
// What is wrong with a record, in a few words.
const char* RecordFaultText(SRecordFault fault);
