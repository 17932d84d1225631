#pragma once

#include <string>

// Puts the file from (UTF-8 path) in the place of to in one step, replacing
// to when it exists: a reader sees the old file or the new one, never a part.
// One implementation per platform (rename_into_place_posix.cpp: rename;
// rename_into_place_win.cpp: MoveFileExW with MOVEFILE_REPLACE_EXISTING).
bool RenameIntoPlace(const std::string& from, const std::string& to, std::string& error);
