#include "sim/options.h"

#include <arpa/inet.h>

#include <cstdlib>

namespace {

bool Number(const std::string& text, int low, int high, int& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || n < low || n > high) return false;
    value = static_cast<int>(n);
    return true;
}

}  // namespace

const char* UsageText() {
    return "usage: tqm530r-sim [options]\n"
           "A simulated TQM-530R on this machine: serves the console over TCP and\n"
           "answers the SSDP search. Prints \"listening on ADDR:PORT\" once ready and a\n"
           "summary on SIGINT/SIGTERM.\n"
           "\n"
           "  --port N                console port (default 23; 0 lets the system pick)\n"
           "  --bind ADDR             console address and SSDP interface (default 0.0.0.0)\n"
           "  --firmware-version V    running version when no state says otherwise (default 1.0.01)\n"
           "  --state FILE            keep flashed image, version and MAC tail in FILE across restarts\n"
           "  --no-ssdp               do not answer searches\n"
           "  --log FILE              one line per received command, image lines summarised,\n"
           "                          and the summary after each connection\n"
           "  --log-times             start each log line with the monotonic clock in seconds,\n"
           "                          comparable between simulators on this machine\n"
           "  --compare FILE          report whether the flashed image equals FILE\n"
           "  --answer-delay MS       wait MS before answering each image line (pacing, as a\n"
           "                          device or a link would; the wait sleeps, it costs no CPU)\n"
           "  --help                  this text\n"
           "\n"
           "Faults:\n"
           "  --banner                send a banner on its own before \"login: \"\n"
           "  --banner-with-prompt    send the banner and \"login: \" in one send\n"
           "  --prompt-case upper|lower  \"LOGIN: \"/\"PASSWORD: \" or \"login: \"/\"password: \"\n"
           "  --split-version         answer \"version\" in two sends, 300 ms apart\n"
           "  --silent                accept connections and never send anything\n"
           "  --close-after-lines N   close the connection after N image lines\n"
           "  --bad-check             answer \"check\" with \"error\" when a line had a bad checksum\n"
           "  --slow-flash MS         wait MS before each \"complete\" of \"flash\"\n"
           "  --slow-check MS         wait MS before answering \"check\"\n"
           "  --chatty MS             while working on \"check\" and \"flash\", send \"working...\"\n"
           "                          every MS (with --slow-check or --slow-flash: other text\n"
           "                          for as long as the device works)\n"
           "  --one-complete          \"flash\" reports the erase only, then the device is mute\n"
           "  --reset-keeps-version   \"reset\" restarts into the old version (the flash did not take)\n"
           "  --reset-delay MS        after \"reset\", take the next connection only after MS (restart time)\n";
}

ParseResult ParseOptions(int argc, const char* const* argv, SimOptions& o, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        std::string value;
        auto takeValue = [&]() {
            if (i + 1 >= argc) {
                error = a + " needs a value";
                return false;
            }
            value = argv[++i];
            return true;
        };
        auto takeNumber = [&](int low, int high, int& n) {
            if (!takeValue()) return false;
            if (!Number(value, low, high, n)) {
                error = a + ": not a number in " + std::to_string(low) + ".." + std::to_string(high) + ": " + value;
                return false;
            }
            return true;
        };
        if (a == "--help" || a == "-h") return ParseResult::Help;
        if (a == "--port") {
            if (!takeNumber(0, 65535, o.port)) return ParseResult::Error;
        } else if (a == "--bind") {
            if (!takeValue()) return ParseResult::Error;
            in_addr check{};
            if (inet_pton(AF_INET, value.c_str(), &check) != 1) {
                error = "--bind: not an IPv4 address: " + value;
                return ParseResult::Error;
            }
            o.bind = value;
        } else if (a == "--firmware-version") {
            if (!takeValue()) return ParseResult::Error;
            o.version = value;
        } else if (a == "--state") {
            if (!takeValue()) return ParseResult::Error;
            o.statePath = value;
        } else if (a == "--no-ssdp") {
            o.ssdp = false;
        } else if (a == "--log") {
            if (!takeValue()) return ParseResult::Error;
            o.logPath = value;
        } else if (a == "--log-times") {
            o.logTimes = true;
        } else if (a == "--compare") {
            if (!takeValue()) return ParseResult::Error;
            o.comparePath = value;
        } else if (a == "--banner") {
            o.faults.banner = true;
        } else if (a == "--banner-with-prompt") {
            o.faults.bannerWithPrompt = true;
        } else if (a == "--prompt-case") {
            if (!takeValue()) return ParseResult::Error;
            if (value == "upper") {
                o.faults.promptCase = ConsoleFaults::PromptCase::Upper;
            } else if (value == "lower") {
                o.faults.promptCase = ConsoleFaults::PromptCase::Lower;
            } else {
                error = "--prompt-case: upper or lower, not " + value;
                return ParseResult::Error;
            }
        } else if (a == "--split-version") {
            o.faults.splitVersion = true;
        } else if (a == "--silent") {
            o.faults.silent = true;
        } else if (a == "--close-after-lines") {
            if (!takeNumber(0, 1000000000, o.faults.closeAfterLines)) return ParseResult::Error;
        } else if (a == "--bad-check") {
            o.faults.badCheck = true;
        } else if (a == "--slow-flash") {
            if (!takeNumber(0, 3600000, o.faults.slowFlashMs)) return ParseResult::Error;
        } else if (a == "--slow-check") {
            if (!takeNumber(0, 3600000, o.faults.slowCheckMs)) return ParseResult::Error;
        } else if (a == "--chatty") {
            if (!takeNumber(1, 3600000, o.faults.chattyMs)) return ParseResult::Error;
        } else if (a == "--answer-delay") {
            if (!takeNumber(0, 60000, o.faults.answerDelayMs)) return ParseResult::Error;
        } else if (a == "--one-complete") {
            o.faults.oneComplete = true;
        } else if (a == "--reset-keeps-version") {
            o.faults.resetKeepsVersion = true;
        } else if (a == "--reset-delay") {
            if (!takeNumber(0, 3600000, o.faults.resetDelayMs)) return ParseResult::Error;
        } else {
            error = "unknown option " + a;
            return ParseResult::Error;
        }
    }
    return ParseResult::Run;
}
