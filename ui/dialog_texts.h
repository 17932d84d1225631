#pragma once

#include "console/version_verdict.h"

// The dialog's own texts. The Windows build turns these UTF-8 literals into
// code page 932 for the ANSI functions.
constexpr const char kTextDetectPrompt[] = "TQM-530R デバイスを検出します。\n「検出」ボタンを押してください。";
constexpr const char kTextSearching[] = "デバイスを検索中...";
constexpr const char kTextSearchError[] = "デバイス検索エラー";
constexpr const char kTextNoDevice[] = "TQM-530R デバイスが検出されませんでした。";
constexpr const char kTextConnectFailed[] = "このデバイスには接続できません。\n他のデバイスを選択してください。";
constexpr const char kTextUpdateQuestion[] =
    "アップデートを開始しますか？\nアップデート中はケーブル類を抜き差ししないでください。";
constexpr const char kTextTitle[] = "TQM-530R ファームウェアアップデート";
constexpr const char kTextUpdateDone[] = "アップデートが完了しました。";
constexpr const char kTextUpdateFailed[] = "アップデートに失敗しました。\nもう一度デバイスを選択してください。";
constexpr const char kTextEraseQuestion[] = "ROMのデータを消去します。";
// Shown as the image's version when the image has no version record.
constexpr const char kTextInvalidImage[] = "invalid file.";
constexpr const char kTextLatest[] = "最新のファームウェアです。";
constexpr const char kTextCanUpdate[] =
    "最新のファームウェアへアップデートできます。\n「アップデート」ボタンを押してください。";
constexpr const char kTextNoValidFirmware[] =
    "有効なファームウェアが存在しません。\n「アップデート」ボタンを押してください。";
// The transfer's status line; after the check and on each "complete" the
// value is fixed.
constexpr const char kTextUpdatingFormat[] = "ファームウェアをアップデート中... %d%%";
constexpr const char kTextChecked[] = "ファームウェアをアップデート中... 98%";
constexpr const char kTextFlashComplete[] = "ファームウェアをアップデート中... 99%";

// The status line after a device's version was read.
inline const char* VerdictText(VersionVerdict verdict) {
    switch (verdict) {
    case VersionVerdict::Latest:
    case VersionVerdict::Newer: return kTextLatest;  // the dialog offers the update either way
    case VersionVerdict::NoValidFirmware: return kTextNoValidFirmware;
    case VersionVerdict::CanUpdate: break;
    }
    return kTextCanUpdate;
}
