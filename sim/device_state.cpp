#include "sim/device_state.h"

#include "sim/srecord_check.h"

namespace {

std::vector<std::string> NormalisedLines(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& line : lines) {
        const std::string_view text = WithoutLineEnd(line);
        if (!text.empty()) out.emplace_back(text);
    }
    return out;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

}  // namespace

bool FlashMatches(const DeviceState& device, const std::string& reference) {
    return NormalisedLines(device.flash) == NormalisedLines(SplitLines(reference));
}

std::string Summary(const DeviceState& device, const std::string* reference) {
    std::string s = "lines received: " + std::to_string(device.linesReceived) + "\n";
    s += "bad-checksum lines: " + std::to_string(device.badLines) + "\n";
    s += "version: " + device.version + "\n";
    s += "mac tail: " + (device.macTail.empty() ? std::string("-") : device.macTail) + "\n";
    s += "flashed lines: " + std::to_string(device.flash.size()) + "\n";
    if (reference) s += std::string("flash matches image: ") + (FlashMatches(device, *reference) ? "yes" : "no") + "\n";
    return s;
}
