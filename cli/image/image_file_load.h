#pragma once

#include <string>

#include "firmware/firmware_image.h"
#include "firmware/image_file.h"

// An image file from the maker, read once and kept for the whole run; the
// engine sends from it in place, as from the carried image.

// Reads path: a regular, readable file of at most kMaxImageFileSize bytes
// (the size is looked at before reading). False with one line saying why.
bool ReadImageFile(const std::string& path, std::string& bytes, std::string& error);

// One line for a refused file: which line, what is wrong.
std::string ImageFileProblem(const ImageFileCheck& check);

// Reads and checks path and points image at its bytes, which must outlive
// the run. False with one line saying why; nothing is used then.
bool UseImageFile(const std::string& path, std::string& bytes, FirmwareImageView& image, std::string& error);
