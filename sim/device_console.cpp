#include "sim/device_console.h"

#include <cstdio>
#include <cstdlib>

std::vector<std::string> DeviceConsole::Connected() {
    pending_.clear();
    loginStep_ = 0;
    if (faults_.silent) return {};
    return {"login: "};
}

bool DeviceConsole::ChecksumOk(const std::string& record) {
    std::string hex = record;
    while (!hex.empty() && (hex.back() == '\n' || hex.back() == '\r')) hex.pop_back();
    if (hex.size() < 4 || hex[0] != 'S' || hex.size() % 2 != 0) return false;
    unsigned sum = 0;
    for (size_t i = 2; i < hex.size(); i += 2) sum += static_cast<unsigned>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16));
    const unsigned count = static_cast<unsigned>(std::strtoul(hex.substr(2, 2).c_str(), nullptr, 16));
    return (sum & 0xFF) == 0xFF && count * 2 + 4 == hex.size();
}

// The text of the version record at 0x020200: "ver." then the version and a zero byte.
std::string DeviceConsole::VersionOfImage(const std::string& image) {
    const size_t at = image.find("S2");
    for (size_t p = at; p != std::string::npos; p = image.find("\nS2", p + 1)) {
        const size_t start = image[p] == '\n' ? p + 1 : p;
        if (image.compare(start + 4, 6, "020200") != 0) continue;
        std::string text;
        for (size_t i = start + 10; i + 2 < image.size(); i += 2) {
            const char c = static_cast<char>(std::strtoul(image.substr(i, 2).c_str(), nullptr, 16));
            if (c == 0) break;
            text += c;
        }
        return text.compare(0, 4, "ver.") == 0 ? text.substr(4) : std::string();
    }
    return {};
}

bool DeviceConsole::Feed(const char* data, size_t length, std::vector<std::string>& out) {
    for (size_t i = 0; i < length; ++i)
        if (data[i] != '\0') pending_ += data[i];  // the MAC frame is padded with zeros
    if (faults_.silent) return true;
    for (size_t lf = pending_.find('\n'); lf != std::string::npos; lf = pending_.find('\n')) {
        const std::string line = pending_.substr(0, lf + 1);
        pending_.erase(0, lf + 1);
        if (!Command(line, out)) return false;
    }
    return true;
}

bool DeviceConsole::Command(const std::string& line, std::vector<std::string>& out) {
    if (loginStep_ == 0) {  // user name
        loginStep_ = 1;
        out.push_back("Password: ");
        return true;
    }
    if (loginStep_ == 1) {  // password
        loginStep_ = 2;
        return true;
    }
    if (line[0] == 'S') {
        ++lines_;
        if (!ChecksumOk(line)) ++badLines_;
        image_ += line;
        if (faults_.closeAfterLines >= 0 && static_cast<int>(lines_) >= faults_.closeAfterLines) return false;
        out.push_back("ok\r\n");
        return true;
    }
    std::string command = line;
    while (!command.empty() && (command.back() == '\n' || command.back() == '\r')) command.pop_back();
    if (command == "version") {
        out.push_back("ver." + version_ + "\r\n");
    } else if (command == "initbuf") {
        image_.clear();
    } else if (command == "check") {
        unsigned sum = 0;
        for (unsigned char c : image_) sum += c;
        char text[32];
        std::snprintf(text, sizeof text, "sum  :%04X\r\n", sum & 0xFFFF);
        out.push_back(faults_.badCheck && badLines_ ? std::string("error: checksum\r\n") : std::string(text));
    } else if (command == "flash") {
        flash_ = image_;
        out.push_back("erase complete\r\n");
        out.push_back("write complete\r\n");
    } else if (command == "reset") {
        const std::string flashed = VersionOfImage(flash_);
        if (!flashed.empty()) version_ = flashed;
    } else if (command == "bye") {
        return false;
    } else if (command.compare(0, 7, "fw 304 ") == 0) {
        macTail_ = command.substr(7, 4);
    } else if (command.compare(0, 4, "era ") == 0) {
        flash_.clear();
    }
    return true;
}
