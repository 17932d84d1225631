#include "console/console_match.h"

#include <cstring>

namespace {
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

bool IsPrompt(const char* received, const char* prompt) {
    for (; *received && *prompt; ++received, ++prompt)
        if (Lower(*received) != Lower(*prompt)) return false;
    return *received == '\0' && *prompt == '\0';
}

bool HasMarker(const char* received, const char* marker) { return std::strstr(received, marker) != nullptr; }

bool ReadVersionAnswer(const char* received, char (&version)[17]) {
    std::memset(version, 0, sizeof version);
    const char* at = std::strstr(received, "ver.");
    if (!at) return false;
    at += 4;
    for (int i = 0; i < 16 && at[i] != '\0' && at[i] != '\r'; ++i) version[i] = at[i];
    return true;
}
