#include "cli/output/history.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "cli/output/json_events.h"
#include "cli/output/stored_json.h"
#include "cli/output/terminal.h"
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
    if (file.Append(JsonText(record) + "\n")) return true;
    error = "cannot write " + path;
    return false;
}

bool ReadHistory(const std::string& path, std::vector<nlohmann::json>& records, std::string& error) {
    records.clear();
    std::error_code failed;
    if (!fs::exists(FilePath(path), failed)) return true;
    std::ifstream in(FilePath(path), std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    ObjectLines lines;
    const auto keep = [&records](nlohmann::json&& record) { records.push_back(std::move(record)); };
    std::vector<char> chunk(64 * 1024);
    while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0)
        lines.Add(chunk.data(), static_cast<size_t>(in.gcount()), keep);
    lines.End(keep);
    if (lines.Damaged() > 0) PrintTo(stderr, "%s\n", DamagedLinesNote(lines.Damaged(), path).c_str());
    return true;
}

nlohmann::json FindMacTailElsewhere(const std::vector<nlohmann::json>& records, const std::string& tail,
                                    const std::string& ip, unsigned short port) {
    nlohmann::json found;
    for (const nlohmann::json& r : records) {
        if (FieldText(r, "command") != "mac" || FieldText(r, "result") != "written") continue;
        if (Lower(FieldText(r, "mac_tail")) != Lower(tail)) continue;
        if (FieldText(r, "ip") == ip && FieldInt(r, "port", 0) == port) continue;
        found = r;
    }
    return found;
}

std::string UtcTimestamp() { return UtcText(std::chrono::system_clock::now(), false); }
