#pragma once

// The dialog's own texts. The Windows build turns these UTF-8 literals into
// code page 932 for the ANSI functions.
constexpr const char kTextDetectPrompt[] =
    "TQM-530R デバイスを検出します。\n「検出」ボタンを押してください。";
constexpr const char kTextSearching[] = "デバイスを検索中...";
constexpr const char kTextSearchError[] = "デバイス検索エラー";
constexpr const char kTextNoDevice[] = "TQM-530R デバイスが検出されませんでした。";
constexpr const char kTextConnectFailed[] =
    "このデバイスには接続できません。\n他のデバイスを選択してください。";
constexpr const char kTextUpdateQuestion[] =
    "アップデートを開始しますか？\nアップデート中はケーブル類を抜き差ししないでください。";
constexpr const char kTextTitle[] = "TQM-530R ファームウェアアップデート";
constexpr const char kTextUpdateDone[] = "アップデートが完了しました。";
constexpr const char kTextUpdateFailed[] =
    "アップデートに失敗しました。\nもう一度デバイスを選択してください。";
constexpr const char kTextEraseQuestion[] = "ROMのデータを消去します。";
