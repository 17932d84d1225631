#include "cli/output/summary_table.h"

#include "cli/output/display_width.h"
#include "cli/output/messages.h"
#include "cli/output/terminal.h"
#include "cli/output/visible_text.h"
#include "cli/platform/ui_language.h"

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

// A heading padded by display width; the last column is not padded.
std::string Heading(const char* english, size_t width) { return PadToWidth(Tr(english), width); }

// The TIME column is right-aligned, six columns wide.
std::string TimeHeading() {
    const std::string time = Tr("TIME");
    const size_t width = DisplayWidth(time);
    return width >= 6 ? time : std::string(6 - width, ' ') + time;
}

}  // namespace

const char* ShownResult(DeviceResult result) {
    // clang-format off
    static const struct { DeviceResult result; const char* word; } kWords[] = {
        {DeviceResult::Failed,      N_("failed")},      {DeviceResult::Unverified, N_("unverified")},
        {DeviceResult::Mismatch,    N_("mac-changed")}, {DeviceResult::NotFound,   N_("not found")},
        {DeviceResult::Interrupted, N_("interrupted")}, {DeviceResult::Busy,       N_("busy")},
        {DeviceResult::Refused,     N_("refused")},     {DeviceResult::NotStarted, N_("not started")},
        {DeviceResult::Updated,     N_("updated")},     {DeviceResult::Verified,   N_("verified")},
        {DeviceResult::Skipped,     N_("skipped")},
    };
    // clang-format on
    for (const auto& w : kWords)
        if (w.result == result) return Tr(w.word);
    return ResultName(result);
}

void PrintSummaryTable(FILE* out, const std::vector<std::string>& labels, const std::vector<DeviceOutcome>& outcomes) {
    std::vector<std::string> shown;
    for (const std::string& l : labels) shown.push_back(VisibleText(l));
    const std::vector<std::string> names = Names(outcomes);
    const size_t width = WidestWidth(shown, 6), nameWidth = WidestWidth(names, 4);
    const auto nameColumn = [&](const std::string& text) {
        return names.empty() ? std::string() : PadToWidth(text, nameWidth) + "  ";
    };
    PrintTo(out, "%s%s  %s  %s  %s  %s  %s  %s\n", nameColumn(Tr("NAME")).c_str(), Heading("DEVICE", width).c_str(),
            Heading("MAC", 17).c_str(), Heading("BEFORE", 8).c_str(), Heading("AFTER", 8).c_str(),
            Heading("RESULT", 11).c_str(), TimeHeading().c_str(), Tr("DETAIL"));
    int ok = 0, failed = 0;
    for (size_t i = 0; i < outcomes.size(); ++i) {
        const DeviceOutcome& o = outcomes[i];
        (ResultIsSuccess(o.result) ? ok : failed)++;
        PrintTo(out, "%s%s  %-17s  %s  %s  %s  %5.1fs  %s\n", names.empty() ? "" : nameColumn(names[i]).c_str(),
                PadToWidth(shown[i], width).c_str(), Or(VisibleText(o.mac), "-").c_str(),
                PadToWidth(Or(VisibleText(o.oldVersion), "-"), 8).c_str(),
                PadToWidth(Or(VisibleText(o.newVersion), "-"), 8).c_str(), PadToWidth(ShownResult(o.result), 11).c_str(),
                o.seconds, VisibleText(TrText(o.detail)).c_str());
    }
    PrintTo(out, Tr("%zu device(s): %d succeeded, %d failed\n"), outcomes.size(), ok, failed);
    std::fflush(out);
}
