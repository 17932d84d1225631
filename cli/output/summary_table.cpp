#include "cli/output/summary_table.h"

#include "cli/output/display_width.h"
#include "cli/output/terminal.h"
#include "cli/output/visible_text.h"

namespace {

std::string Or(const std::string& text, const char* instead) { return text.empty() ? instead : text; }

// The NAME column's texts (the inventory's names), or none when no device has one.
std::vector<std::string> Names(const std::vector<DeviceOutcome>& outcomes) {
    std::vector<std::string> names;
    bool any = false;
    for (const DeviceOutcome& o : outcomes) {
        names.push_back(Or(VisibleText(o.name), "-"));
        any = any || !o.name.empty();
    }
    return any ? names : std::vector<std::string>();
}

}  // namespace

void PrintSummaryTable(FILE* out, const std::vector<std::string>& labels, const std::vector<DeviceOutcome>& outcomes) {
    std::vector<std::string> shown;
    for (const std::string& l : labels) shown.push_back(VisibleText(l));
    const std::vector<std::string> names = Names(outcomes);
    const size_t width = WidestWidth(shown, 6), nameWidth = WidestWidth(names, 4);
    const auto nameColumn = [&](const std::string& text) {
        return names.empty() ? std::string() : PadToWidth(text, nameWidth) + "  ";
    };
    PrintTo(out, "%s%s  %-17s  %-8s  %-8s  %-11s  %6s  %s\n", nameColumn("NAME").c_str(),
            PadToWidth("DEVICE", width).c_str(), "MAC", "BEFORE", "AFTER", "RESULT", "TIME", "DETAIL");
    int ok = 0, failed = 0;
    for (size_t i = 0; i < outcomes.size(); ++i) {
        const DeviceOutcome& o = outcomes[i];
        (ResultIsSuccess(o.result) ? ok : failed)++;
        PrintTo(out, "%s%s  %-17s  %-8s  %-8s  %-11s  %5.1fs  %s\n", names.empty() ? "" : nameColumn(names[i]).c_str(),
                PadToWidth(shown[i], width).c_str(), Or(VisibleText(o.mac), "-").c_str(),
                Or(VisibleText(o.oldVersion), "-").c_str(), Or(VisibleText(o.newVersion), "-").c_str(),
                ResultName(o.result), o.seconds, VisibleText(o.detail).c_str());
    }
    PrintTo(out, "%zu device(s): %d succeeded, %d failed\n", outcomes.size(), ok, failed);
    std::fflush(out);
}
