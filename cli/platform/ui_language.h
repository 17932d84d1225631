#pragma once

#include <functional>

// Marks a text kept in a table or a constant for the message catalogue (any
// room may hold one); it is passed through Tr where shown.
#define N_(text) text

// The language the operator reads: Japanese or, for anything else, English.
enum class Language { English, Japanese };

// An environment variable's value, or null when it is not set.
using EnvironmentLookup = std::function<const char*(const char* name)>;

// The platform's own choice. One implementation per platform
// (ui_language_posix.cpp: LC_ALL, LC_MESSAGES, LANG, then LANGUAGE;
// ui_language_win.cpp: the user's UI language).
Language PlatformLanguage(const EnvironmentLookup& environment);

// The operator's language: TQM530R_LANG=en|ja when set to one of those,
// else the platform's choice.
Language OperatorLanguage(const EnvironmentLookup& environment);
// The same over the process's own environment.
Language OperatorLanguage();
