#pragma once

#include <filesystem>
#include <string>

// A path the operator gave (UTF-8 inside the tool) as std::filesystem takes
// it. Never throws, whatever the bytes: on Windows the text becomes UTF-16
// (bytes that are not UTF-8 become U+FFFD), elsewhere the bytes stay as they
// are. Use only the error_code overloads of std::filesystem with it.
std::filesystem::path FilePath(const std::string& utf8);
