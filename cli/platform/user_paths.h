#pragma once

#include <string>

// Where the tool keeps its files on this machine. One implementation per
// platform (user_paths_posix.cpp, user_paths_win.cpp).

// POSIX: $XDG_STATE_HOME/tqm530r/history.jsonl, else
// ~/.local/state/tqm530r/history.jsonl. Windows:
// %LOCALAPPDATA%\tqm530r\history.jsonl.
std::string DefaultHistoryPath();

// Where the device lock files live: $TQM530R_LOCK_DIR, else POSIX: /run/lock
// when it is writable, else /tmp (folders every user shares, so that a run
// of one user sees another's lock); Windows: %LOCALAPPDATA%\tqm530r.
std::string LockDirectory();

// The two above as --help tells them, and what --interface takes.
const char* HistoryPathHelp();
const char* InterfaceHelp();

// name in folder, joined with this platform's separator.
std::string PathIn(const std::string& folder, const std::string& name);
