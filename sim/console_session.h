#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sim/device_state.h"

// Misbehaviours the device can be told to show, to exercise the updater.
struct ConsoleFaults {
    enum class PromptCase { Normal, Upper, Lower };

    bool banner = false;            // a banner text in a send of its own before "login: "
    bool bannerWithPrompt = false;  // banner and "login: " in one send
    PromptCase promptCase = PromptCase::Normal;
    bool splitVersion = false;       // the version answer in two sends, 300 ms apart
    bool silent = false;             // accept the connection, never send anything
    int closeAfterLines = -1;        // drop the connection after this many image lines
    bool closeAfterVersion = false;  // answer "version", then drop the connection
    bool badCheck = false;           // "check" answers "error" when a line was bad
    int slowFlashMs = 0;             // wait this long before each "complete"
    int slowCheckMs = 0;             // wait this long before answering "check"
    int answerDelayMs = 0;           // wait this long before answering each image line
    int chattyMs = 0;                // while working on "check" and "flash", other text this often
    bool oneComplete = false;        // only the erase completes, then silence
    bool completesTogether = false;  // both "complete" answers of "flash" in one send
    bool resetKeepsVersion = false;  // "reset" restarts into the old version
    int resetDelayMs = 0;            // after "reset", the next connection waits this long
    std::string versionAfterReset;   // "reset" restarts into this version, whatever was flashed
    int dieAfterResetMs = -1;        // this long after the reset's connection, the device stops answering
};

// What the connection does next, in order.
struct ConsoleAction {
    enum class Kind {
        Send,   // send text, alone in one send, after waiting delayMs;
                // while waiting, chatter (alone in a send) every chatterMs
        Close,  // close the connection
        Log,    // one line for the log file
        Save,   // the kept state changed: write the state file
    };
    Kind kind;
    std::string text;
    int delayMs = 0;
    std::string chatter = {};
    int chatterMs = 0;
};

// One console connection of the device, without any I/O: given the bytes that
// arrived, what to send and what to do. The device answers line by line; data
// may come in any chunks and zero bytes (padding of the MAC frame) are dropped.
class ConsoleSession {
public:
    ConsoleSession(DeviceState& device, const ConsoleFaults& faults);

    // The greeting of a new connection.
    std::vector<ConsoleAction> Connected();
    // Bytes received from the client.
    std::vector<ConsoleAction> Feed(std::string_view bytes);
    // The connection ended: log what is still pending.
    std::vector<ConsoleAction> Closed();

    bool Debug() const { return debug_; }
    bool Echo() const { return echo_; }
    size_t BufferedLines() const { return buffer_.size(); }

private:
    enum class Stage { User, Password, Commands, Mute, Gone };

    void Line(std::string line, std::vector<ConsoleAction>& out);
    void Command(const std::string& command, std::vector<ConsoleAction>& out);
    void ImageLine(std::string line, std::vector<ConsoleAction>& out);
    void Flash(std::vector<ConsoleAction>& out);
    void Erase(const std::string& argument, std::vector<ConsoleAction>& out);
    void EndImageRun(std::vector<ConsoleAction>& out);
    std::string Prompt(const char* normal) const;
    ConsoleAction Work(std::string answer, int delayMs) const;

    DeviceState& device_;
    ConsoleFaults faults_;
    Stage stage_ = Stage::User;
    std::string pending_;
    std::vector<std::string> buffer_;  // the receive image buffer, line text as it arrived
    unsigned bufferBad_ = 0;
    unsigned connectionLines_ = 0;
    unsigned runLines_ = 0;  // image lines since the last command, for the log
    unsigned runBad_ = 0;
    bool debug_ = false;
    bool echo_ = true;
};
