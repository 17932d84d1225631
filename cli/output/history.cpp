#include "cli/output/history.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "cli/output/json_events.h"
#include "cli/output/utc_time.h"
#include "cli/platform/append_file.h"
#include "cli/platform/file_path.h"
#include "cli/platform/user_paths.h"

namespace fs = std::filesystem;

namespace {

bool MakeFolders(const std::string& path, std::string& error) {
    const fs::path folder = FilePath(path).parent_path();
    std::error_code failed;
    if (folder.empty() || fs::is_directory(folder, failed)) return true;
    fs::create_directories(folder, failed);
    if (!failed) return true;
    error = "cannot make the folder of " + path + ": " + failed.message();
    return false;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

std::string HistoryPath(const std::string& chosen) { return chosen.empty() ? DefaultHistoryPath() : chosen; }

bool AppendHistory(const std::string& path, const nlohmann::json& record, std::string& error) {
    if (!MakeFolders(path, error)) return false;
    AppendFile file;
    if (!file.Open(path, error)) return false;
    if (file.Append(JsonText(record) + "\n", true)) return true;
    error = "cannot write " + path;
    return false;
}

bool ReadHistory(const std::string& path, std::vector<nlohmann::json>& records, std::string& error) {
    records.clear();
    std::error_code failed;
    if (!fs::exists(FilePath(path), failed)) return true;
    std::ifstream in(FilePath(path));
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    for (std::string line; std::getline(in, line);) {
        nlohmann::json record = nlohmann::json::parse(line, nullptr, false);
        if (record.is_object()) records.push_back(std::move(record));
    }
    return true;
}

nlohmann::json FindMacTailElsewhere(const std::vector<nlohmann::json>& records, const std::string& tail,
                                    const std::string& ip, unsigned short port) {
    nlohmann::json found;
    for (const nlohmann::json& r : records) {
        if (r.value("command", "") != "mac" || r.value("result", "") != "written") continue;
        if (Lower(r.value("mac_tail", "")) != Lower(tail)) continue;
        if (r.value("ip", "") == ip && r.value("port", 0) == port) continue;
        found = r;
    }
    return found;
}

std::string UtcTimestamp() { return UtcText(std::chrono::system_clock::now(), false); }
