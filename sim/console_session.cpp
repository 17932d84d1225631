#include "sim/console_session.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "sim/srecord_check.h"

namespace {

const char* const kBanner = "TQM-530R network device console\r\n";
const char* const kChatter = "working...\r\n";
// Longer than the updater's pause after "version", so the two halves reach it
// in receives of their own instead of joined in the socket.
constexpr int kVersionGapMs = 300;
constexpr int kPromptGapMs = 100;
constexpr int kWriteGapMs = 100;  // from "erase complete" to "write complete"

ConsoleAction Send(std::string text, int delayMs = 0) { return {ConsoleAction::Kind::Send, std::move(text), delayMs}; }
ConsoleAction Log(std::string text) { return {ConsoleAction::Kind::Log, std::move(text), 0}; }
ConsoleAction Save() { return {ConsoleAction::Kind::Save, {}, 0}; }
ConsoleAction Close() { return {ConsoleAction::Kind::Close, {}, 0}; }

bool AllHex(const std::string& s) {
    for (char c : s)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    return !s.empty();
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

ConsoleSession::ConsoleSession(DeviceState& device, const ConsoleFaults& faults) : device_(device), faults_(faults) {}

std::string ConsoleSession::Prompt(const char* normal) const {
    std::string text = normal;
    if (faults_.promptCase == ConsoleFaults::PromptCase::Upper) {
        text = Upper(text);
    } else if (faults_.promptCase == ConsoleFaults::PromptCase::Lower) {
        for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// The answer to a command the device works on; a chatty device talks while it works.
ConsoleAction ConsoleSession::Work(std::string answer, int delayMs) const {
    ConsoleAction a = Send(std::move(answer), delayMs);
    if (faults_.chattyMs > 0) {
        a.chatter = kChatter;
        a.chatterMs = faults_.chattyMs;
    }
    return a;
}

std::vector<ConsoleAction> ConsoleSession::Connected() {
    stage_ = faults_.silent ? Stage::Mute : Stage::User;
    std::vector<ConsoleAction> out{Log("connected")};
    if (faults_.silent) return out;
    const std::string login = Prompt("login: ");
    if (faults_.bannerWithPrompt) {
        out.push_back(Send(kBanner + login));
    } else {
        if (faults_.banner) out.push_back(Send(kBanner));
        // After a banner the prompt waits, so that it reaches the updater in a
        // receive of its own instead of joined to the banner in the socket.
        out.push_back(Send(login, faults_.banner ? kPromptGapMs : 0));
    }
    return out;
}

std::vector<ConsoleAction> ConsoleSession::Feed(std::string_view bytes) {
    std::vector<ConsoleAction> out;
    if (stage_ == Stage::Gone) return out;
    for (char c : bytes)
        if (c != '\0') pending_ += c;
    size_t start = 0;
    for (size_t lf = pending_.find('\n'); lf != std::string::npos; lf = pending_.find('\n', start)) {
        std::string line = pending_.substr(start, lf + 1 - start);
        start = lf + 1;
        Line(std::move(line), out);
        if (stage_ == Stage::Gone) break;
    }
    pending_.erase(0, start);
    return out;
}

std::vector<ConsoleAction> ConsoleSession::Closed() {
    std::vector<ConsoleAction> out;
    EndImageRun(out);
    out.push_back(Log("closed"));
    stage_ = Stage::Gone;
    return out;
}

void ConsoleSession::Line(std::string line, std::vector<ConsoleAction>& out) {
    const std::string text(WithoutLineEnd(line));
    switch (stage_) {
    case Stage::User:
        out.push_back(Log("user name \"" + text + "\""));
        stage_ = Stage::Password;
        out.push_back(Send(Prompt("Password: ")));
        return;
    case Stage::Password:
        out.push_back(Log("password given"));
        stage_ = Stage::Commands;
        return;
    case Stage::Mute:
        // Silent device or after the lost "complete": it still takes image
        // lines and commands in, it only never answers.
        if (!text.empty() && text[0] == 'S') {
            ++device_.linesReceived;
            ++runLines_;
        }
        return;
    case Stage::Gone: return;
    case Stage::Commands: break;
    }
    if (!text.empty() && text[0] == 'S') {
        ImageLine(std::move(line), out);
        return;
    }
    EndImageRun(out);
    if (text.empty()) return;
    out.push_back(Log(text));
    Command(text, out);
}

void ConsoleSession::ImageLine(std::string line, std::vector<ConsoleAction>& out) {
    ++device_.linesReceived;
    ++connectionLines_;
    ++runLines_;
    if (!SrecordChecksumOk(line)) {
        ++device_.badLines;
        ++bufferBad_;
        ++runBad_;
    }
    buffer_.push_back(std::move(line));
    if (faults_.closeAfterLines >= 0 && connectionLines_ >= static_cast<unsigned>(faults_.closeAfterLines)) {
        EndImageRun(out);
        out.push_back(Log("closing after " + std::to_string(connectionLines_) + " image lines"));
        out.push_back(Close());
        stage_ = Stage::Gone;
        return;
    }
    out.push_back(Send("ok\r\n", faults_.answerDelayMs));
}

void ConsoleSession::EndImageRun(std::vector<ConsoleAction>& out) {
    if (runLines_ == 0) return;
    out.push_back(Log("image lines: " + std::to_string(runLines_) + ", bad checksum: " + std::to_string(runBad_)));
    runLines_ = 0;
    runBad_ = 0;
}

void ConsoleSession::Command(const std::string& command, std::vector<ConsoleAction>& out) {
    if (command == "version") {
        const std::string answer = "ver." + device_.version + "\r\n";
        if (faults_.splitVersion) {
            out.push_back(Send(answer.substr(0, 2)));
            out.push_back(Send(answer.substr(2), kVersionGapMs));
        } else {
            out.push_back(Send(answer));
        }
        if (faults_.closeAfterVersion) {
            out.push_back(Log("closing after the version"));
            out.push_back(Close());
            stage_ = Stage::Gone;
        }
    } else if (command == "initbuf") {
        buffer_.clear();
        bufferBad_ = 0;
    } else if (command == "check") {
        char text[32];
        std::snprintf(text, sizeof text, "sum  :%04X\r\n", static_cast<unsigned>(ImageSum(buffer_)));
        const bool refuse = faults_.badCheck && bufferBad_ > 0;
        out.push_back(Work(refuse ? "error\r\n" : text, faults_.slowCheckMs));
    } else if (command == "flash") {
        Flash(out);
    } else if (command == "reset") {
        ++device_.resets;
        const std::string flashed = ImageVersion(device_.flash);
        if (faults_.resetKeepsVersion) {
            out.push_back(Log("reset keeps version " + device_.version));
        } else if (!faults_.versionAfterReset.empty()) {
            device_.version = faults_.versionAfterReset;
            out.push_back(Log("running version " + device_.version + " whatever was flashed"));
            out.push_back(Save());
        } else if (!flashed.empty() && flashed != device_.version) {
            device_.version = flashed;
            out.push_back(Log("running version " + flashed));
            out.push_back(Save());
        }
    } else if (command == "echo 0" || command == "echo 1") {
        echo_ = command == "echo 1";
    } else if (command == "debug 0" || command == "debug 1") {
        debug_ = command == "debug 1";
    } else if (command == "bye") {
        out.push_back(Close());
        stage_ = Stage::Gone;
    } else if (debug_ && command.compare(0, 4, "era ") == 0) {
        Erase(command.substr(4), out);
    } else if (debug_ && command.compare(0, 7, "fw 304 ") == 0) {
        const std::string tail = command.substr(7);
        if (tail.size() == 4 && AllHex(tail)) {
            device_.macTail = Upper(tail);
            out.push_back(Log("mac tail " + device_.macTail));
            out.push_back(Save());
        }
    }
    // Anything else the device takes without an answer.
}

void ConsoleSession::Flash(std::vector<ConsoleAction>& out) {
    const int wait = faults_.slowFlashMs;
    device_.flash.clear();
    if (faults_.completesTogether) {
        device_.flash = buffer_;
        out.push_back(Log("flashed " + std::to_string(device_.flash.size()) + " lines"));
        out.push_back(Save());
        out.push_back(Work("erase complete\r\nwrite complete\r\n", wait));
        return;
    }
    out.push_back(Work("erase complete\r\n", wait));
    if (faults_.oneComplete) {
        // The write never reports: the flash stays erased and the device mute.
        out.push_back(Log("flash erased, write lost"));
        out.push_back(Save());
        stage_ = Stage::Mute;
        return;
    }
    device_.flash = buffer_;
    out.push_back(Log("flashed " + std::to_string(device_.flash.size()) + " lines"));
    out.push_back(Save());
    out.push_back(Work("write complete\r\n", wait > 0 ? wait : kWriteGapMs));
}

void ConsoleSession::Erase(const std::string& argument, std::vector<ConsoleAction>& out) {
    if (!AllHex(argument) || argument.size() > 5) return;
    const uint32_t block = static_cast<uint32_t>(std::strtoul(argument.c_str(), nullptr, 16));
    if (block < 0x20000 || block > 0xF0000 || block % 0x10000 != 0) return;
    std::vector<std::string> kept;
    for (std::string& line : device_.flash) {
        const auto record = ParseSrecord(line);
        const bool inBlock = record && record->type >= '1' && record->type <= '3' && record->address >= block &&
                             record->address < block + 0x10000;
        if (!inBlock) kept.push_back(std::move(line));
    }
    device_.flash = std::move(kept);
    device_.erasedBlocks.insert(block);
    out.push_back(Save());
}
