#include "cli/platform/ui_language.h"

#include <cstdlib>
#include <cstring>

Language OperatorLanguage(const EnvironmentLookup& environment) {
    const char* chosen = environment("TQM530R_LANG");
    if (chosen && std::strcmp(chosen, "ja") == 0) return Language::Japanese;
    if (chosen && std::strcmp(chosen, "en") == 0) return Language::English;
    return PlatformLanguage(environment);
}

Language OperatorLanguage() {
    return OperatorLanguage([](const char* name) -> const char* { return std::getenv(name); });
}
