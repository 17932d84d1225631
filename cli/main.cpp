// tqm530r: the updater's core from a Linux command line.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "console/console_limits.h"
#include "console/console_session.h"
#include "console/firmware_transfer.h"
#include "console/maintenance.h"
#include "console/version_verdict.h"
#include "discovery/search_devices.h"
#include "firmware/firmware_image.h"
#include "firmware/image_version.h"

namespace {

void Usage(FILE* to) {
    std::fprintf(to,
                 "usage: tqm530r COMMAND [options]\n\n"
                 "  detect [--wait MS] [--interface IF]  one SSDP search; lists the TQM-530R devices found\n"
                 "  version HOST [--port N]           the device's firmware version and the verdict\n"
                 "  update HOST --yes [--port N]      writes the carried image into the device\n"
                 "  mac HOST DIGITS [--port N]        writes the last two MAC bytes (four hex digits)\n"
                 "  image                             the carried image's version and size\n\n"
                 "Exit codes: 0 done, 1 nothing found or the device failed, 2 usage error.\n");
}

struct Args {
    std::vector<std::string> words;
    int port = kConsolePort;
    int waitMs = kSearchWaitMs;
    std::string interfaceName;
    bool yes = false;
};

bool Parse(int argc, char** argv, Args& a) {
    for (int i = 2; i < argc; ++i) {
        const std::string w = argv[i];
        if ((w == "--port" || w == "--wait") && i + 1 < argc) {
            (w == "--port" ? a.port : a.waitMs) = std::atoi(argv[++i]);
        } else if (w == "--interface" && i + 1 < argc) {
            a.interfaceName = argv[++i];
        } else if (w == "--yes") {
            a.yes = true;
        } else if (w.compare(0, 2, "--") == 0) {
            std::fprintf(stderr, "tqm530r: unknown option %s\n", w.c_str());
            return false;
        } else {
            a.words.push_back(w);
        }
    }
    return true;
}

bool ImageVersion(char (&version)[kImageVersionTextSize + 1]) {
    std::memset(version, 0, sizeof version);
    char text[kImageVersionTextSize];
    const bool ok = ExtractImageVersion(text, FirmwareImage.text, FirmwareImage.size);
    std::memcpy(version, text, kImageVersionTextSize);
    return ok;
}

int Connect(const std::string& host, int port) {
    if (OpenConsole(host.c_str(), static_cast<unsigned short>(port)) != ConsoleOpenResult::Connected) {
        std::fprintf(stderr, "tqm530r: cannot connect to %s:%d\n", host.c_str(), port);
        return 1;
    }
    if (ConsoleLogin() <= 0) {
        std::fprintf(stderr, "tqm530r: %s: login failed (no password prompt)\n", host.c_str());
        return 1;
    }
    return 0;
}

int Detect(const Args& a) {
    std::vector<std::string> entries;
    if (!SearchDevices(entries, a.waitMs, a.interfaceName.empty() ? nullptr : a.interfaceName.c_str())) {
        std::fprintf(stderr, "tqm530r: device search error (socket, port 1900 or own address)\n");
        return 3;
    }
    std::sort(entries.begin(), entries.end());  // in the order of the dialog's sorted list
    for (const std::string& e : entries) std::printf("%s\n", e.c_str());
    return entries.empty() ? 1 : 0;
}

int Version(const Args& a) {
    if (int rc = Connect(a.words[0], a.port)) return rc;
    char device[17];
    if (!QueryDeviceVersion(device)) {
        std::fprintf(stderr, "tqm530r: %s did not tell its version\n", a.words[0].c_str());
        return 1;
    }
    char image[kImageVersionTextSize + 1];
    ImageVersion(image);
    std::printf("device %s\nimage  %s\n%s\n", device, image, VerdictEnglishText(JudgeDeviceVersion(device, image)));
    return 0;
}

class TerminalProgress : public UpdateObserver {
public:
    void OnProgress(int percent, const char*) override {
        if (percent == last_) return;
        last_ = percent;
        std::fprintf(stderr, "\rupdating... %3d%%", percent);
    }
    void OnFinished(bool ok) override { std::fprintf(stderr, "\r%s\n", ok ? "update complete   " : "update FAILED     "); }

private:
    int last_ = -1;
};

int Update(const Args& a) {
    if (!a.yes) {
        std::fprintf(stderr, "tqm530r: update rewrites the device's flash; add --yes to go ahead\n");
        return 2;
    }
    if (int rc = Connect(a.words[0], a.port)) return rc;
    TerminalProgress progress;
    const UpdateResult r = RunFirmwareUpdate(progress);
    std::printf("%s: %s, %u lines, %u bytes sent\n", a.words[0].c_str(), r.ok ? "updated" : "failed", r.lineSends,
                r.sentBytes);
    CloseConsole();
    return r.ok ? 0 : 1;
}

int Mac(const Args& a) {
    const MacWriteOutcome outcome = RunMacWrite(a.words[0].c_str(), a.words[1].c_str(), static_cast<unsigned short>(a.port));
    char message[1024];
    const char* text = MacWriteOutcomeText(outcome, a.words[1].c_str(), message);
    std::fprintf(outcome == MacWriteOutcome::Written ? stdout : stderr, "%s\n", text);
    return outcome == MacWriteOutcome::Written ? 0 : 1;
}

int Image() {
    char version[kImageVersionTextSize + 1];
    const bool ok = ImageVersion(version);
    std::printf("version %s\nsize    %u bytes\n", version, FirmwareImage.size);
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        Usage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    if (!LoadFirmwareImage(nullptr)) {
        std::fprintf(stderr, "tqm530r: the carried firmware image is missing\n");
        return 4;
    }
    Args a;
    if (!Parse(argc, argv, a)) return 2;
    const std::string command = argv[1];
    const size_t need = command == "version" || command == "update" ? 1 : command == "mac" ? 2 : 0;
    if (a.words.size() != need) {
        Usage(stderr);
        return 2;
    }
    if (command == "detect") return Detect(a);
    if (command == "version") return Version(a);
    if (command == "update") return Update(a);
    if (command == "mac") return Mac(a);
    if (command == "image") return Image();
    std::fprintf(stderr, "tqm530r: unknown command %s\n", command.c_str());
    Usage(stderr);
    return 2;
}
