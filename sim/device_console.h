#pragma once

#include <string>
#include <vector>

// The device side of the console as a state machine without I/O: given the
// bytes that arrived, what the device sends back (each reply is one send).
struct DeviceFaults {
    int closeAfterLines = -1;  // close the connection after this many image lines
    bool silent = false;       // accept the connection and never answer
    bool badCheck = false;     // answer "check" without "sum  :" when a line was bad
};

class DeviceConsole {
public:
    DeviceConsole(std::string version, DeviceFaults faults) : version_(std::move(version)), faults_(faults) {}

    // The greeting of a new connection.
    std::vector<std::string> Connected();
    // Feeds received bytes; replies are appended to out. False: close the connection.
    bool Feed(const char* data, size_t length, std::vector<std::string>& out);

    const std::string& Version() const { return version_; }
    const std::string& Flash() const { return flash_; }
    const std::string& MacTail() const { return macTail_; }
    unsigned LinesReceived() const { return lines_; }
    unsigned BadLines() const { return badLines_; }

private:
    bool Command(const std::string& line, std::vector<std::string>& out);
    static bool ChecksumOk(const std::string& record);
    static std::string VersionOfImage(const std::string& image);

    std::string version_;
    DeviceFaults faults_;
    std::string pending_;
    std::string image_;
    std::string flash_;
    std::string macTail_;
    int loginStep_ = 0;
    unsigned lines_ = 0;
    unsigned badLines_ = 0;
};
