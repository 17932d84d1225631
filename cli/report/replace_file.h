#pragma once

#include <string>

// Puts the file from (UTF-8 path) in the place of to in one step, replacing
// to when it exists: a reader sees the old file or the new one, never a part.
// One implementation per platform (replace_file_posix.cpp: rename;
// replace_file_win.cpp: MoveFileExW with MOVEFILE_REPLACE_EXISTING).
bool ReplaceFile(const std::string& from, const std::string& to, std::string& error);
