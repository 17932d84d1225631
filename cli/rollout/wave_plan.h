#pragma once

#include <string>
#include <vector>

// One entry of --waves: a count of devices or a percentage of the devices to
// write, each the cumulative share that has been started once its wave ends.
struct WaveSize {
    int value = 0;  // 1..100000 devices, or 1..100 percent
    bool percent = false;
};

// The rules of --waves, for the help text: how sizes are read and rounded.
extern const char* const kWavesHelp;

// Reads "1,10%,50%,100%". Each entry is a whole count (1..100000) or a whole
// percentage (1..100) followed by "%"; entries of the same kind must grow
// ("10%,5%" and "5,5" are refused as typing errors). False with a one-line
// reason otherwise.
bool ParseWaveSizes(const std::string& text, std::vector<WaveSize>& sizes, std::string& error);

// The end of each wave for devices devices to write: wave k holds the devices
// [ends[k-1], ends[k]). A count is capped at devices; a percentage rounds up,
// so that a wave is never empty while devices remain. An end that does not
// grow after rounding (10% and 1 of 3 devices are both 1) merges into the wave
// before it. When the sizes stop short of every device, a last wave takes the
// rest. No sizes: one wave of all. No devices: no wave.
std::vector<int> WaveEnds(const std::vector<WaveSize>& sizes, int devices);
