#include <cstring>
#include <string>

#include "cli/platform/ui_language.h"

namespace {

bool IsSet(const char* value) { return value && *value; }

bool IsJapanese(const std::string& locale) { return locale.compare(0, 2, "ja") == 0; }

}  // namespace

// As gettext decides: the first of LC_ALL, LC_MESSAGES, LANG that is set names
// the locale; unless it is C or POSIX, LANGUAGE's first entry comes before it.
Language PlatformLanguage(const EnvironmentLookup& environment) {
    std::string locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = environment(name);
        if (IsSet(value)) {
            locale = value;
            break;
        }
    }
    const bool plain = locale.empty() || locale == "C" || locale == "POSIX" || locale.compare(0, 2, "C.") == 0;
    const char* languages = environment("LANGUAGE");
    if (!plain && IsSet(languages)) {
        const std::string list = languages;
        return IsJapanese(list.substr(0, list.find(':'))) ? Language::Japanese : Language::English;
    }
    return IsJapanese(locale) ? Language::Japanese : Language::English;
}
