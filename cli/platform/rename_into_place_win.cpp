#include <windows.h>

#include "cli/platform/windows_file.h"
#include "cli/platform/rename_into_place.h"

bool RenameIntoPlace(const std::string& from, const std::string& to, std::string& error) {
    if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    error = "cannot rename " + from + " to " + to + " (error " + std::to_string(GetLastError()) + ")";
    return false;
}
