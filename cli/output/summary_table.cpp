#include "cli/output/summary_table.h"

#include <algorithm>

#include "cli/output/terminal.h"
#include "cli/output/visible_text.h"

namespace {

std::string Or(const std::string& text, const char* instead) { return text.empty() ? instead : text; }

}  // namespace

void PrintSummaryTable(FILE* out, const std::vector<std::string>& labels, const std::vector<DeviceOutcome>& outcomes) {
    size_t width = 6;
    for (const std::string& l : labels) width = std::max(width, l.size());
    const int w = static_cast<int>(width);
    PrintTo(out, "%-*s  %-17s  %-8s  %-8s  %-11s  %6s  %s\n", w, "DEVICE", "MAC", "BEFORE", "AFTER", "RESULT", "TIME",
            "DETAIL");
    int ok = 0, failed = 0;
    for (size_t i = 0; i < outcomes.size(); ++i) {
        const DeviceOutcome& o = outcomes[i];
        (ResultIsSuccess(o.result) ? ok : failed)++;
        PrintTo(out, "%-*s  %-17s  %-8s  %-8s  %-11s  %5.1fs  %s\n", w, labels[i].c_str(),
                Or(VisibleText(o.mac), "-").c_str(), Or(VisibleText(o.oldVersion), "-").c_str(),
                Or(VisibleText(o.newVersion), "-").c_str(), ResultName(o.result), o.seconds,
                VisibleText(o.detail).c_str());
    }
    PrintTo(out, "%zu device(s): %d succeeded, %d failed\n", outcomes.size(), ok, failed);
    std::fflush(out);
}
