#include <unistd.h>

#include "cli/platform/host_name.h"

std::string ThisHostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return "";
    return name;
}
