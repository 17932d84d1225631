#include <unistd.h>

#include "cli/report/host_name.h"

std::string ThisHostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return "";
    return name;
}
