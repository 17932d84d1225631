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

const char* JapaneseVerdictText(VersionVerdict verdict) {
    switch (verdict) {
    case VersionVerdict::Latest: return "最新のファームウェアです。";
    case VersionVerdict::CanUpdate:
        return "最新のファームウェアへアップデートできます。\n「アップデート」ボタンを押してください。";
    case VersionVerdict::NoValidFirmware:
        return "有効なファームウェアが存在しません。\n「アップデート」ボタンを押してください。";
    case VersionVerdict::Newer: break;
    }
    return nullptr;
}
