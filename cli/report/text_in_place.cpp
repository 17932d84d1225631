#include "cli/report/text_in_place.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

#include "cli/platform/file_path.h"
#include "cli/platform/rename_into_place.h"

namespace fs = std::filesystem;

namespace {

std::string TemporaryBeside(const std::string& path) {
    std::random_device random;
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
    return path + suffix;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& text) {
    std::ifstream in(FilePath(path), std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return true;
}

bool WriteTextInPlace(const std::string& path, const std::string& text, std::string& error) {
    const std::string temporary = TemporaryBeside(path);
    std::error_code ignored;
    {
        std::ofstream out(FilePath(temporary), std::ios::binary | std::ios::trunc);
        if (out) out << text;
        out.close();
        if (!out) {
            fs::remove(FilePath(temporary), ignored);
            error = "cannot write " + temporary;
            return false;
        }
    }
    if (RenameIntoPlace(temporary, path, error)) return true;
    fs::remove(FilePath(temporary), ignored);
    return false;
}

bool CanWriteBeside(const std::string& path, std::string& error) {
    const std::string temporary = TemporaryBeside(path);
    std::error_code ignored;
    if (fs::is_directory(FilePath(path), ignored)) {
        error = path + " is a folder";
        return false;
    }
    const bool made = static_cast<bool>(std::ofstream(FilePath(temporary), std::ios::binary | std::ios::trunc));
    fs::remove(FilePath(temporary), ignored);
    if (!made) error = "cannot write a file beside " + path;
    return made;
}
