#include <windows.h>

#include "cli/platform/ui_language.h"

// The language of the user's Windows (its menus and dialogs); the locale
// variables mean nothing here.
Language PlatformLanguage(const EnvironmentLookup& /*environment*/) {
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::Japanese : Language::English;
}
