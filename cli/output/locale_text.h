#pragma once

#include "console/version_verdict.h"

// True when the messages' locale (LC_ALL, LC_MESSAGES, LANG) is Japanese:
// the verdict is then also shown in the dialog's words.
bool JapaneseMessages();

// The verdict in the dialog's own words (UTF-8), or null where the dialog
// has none of its own (a device newer than the image: it says "latest").
const char* JapaneseVerdictText(VersionVerdict verdict);
