#include "cli/output/locale_text.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

bool JapaneseMessages() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return std::strncmp(value, "ja", 2) == 0;
    }
    return false;
}
