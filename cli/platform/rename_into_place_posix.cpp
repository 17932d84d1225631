#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/platform/rename_into_place.h"

bool RenameIntoPlace(const std::string& from, const std::string& to, std::string& error) {
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
    error = "cannot rename " + from + " to " + to + ": " + std::strerror(errno);
    return false;
}
