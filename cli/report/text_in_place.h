#pragma once

#include <string>

// Writes text to a new file beside path (UTF-8) and renames it into place,
// so that a reader (a textfile collector, a browser on a file share) sees
// the old file or the new one, never a part. False with a reason; path is
// then untouched and the new file removed.
bool WriteTextInPlace(const std::string& path, const std::string& text, std::string& error);

// The whole file; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& text);

// True when a file can be made beside path (its folder exists and takes
// files), checked by making and removing one; false with a reason.
bool CanWriteBeside(const std::string& path, std::string& error);
