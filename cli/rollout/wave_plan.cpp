#include "cli/rollout/wave_plan.h"

#include <cstdlib>

#include "cli/platform/ui_language.h"

const char* const kWavesHelp = N_(
    "SIZES: a comma list of device counts or percentages, each the cumulative share of the devices to write "
    "once its wave ends (\"1,10%,50%,100%\"): percentages round up, sizes that round to the same number form "
    "one wave, and the devices left after the last size form a last wave");

namespace {

constexpr int kMaxCount = 100000;

bool ReadWhole(const std::string& digits, int max, int& value) {
    if (digits.empty() || digits.size() > 6 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::atoi(digits.c_str());
    return value >= 1 && value <= max;
}

bool ReadEntry(const std::string& entry, WaveSize& size) {
    size.percent = !entry.empty() && entry.back() == '%';
    const std::string digits = size.percent ? entry.substr(0, entry.size() - 1) : entry;
    return ReadWhole(digits, size.percent ? 100 : kMaxCount, size.value);
}

std::vector<std::string> SplitAtCommas(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t comma = text.find(','); comma != std::string::npos; comma = text.find(',', start)) {
        parts.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

int DevicesOf(const WaveSize& size, int devices) {
    if (!size.percent) return size.value < devices ? size.value : devices;
    return static_cast<int>((static_cast<long long>(size.value) * devices + 99) / 100);
}

}  // namespace

bool ParseWaveSizes(const std::string& text, std::vector<WaveSize>& sizes, std::string& error) {
    sizes.clear();
    int lastCount = 0;
    int lastPercent = 0;
    for (const std::string& entry : SplitAtCommas(text)) {
        WaveSize size;
        if (!ReadEntry(entry, size)) {
            error = "\"" + entry + "\" is not a count from 1 to 100000 or a percentage from 1% to 100%";
            return false;
        }
        int& last = size.percent ? lastPercent : lastCount;
        if (size.value <= last) {
            error = "\"" + entry + "\" does not grow: each size is the cumulative share after its wave";
            return false;
        }
        last = size.value;
        sizes.push_back(size);
    }
    return true;
}

std::vector<int> WaveEnds(const std::vector<WaveSize>& sizes, int devices) {
    std::vector<int> ends;
    for (const WaveSize& size : sizes) {
        const int end = DevicesOf(size, devices);
        if (end > (ends.empty() ? 0 : ends.back())) ends.push_back(end);
    }
    if (devices > 0 && (ends.empty() || ends.back() < devices)) ends.push_back(devices);
    return ends;
}
