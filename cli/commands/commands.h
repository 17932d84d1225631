#pragma once

#include "cli/commands/cli_options.h"
#include "cli/image/image_check.h"

// One function per command; each returns the process's exit code.
int RunDetect(const CliOptions& o);
int RunVersion(const CliOptions& o, const ImageReport& image);
int RunUpdate(const CliOptions& o, const ImageReport& image);
int RunPlan(const CliOptions& o, const ImageReport& image);
int RunErase(const CliOptions& o, const ImageReport& image);
int RunMac(const CliOptions& o, const ImageReport& image);
int RunImage(const CliOptions& o, const ImageReport& image);
int RunHistory(const CliOptions& o);
