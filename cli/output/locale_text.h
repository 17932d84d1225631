#pragma once

// True when the messages' locale (LC_ALL, LC_MESSAGES, LANG) is Japanese:
// the verdict is then also shown in the dialog's words.
bool JapaneseMessages();
