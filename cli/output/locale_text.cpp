#include "cli/output/locale_text.h"

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
