#pragma once

// What arrived in one receive, read as zero-terminated text, matched by itself.

// The whole text equals the prompt, ASCII letters compared without case.
bool IsPrompt(const char* received, const char* prompt);
// The text holds the marker, compared exactly.
bool HasMarker(const char* received, const char* marker);
// The version text after the first "ver.": at most 16 characters, ended
// before the first CR. False when there is no "ver.".
bool ReadVersionAnswer(const char* received, char (&version)[17]);
