// The engine's handling of what a device answers: login, version query,
// transfer with "check" and "flash", then a MAC write, all fed from the fuzz
// input through the scripted network layer. Besides the sanitizers, the run
// stops on any broken promise of the engine: progress outside 0..99 or going
// back, a "reset" after a failed update, success without the whole image and
// "check" and "flash" after it, a
// version text longer than 16 characters or holding a CR.
#include <cstdlib>
#include <cstring>
#include <string>

#include "console/console_session.h"
#include "console/firmware_transfer.h"
#include "console/maintenance.h"
#include "console/version_verdict.h"
#include "firmware/firmware_image.h"
#include "fuzz/scripted_net.h"

namespace {

// Five records; the second variant lacks the final line feed.
const char kImage[] =
    "S00600004844521B\r\nS1130000285F245F2212226A000424290008237C2A\r\n"
    "S11300100002000800082629001853812341001813\r\nS5030003F9\r\nS9030000FC\r\n";
const char kUnterminated[] = "S00600004844521B\r\nS1130000285F245F2212226A000424290008237C2A\r\nS9030000FC";

#define REQUIRE(condition)              \
    do {                                \
        if (!(condition)) std::abort(); \
    } while (0)

// Phases come in order, the percent never falls and never reaches 100.
struct CheckingObserver : UpdateObserver {
    int last = -1;
    int phase = -1;
    int finished = -1;
    void See(int percent) {
        REQUIRE(percent >= 0 && percent <= 99);
        REQUIRE(percent >= last);
        last = percent;
    }
    void OnPhase(UpdatePhase p, int percent) override {
        REQUIRE(static_cast<int>(p) == phase + 1);
        phase = static_cast<int>(p);
        See(percent);
    }
    void OnLine(int percent, unsigned sent, unsigned total) override {
        REQUIRE(phase == static_cast<int>(UpdatePhase::Transfer) && sent < total && percent <= 98);
        See(percent);
    }
    void OnFlashComplete(int completions) override {
        REQUIRE(phase == static_cast<int>(UpdatePhase::Flash) && completions >= 1 && completions <= 2);
        See(kPercentFlashComplete);
    }
    void OnFinished(bool ok) override { finished = ok ? 1 : 0; }
};

void CheckVersion(const char (&version)[17]) {
    REQUIRE(version[16] == '\0');
    REQUIRE(std::strchr(version, '\r') == nullptr);
}

void Update(ConsoleConnection& console, bool unterminated) {
    const char* text = unterminated ? kUnterminated : kImage;
    const size_t size = unterminated ? sizeof kUnterminated - 1 : sizeof kImage - 1;
    const FirmwareImageView image{text, static_cast<uint32_t>(size)};
    const size_t before = Peer().sent.size();
    CheckingObserver observer;
    const UpdateResult r = RunFirmwareUpdate(console, image, observer);
    REQUIRE(observer.finished == (r.ok ? 1 : 0));
    const std::string sent = Peer().sent.substr(before);
    if (r.ok) {
        REQUIRE(r.sentBytes == size);
        // Success means the image went whole, "flash" followed it and "reset"
        // was sent; "echo 1" and "bye" go to a restarting device.
        REQUIRE(sent.find(std::string(text, size) + "check\r\nflash\r\nreset\r\n") != std::string::npos);
    } else {
        REQUIRE(sent.find("reset\r\n") == std::string::npos);
        REQUIRE(console.socket == kNoSocket);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // First byte: bit 7 picks the unterminated image; low bits N > 0 make
    // send number N (from 1) and every later one fail.
    const int failSendAt = (data[0] & 0x1F) - 1;
    ResetPeer(data + 1, size - 1, failSendAt);
    ConsoleConnection console;

    if (OpenConsole(console, "device") != ConsoleOpenResult::Connected) std::abort();
    if (ConsoleLogin(console) > 0) {
        char version[17];
        if (QueryDeviceVersion(console, version)) {
            CheckVersion(version);
            (void)JudgeDeviceVersion(version, "1.0.05");
        } else {
            REQUIRE(version[0] == '\0');
        }
    }
    Update(console, (data[0] & 0x80) != 0);
    CloseConsole(console);

    DeviceReachRequest request;
    request.host = "device";
    request.readVersion = false;
    const MacWriteOutcome mac = RunMacWrite(console, request, "12ab");
    REQUIRE(mac == MacWriteOutcome::Written || mac == MacWriteOutcome::WriteFailed);
    REQUIRE(console.socket == kNoSocket);
    return 0;
}
