#pragma once

#include <string>
#include <vector>

// One maker device found by the search.
struct FoundDevice {
    std::string entry;  // "TQM-530R(12ab) [10.77.0.10]", as the dialog lists it
    std::string ip;
    std::string mac;  // "02-4c-1a-03-12-ab", as ARP resolved it at the search
};

// One search (SearchDevices) of waitMs; interfaceName empty for the default.
// The devices come sorted like the dialog's list. False when the search
// could not be set up.
bool SearchMakerDevices(int waitMs, const std::string& interfaceName, std::vector<FoundDevice>& devices);

// The same for a command: an unknown interface or a search that cannot be set
// up is told on stderr. 0 when the search ran, else the exit code to return.
int SearchForCommand(int waitMs, const std::string& interfaceName, std::vector<FoundDevice>& devices);
