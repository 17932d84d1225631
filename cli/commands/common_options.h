#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <vector>

#include "cli/commands/commands.h"
#include "cli/device/device_search.h"
#include "cli/device/device_session.h"
#include "cli/device/version_policy.h"
#include "cli/fleet/rollout_run.h"
#include "cli/rollout/wave_plan.h"

// The options that several commands share, each bound into the settings of
// the concern it fills, and the checks of what is typed.

// A check that refuses in one line: the option's name (added by CLI11), the
// value as typed and what is allowed. Used with transform() where it rewrites
// the text (check() would discard the rewrite).
CLI::Validator Allowed(std::function<bool(std::string&)> read, const std::string& allowed);
// Plain decimal digits in min..max ("N from 1 to 1024").
CLI::Validator WholeIn(long min, long max, const std::string& what);
// Seconds as plain decimals, above 0 and at most an hour.
CLI::Validator Seconds();

// --port and --timeout.
void AddPort(CLI::App& c, DeviceAccess& access);
void AddTimeout(CLI::App& c, DeviceAccess& access);
// --image and --trace, which main reads before the command runs.
void AddImage(CLI::App& c, MainSettings& main);
void AddTrace(CLI::App& c, MainSettings& main);
// --image-sha256: the image's SHA-256, 64 hexadecimal digits.
void AddImageSha256(CLI::App& c, MainSettings& main);
void AddJson(CLI::App& c, bool& json, const char* what);
void AddHistory(CLI::App& c, std::string& historyPath);
// --wait and --interface.
void AddSearch(CLI::App& c, SearchSettings& search);
// --expect; then ends its help.
CLI::Option* AddExpect(CLI::App& c, SearchSettings& search, const std::string& then);
// --inventory FILE; then ends its help.
CLI::Option* AddInventory(CLI::App& c, std::string& path, const std::string& then);
// --reinstall and --allow-older.
void AddPolicy(CLI::App& c, VersionPolicy& policy);
CLI::Option* AddWaves(CLI::App& c, std::vector<WaveSize>& waves);
// --waves, --max-failures and --soak.
void AddRollout(CLI::App& c, RolloutSettings& rollout);
