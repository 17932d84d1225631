#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

// What the device keeps between connections: its running version, the
// flashed image (each line's text as it arrived), the MAC tail and the
// blocks erased from the maintenance console; plus counters for the summary.
struct DeviceState {
    std::string version = "1.0.01";
    std::vector<std::string> flash;
    std::string macTail;
    std::set<uint32_t> erasedBlocks;

    unsigned resets = 0;  // "reset" commands taken, not kept in the state file
    unsigned linesReceived = 0;
    unsigned badLines = 0;
};

// Whether the flashed lines are the lines of the reference text, line ends
// aside ("\r\n" and "\n" count the same, blank lines are ignored).
bool FlashMatches(const DeviceState& device, const std::string& reference);

// The closing report: counters, version, MAC tail and, with a reference
// image, "flash matches image: yes/no". One item a line.
std::string Summary(const DeviceState& device, const std::string* reference);
