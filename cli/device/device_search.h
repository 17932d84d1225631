#pragma once

#include <string>
#include <vector>

#include "discovery/device_list.h"
#include "discovery/search_devices.h"

// How the command line searches: how long it collects answers, on which
// interface (empty: the default), and how many maker devices must answer
// (--expect; 0: any number).
struct SearchSettings {
    int waitMs = kSearchWaitMs;
    std::string interfaceName;
    int expect = 0;
};

// One maker device found by the search.
struct FoundDevice {
    std::string entry;  // "TQM-530R(12ab) [10.77.0.10]", as the dialog lists it
    std::string ip;
    std::string mac;  // "02-4c-1a-03-12-ab", as ARP resolved it at the search
};

// The found devices of a search, each with its entry text, sorted by entry
// like the dialog's list.
std::vector<FoundDevice> FoundDevices(const std::vector<ListedDevice>& listed);

// One search of waitMs into a growing DeviceList, its request sent again while
// it waits (RepeatedSendTimes): every maker device that answers, however
// many, never one of this host's own addresses, whatever its MAC.
// interfaceName empty for the default. False when the search could not be
// set up.
bool SearchMakerDevices(int waitMs, const std::string& interfaceName, std::vector<FoundDevice>& devices);

// "7 TQM-530R devices answered, 8 expected: 10.77.0.10, ...": the
// one line for a search that found fewer devices than --expect, naming those
// that answered.
std::string FewerThanExpectedText(const std::vector<FoundDevice>& devices, int expected);
