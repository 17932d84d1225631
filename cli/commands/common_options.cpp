#include "cli/commands/common_options.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "cli/device/device_address.h"
#include "cli/output/messages.h"
#include "cli/platform/user_paths.h"
#include "cli/rollout/failure_budget.h"
#include "console/console_limits.h"
#include "discovery/search_schedule.h"

namespace {

constexpr double kMaxSeconds = 3600;

// The help says "10 each" for the login's wait and each image line's.
static_assert(ConsoleTimeouts{}.loginMs == ConsoleTimeouts{}.lineMs, "one short wait");

// "0.5" for 500 ms, "10" for 10000 ms.
std::string SecondsOf(int ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", ms / 1000.0);
    return text;
}

std::string TimeoutHelp() {
    const ConsoleTimeouts defaults;
    return Formatted(Tr("SECONDS for each short wait on the device: connect, login, version, each image line, "
                        "\"sum  :\" (default %s each, %s for \"sum  :\")"),
                     SecondsOf(defaults.loginMs).c_str(), SecondsOf(defaults.checksumMs).c_str());
}

std::string WaitHelp() {
    const std::string sends = std::to_string(RepeatedSendTimes(kSearchWaitMs).size());
    return Formatted(Tr("MS the search collects answers; its request goes out every %s s, at most %s times, each at "
                        "least %s s before the wait ends (%s times in the default %s, once below %s)"),
                     SecondsOf(kRepeatGapMs).c_str(), std::to_string(kMostSends).c_str(),
                     SecondsOf(kLastSendBeforeEndMs).c_str(), sends.c_str(), std::to_string(kSearchWaitMs).c_str(),
                     std::to_string(kRepeatGapMs + kLastSendBeforeEndMs).c_str());
}

// Plain decimal digits in min..max, rewritten without leading zeros (CLI11
// would read "010" as octal).
bool ReadWholeIn(std::string& text, long min, long max) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    const long value = std::strtol(text.c_str(), nullptr, 10);
    text = std::to_string(value);
    return value >= min && value <= max;
}

// Seconds as plain decimals ("2", "0.5", ".5"), above 0 and at most kMaxSeconds.
bool ReadSeconds(std::string& text) {
    if (text.empty() || text.size() > 12 || text.find_first_not_of("0123456789.") != std::string::npos) return false;
    if (text == "." || text.find('.') != text.rfind('.')) return false;
    const double value = std::strtod(text.c_str(), nullptr);
    return value > 0 && value <= kMaxSeconds;
}

// 64 hexadecimal digits, rewritten in lower case as Sha256Hex gives them.
bool ReadSha256Text(std::string& text) {
    if (text.size() != 64 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return true;
}

bool ReadPortText(std::string& text) {
    unsigned short port = 0;
    if (!ReadPort(text, port)) return false;
    text = std::to_string(port);
    return true;
}

// A check that runs a parser of the rollout's rules and refuses with its own reason.
CLI::Validator Parsed(std::function<bool(const std::string&, std::string&)> parse) {
    return CLI::Validator(
        [parse](std::string& text) {
            std::string error;
            return parse(text, error) ? std::string() : error;
        },
        "");
}

}  // namespace

CLI::Validator Allowed(std::function<bool(std::string&)> read, const std::string& allowed) {
    return CLI::Validator(
        [read, allowed](std::string& text) {
            const std::string typed = text;
            return read(text) ? std::string() : Formatted(Tr("\"%s\" is not allowed; %s"), typed.c_str(), allowed.c_str());
        },
        "");
}

CLI::Validator WholeIn(long min, long max, const std::string& what) {
    return Allowed([min, max](std::string& t) { return ReadWholeIn(t, min, max); },
                   Formatted(Tr("%s from %ld to %ld"), what.c_str(), min, max));
}

CLI::Validator Seconds() {
    return Allowed(ReadSeconds, Formatted(Tr("SECONDS above 0, at most %d"), static_cast<int>(kMaxSeconds)));
}

void AddPort(CLI::App& c, DeviceAccess& access) {
    c.add_option("--port", access.port, Tr("console port for hosts given without :PORT"))
        ->transform(Allowed(ReadPortText, Tr("PORT from 1 to 65535")))
        ->default_val(kConsolePort);
}

void AddTimeout(CLI::App& c, DeviceAccess& access) {
    c.add_option("--timeout", access.timeoutSeconds, TimeoutHelp())->check(Seconds());
}

void AddImage(CLI::App& c, MainSettings& main) {
    c.add_option("--image", main.imagePath,
                 Tr("FILE: a Motorola S-record image from the maker, used instead of the carried one after its "
                    "self-check"));
}

void AddTrace(CLI::App& c, MainSettings& main) {
    c.add_option("--trace", main.tracePath,
                 Tr("FILE to append a transcript to: every datagram of the search and every send and receive on "
                    "the console, one line each, control bytes written visibly"));
}

void AddImageSha256(CLI::App& c, MainSettings& main) {
    c.add_option("--image-sha256", main.imageSha256,
                 Tr("HEX: the SHA-256 the image (carried or --image) must have; another one is refused before any "
                    "device is contacted (exit 4)"))
        ->transform(Allowed(ReadSha256Text, Tr("64 hexadecimal digits")));
}

void AddJson(CLI::App& c, bool& json, const char* what) { c.add_flag("--json", json, Tr(what)); }

void AddHistory(CLI::App& c, std::string& historyPath) {
    c.add_option("--history", historyPath, Formatted(Tr("FILE of the history (default %s)"), HistoryPathHelp()));
}

void AddSearch(CLI::App& c, SearchSettings& search) {
    c.add_option("--wait", search.waitMs, WaitHelp())->transform(WholeIn(1, 60000, "MS"))->default_val(kSearchWaitMs);
    c.add_option("--interface", search.interfaceName, InterfaceHelp());
}

CLI::Option* AddExpect(CLI::App& c, SearchSettings& search, const std::string& then) {
    return c
        .add_option("--expect", search.expect,
                    Tr("N: fewer than N devices answering is a failure (exit 1), told on stderr with the devices "
                       "that did answer") +
                        then)
        ->transform(WholeIn(1, 100000, "N"));
}

CLI::Option* AddInventory(CLI::App& c, std::string& path, const std::string& then) {
    return c.add_option("--inventory", path,
                        Tr("FILE: the devices known by MAC, with their names: CSV UTF-8 with a header row naming "
                           "\"name\" and \"mac\" (other columns are kept for --json); read before the search, a "
                           "bad file is exit 2") +
                            then);
}

void AddPolicy(CLI::App& c, VersionPolicy& policy) {
    c.add_flag("--reinstall", policy.reinstall, Tr("write the image also to a device that already runs its version"));
    c.add_flag("--allow-older", policy.allowOlder, Tr("write the image also to a device that runs a newer version"));
}

CLI::Option* AddWaves(CLI::App& c, std::vector<WaveSize>& waves) {
    return c
        .add_option_function<std::string>(
            "--waves",
            [&waves](const std::string& text) {
                std::string e;
                ParseWaveSizes(text, waves, e);
            },
            Tr(kWavesHelp))
        ->check(Parsed([](const std::string& t, std::string& e) {
            std::vector<WaveSize> sizes;
            return ParseWaveSizes(t, sizes, e);
        }));
}

void AddRollout(CLI::App& c, RolloutSettings& o) {
    CLI::Option* waves = AddWaves(c, o.waves);
    c.add_option_function<std::string>(
         "--max-failures",
         [&o](const std::string& text) {
             std::string e;
             ParseFailureLimit(text, o.maxFailures, e);
             o.maxFailuresText = text;
         },
         std::string(Tr(kMaxFailuresHelp)) + Tr("; the devices never started are \"not started\" (exit 6)"))
        ->check(Parsed([](const std::string& t, std::string& e) {
            FailureLimit limit;
            return ParseFailureLimit(t, limit, e);
        }));
    c.add_option("--soak", o.soakSeconds,
                 Tr("SECONDS after each wave but the last, then every device it wrote is read again (login, "
                    "version): one that no longer answers or runs another version failed (\"lost in the soak\")"))
        ->check(Seconds())
        ->needs(waves);
}
