#include "cli/rollout/failure_budget.h"

#include <cstdlib>

#include "cli/platform/ui_language.h"

const char* const kMaxFailuresHelp = N_(
    "N or P%: once more devices than this have failed (failed, unverified, mac-changed, or lost in the soak; "
    "not skipped or refused), no further device starts; P% is of the devices to write, rounded down");

namespace {

bool ReadWhole(const std::string& digits, int max, int& value) {
    if (digits.empty() || digits.size() > 6 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::atoi(digits.c_str());
    return value <= max;
}

}  // namespace

bool ParseFailureLimit(const std::string& text, FailureLimit& limit, std::string& error) {
    FailureLimit read;
    read.percent = !text.empty() && text.back() == '%';
    const std::string digits = read.percent ? text.substr(0, text.size() - 1) : text;
    if (!ReadWhole(digits, read.percent ? 100 : 100000, read.value)) {
        error = "\"" + text + "\" is not a count from 0 to 100000 or a percentage from 0% to 100%";
        return false;
    }
    limit = read;
    return true;
}

int FailureBudget(const FailureLimit& limit, int devices) {
    if (limit.value < 0) return kNoBudget;
    if (!limit.percent) return limit.value;
    return static_cast<int>(static_cast<long long>(limit.value) * devices / 100);
}

bool CountsAgainstBudget(DeviceResult result) { return TraitsOf(result).againstBudget; }
