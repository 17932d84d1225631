#include "cli/platform/file_path.h"
#include "cli/platform/windows_file.h"

std::filesystem::path FilePath(const std::string& utf8) { return std::filesystem::path(Wide(utf8)); }
