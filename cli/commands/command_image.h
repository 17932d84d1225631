#pragma once

#include "cli/commands/commands.h"

// image: the image's version, shape, SHA-256 and self-check.
struct ImageOptions {
    bool json = false;
};

void AddImageOptions(CLI::App& c, ImageOptions& o, MainSettings& main);
int RunImage(const ImageOptions& o, const ImageReport& image);
