#pragma once

#include <cstdint>

// Size of the version text buffer of the dialog and of every version text.
constexpr int kImageVersionTextSize = 16;

// The tail of the version record's address (20200) followed by the hex digits
// of "ver.", so the record is found whatever its byte count.
constexpr const char VersionRecordMarker[] = "202007665722E";

// count characters read as a hexadecimal number, first character most
// significant; a character that is not a hex digit counts as 0. 0 for count <= 0.
int32_t HexTextToInt(const char* text, int count);

// Fills the 16 bytes of versionText from the first version record in the
// image text [text, text + size). The 32 characters after the marker are
// decoded as 16 pairs, across the end of the record; characters beyond the
// image count as 0. Without a marker it leaves the 16 bytes zero and returns false.
bool ExtractImageVersion(char (&versionText)[kImageVersionTextSize], const char* text, uint32_t size);
