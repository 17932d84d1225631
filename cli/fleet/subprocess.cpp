#include "cli/fleet/subprocess.h"

#include "cli/output/progress_display.h"

std::string KilledAfterText(int boundMs, const std::string& ended) {
    return "did not end within " + SecondsText(boundMs / 1000.0) + ", so it was killed (" + ended + ")";
}
