#pragma once

#include <string>
#include <vector>

#include "cli/device/device_session.h"

// How the parent tells an update child its device: "--job INDEX,HOST,PORT,MAC"
// before the parent's own arguments, which the child reads again for every
// other setting. The MAC is the search's (--all), else empty.
struct UpdateJobTarget {
    size_t index = 0;
    DeviceTarget target;
};

// The child's arguments: the job, then the parent's arguments as given.
std::vector<std::string> JobArguments(const UpdateJobTarget& job, const std::vector<std::string>& parentArguments);

// Reads the text after "--job". False when it is not one.
bool ParseJobArgument(const std::string& text, UpdateJobTarget& job);
