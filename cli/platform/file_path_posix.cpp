#include "cli/platform/file_path.h"

std::filesystem::path FilePath(const std::string& utf8) { return std::filesystem::path(utf8); }
