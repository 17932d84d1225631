#pragma once

#include <string>

// How one device's update, erase or MAC write ended.
enum class DeviceResult {
    Verified,
    Updated,
    Skipped,
    Refused,
    Mismatch,
    Busy,
    Failed,
    Unverified,
    Interrupted,
    NotStarted,  // a rollout stopped by its failure budget before the device's turn
    NotFound,    // listed in the inventory, but it did not answer the search
};

// Everything the tool says or decides by a result, in one table row each.
struct ResultTraits {
    DeviceResult result;
    const char* name;       // in the summary, JSON, the history, the page and the metrics' label
    int rank;               // tables put a smaller rank first: what needs a look, then the rest
    bool success;           // verified, updated without a verify (--no-verify), or skipped as current
    bool written;           // the image went in, so a soak reads the device again
    bool againstBudget;     // counts against a rollout's failure budget
    bool needsLook;         // the page marks the device's row
    const char* pageClass;  // the page's colour: "r-ok", "r-dim", "r-warn", "r-bad"
};

// clang-format off
// Every result, in rank order.
inline constexpr ResultTraits kResultTraits[] = {
    // result                   name           rank success written budget look   page
    {DeviceResult::Failed,      "failed",      0,   false,  false,  true,  true,  "r-bad"},
    {DeviceResult::Unverified,  "unverified",  1,   false,  false,  true,  true,  "r-bad"},
    {DeviceResult::Mismatch,    "mac-changed", 2,   false,  false,  true,  true,  "r-bad"},
    {DeviceResult::NotFound,    "not found",   3,   false,  false,  false, true,  "r-bad"},
    {DeviceResult::Interrupted, "interrupted", 4,   false,  false,  false, true,  "r-warn"},
    {DeviceResult::Busy,        "busy",        5,   false,  false,  false, true,  "r-warn"},
    {DeviceResult::Refused,     "refused",     6,   false,  false,  false, false, "r-dim"},
    {DeviceResult::NotStarted,  "not started", 7,   false,  false,  false, false, "r-warn"},
    {DeviceResult::Updated,     "updated",     8,   true,   true,   false, false, "r-ok"},
    {DeviceResult::Verified,    "verified",    9,   true,   true,   false, false, "r-ok"},
    {DeviceResult::Skipped,     "skipped",     10,  true,   false,  false, false, "r-dim"},
};
// clang-format on

const ResultTraits& TraitsOf(DeviceResult result);

// "verified", "updated", "skipped", "refused", "mac-changed", "busy", "failed",
// "unverified", "interrupted", "not started", "not found".
const char* ResultName(DeviceResult result);
bool ResultFromName(const std::string& name, DeviceResult& result);
// A result's name read back (an event, a history record): an unknown or
// missing one is Failed, never taken for a success.
DeviceResult ResultNamed(const std::string& name);
inline bool ResultIsSuccess(DeviceResult result) { return TraitsOf(result).success; }

struct DeviceOutcome {
    DeviceResult result = DeviceResult::Failed;
    std::string detail;  // one line: why, or what was done
    std::string name;    // the inventory's name of the device; empty without one
    std::string ip;
    std::string mac;
    std::string oldVersion;  // the device's before, empty when not read
    std::string newVersion;  // the device's after the reset, empty when not read
    double seconds = 0;
    unsigned lines = 0;  // image lines sent
    int attempts = 1;    // tries from the connect
};
