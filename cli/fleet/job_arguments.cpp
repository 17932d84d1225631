#include "cli/fleet/job_arguments.h"

#include <sstream>

std::vector<std::string> JobArguments(const UpdateJobTarget& job, const std::vector<std::string>& parentArguments) {
    std::vector<std::string> arguments{"--job", std::to_string(job.index) + "," + job.target.device.host + "," +
                                                    std::to_string(job.target.device.port) + "," +
                                                    job.target.searchMac};
    arguments.insert(arguments.end(), parentArguments.begin(), parentArguments.end());
    return arguments;
}

bool ParseJobArgument(const std::string& text, UpdateJobTarget& job) {
    std::vector<std::string> fields;
    std::istringstream in(text);
    for (std::string field; std::getline(in, field, ',');) fields.push_back(field);
    if (!text.empty() && text.back() == ',') fields.emplace_back();
    if (fields.size() != 4 || fields[0].empty() || fields[1].empty()) return false;
    if (fields[0].find_first_not_of("0123456789") != std::string::npos || fields[0].size() > 9) return false;
    job.index = std::stoul(fields[0]);
    job.target.device.host = fields[1];
    job.target.searchMac = fields[3];
    return ReadPort(fields[2], job.target.device.port);
}
