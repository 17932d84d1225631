#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

// The history file: one JSON object a line for every update, erase and MAC
// write (time, command, device, MAC, versions, image SHA-256, duration, result).

// The file --history names, else the default (DefaultHistoryPath in user_paths.h).
std::string HistoryPath(const std::string& chosen);

// Appends one line, making the folder if needed; the file is locked while
// the line is written, so parallel updaters never interleave, and the line
// begins on a line of its own after a record that was cut (AppendFile).
bool AppendHistory(const std::string& path, const nlohmann::json& record, std::string& error);

// Every record of the file (stored_json.h: a damaged line is skipped, and
// the one note of how many goes to stderr); a missing file is an empty
// history. False with a reason when the file exists but cannot be read.
bool ReadHistory(const std::string& path, std::vector<nlohmann::json>& records, std::string& error);

// The last successful MAC write of tail (any case) to a device other than
// ip:port, or null.
nlohmann::json FindMacTailElsewhere(const std::vector<nlohmann::json>& records, const std::string& tail,
                                    const std::string& ip, unsigned short port);

// "2024-05-01T12:00:00Z", now, in UTC.
std::string UtcTimestamp();
