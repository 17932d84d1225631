#pragma once

#include <cstdint>

#include "firmware/srecord.h"

// The check of an image file from the maker before any of it reaches a
// device: it must have the shape of the carried image. Pure: the caller reads
// the file (at most kMaxImageFileSize bytes, checked before reading).

constexpr uint32_t kMaxImageFileSize = 16u * 1024 * 1024;

// Why a file is refused, in the order the checks run.
enum class ImageFileFault : uint8_t {
    None,
    Empty,       // no bytes at all
    ZeroByte,    // a zero byte on the line
    NoCrLf,      // the line does not end in CR LF
    NotRecord,   // not "S", a type digit and upper-case hexadecimal pairs
    BadRecord,   // a record the reader refuses (count, checksum, ...): see record
    NoVersion,   // no version record found by the carried image's rule
    BadVersion,  // a version record whose text is not N.N.N
};

struct ImageFileCheck {
    ImageFileFault fault = ImageFileFault::None;
    uint32_t line = 0;  // 1-based line of the fault, 0 for the whole file
    SRecordFault record = SRecordFault::None;
    char version[kImageVersionTextSize + 1] = {};  // the version text, when found
};

// Checks the file's bytes [text, text + size).
ImageFileCheck CheckImageFile(const char* text, uint32_t size);
