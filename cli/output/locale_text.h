#pragma once

#include "console/version_verdict.h"

// The verdict in the dialog's own words (UTF-8), or null where the dialog
// has none of its own (a device newer than the image: it says "latest").
const char* JapaneseVerdictText(VersionVerdict verdict);
