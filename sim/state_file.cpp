#include "sim/state_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

const char* const kHeader = "tqm530r-sim state 1";

std::string Directory(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

std::string StateText(const DeviceState& device) {
    std::string text = std::string(kHeader) + "\n";
    text += "version " + device.version + "\n";
    text += "mac " + device.macTail + "\n";
    text += "erased";
    for (uint32_t block : device.erasedBlocks) {
        char hex[16];
        std::snprintf(hex, sizeof hex, " %X", static_cast<unsigned>(block));
        text += hex;
    }
    text += "\nimage\n";
    for (const std::string& line : device.flash) {
        text += line;
        if (line.empty() || line.back() != '\n') text += '\n';
    }
    return text;
}

bool ParseStateText(const std::string& text, DeviceState& device) {
    DeviceState read = device;
    read.flash.clear();
    read.erasedBlocks.clear();
    read.macTail.clear();
    size_t pos = 0;
    auto nextLine = [&](std::string& line) {
        if (pos >= text.size()) return false;
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        line = text.substr(pos, end - pos);
        pos = end + 1;
        return true;
    };
    std::string line;
    if (!nextLine(line) || line != kHeader) return false;
    bool sawImage = false;
    while (nextLine(line)) {
        if (line.compare(0, 8, "version ") == 0) {
            read.version = line.substr(8);
        } else if (line.compare(0, 4, "mac ") == 0 || line == "mac") {
            read.macTail = line.size() > 4 ? line.substr(4) : std::string();
        } else if (line.compare(0, 6, "erased") == 0) {
            std::istringstream blocks(line.substr(6));
            std::string hex;
            while (blocks >> hex)
                read.erasedBlocks.insert(static_cast<uint32_t>(std::strtoul(hex.c_str(), nullptr, 16)));
        } else if (line == "image") {
            sawImage = true;
            break;
        } else {
            return false;
        }
    }
    if (!sawImage || read.version.empty()) return false;
    // The image lines keep their own line ends ("\r\n" stays).
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        end = end == std::string::npos ? text.size() : end + 1;
        read.flash.push_back(text.substr(pos, end - pos));
        pos = end;
    }
    device = std::move(read);
    return true;
}

bool LoadState(const std::string& path, DeviceState& device, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": no state yet";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!ParseStateText(text.str(), device)) {
        error = path + ": not a state file";
        return false;
    }
    return true;
}

bool SaveState(const std::string& path, const DeviceState& device, std::string& error) {
    std::string temp = Directory(path) + "/.tqm530r-sim-state-XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    temp = name.data();
    const bool written = WriteAll(fd, StateText(device)) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
        error = path + ": " + std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    }
    // The rename itself lasts once the directory is on disk.
    const int dir = ::open(Directory(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}
