#include "cli/commands/command_history.h"

#include <cstdio>

#include "cli/commands/common_options.h"
#include "cli/commands/exit_codes.h"
#include "cli/output/messages.h"
#include "cli/output/history.h"
#include "cli/output/json_events.h"
#include "cli/output/stored_json.h"
#include "cli/output/display_width.h"
#include "cli/output/terminal.h"
#include "cli/output/utc_time.h"
#include "cli/output/visible_text.h"
#include "cli/report/run_recorder.h"
#include "cli/report/run_report.h"

namespace {

// A field of a record as the table shows it: "-" when it is missing, empty
// or not text; device text made visible.
std::string Cell(const nlohmann::json& r, const char* key) {
    const std::string text = FieldText(r, key);
    return text.empty() ? "-" : VisibleText(text);
}

// The records from since on (all when since is empty); records without a
// readable time are left out then.
std::vector<nlohmann::json> RecordsSince(const std::vector<nlohmann::json>& records, const std::string& since) {
    double from = 0;
    if (since.empty() || !ParseUtcText(since, from)) return records;
    std::vector<nlohmann::json> kept;
    for (const nlohmann::json& r : records) {
        double at = 0;
        if (ParseUtcText(FieldText(r, "time"), at) && at >= from) kept.push_back(r);
    }
    return kept;
}

// A column of every record's field, as wide as its widest cell (at least
// least) by what a terminal shows; none when no record has the field.
std::vector<std::string> Column(const std::vector<nlohmann::json>& records, const char* key, const char* title,
                                size_t least, bool always) {
    std::vector<std::string> cells{title};
    bool any = always;
    for (const nlohmann::json& r : records) {
        cells.push_back(Cell(r, key));
        any = any || !FieldText(r, key).empty();
    }
    if (!any) return {};
    const size_t width = WidestWidth(cells, least);
    for (std::string& c : cells) c = PadToWidth(c, width) + "  ";
    return cells;
}

void PrintTable(const std::vector<nlohmann::json>& records) {
    const std::vector<std::string> names = Column(records, "name", "NAME", 4, false);
    const std::vector<std::string> devices = Column(records, "device", "DEVICE", 21, true);
    PrintTo(stdout, "%-20s  %-7s  %s%s%-17s  %-8s  %-8s  %-11s  %s\n", "TIME", "COMMAND",
            names.empty() ? "" : names[0].c_str(), devices[0].c_str(), "MAC", "BEFORE", "AFTER", "RESULT", "DETAIL");
    for (size_t k = 0; k < records.size(); ++k) {
        const nlohmann::json& r = records[k];
        std::string after = Cell(r, "new_version");
        if (FieldText(r, "command") == "mac") after = "mac " + Cell(r, "mac_tail");
        PrintTo(stdout, "%-20s  %-7s  %s%s%-17s  %-8s  %-8s  %-11s  %s\n", Cell(r, "time").c_str(),
                Cell(r, "command").c_str(), names.empty() ? "" : names[k + 1].c_str(), devices[k + 1].c_str(),
                Cell(r, "mac").c_str(), Cell(r, "old_version").c_str(), after.c_str(), Cell(r, "result").c_str(),
                Cell(r, "detail").c_str());
    }
}

int WriteHistoryReport(const HistoryOptions& o, const std::vector<std::string>& arguments, const std::string& path,
                       const std::vector<nlohmann::json>& records) {
    RunReport report = RunReportFromHistory(records);
    report.options = TypedCommandLine(arguments);
    if (report.devices.empty()) {
        PrintTo(stderr, "tqm530r: no update records%s in %s; no report written\n",
                o.since.empty() ? "" : (" since " + o.since).c_str(), path.c_str());
        return kExitFailed;
    }
    std::string error;
    if (!WriteReportPage(report, o.reportPath, error)) {
        PrintTo(stderr, "tqm530r: --report: %s\n", error.c_str());
        return kExitFailed;
    }
    PrintTo(stderr, Tr("tqm530r: %zu update record(s) written to %s\n"), report.devices.size(), o.reportPath.c_str());
    return kExitOk;
}

}  // namespace

void AddHistoryOptions(CLI::App& c, HistoryOptions& o, MainSettings&) {
    AddHistory(c, o.historyPath);
    c.add_option("--report", o.reportPath,
                 Tr("FILE.html: the update records as one page that needs no network (devices, results, reasons, "
                 "a timeline), instead of the table"));
    c.add_option("--since", o.since,
                 Tr("TIME: only the records from then on, UTC as 2026-12-07T19:12:16Z (or with up to six decimals of the "
                 "second, 2026-12-07T19:12:16.5Z)"))
        ->check(Allowed(
            [](std::string& t) {
                double ignored;
                return ParseUtcText(t, ignored);
            },
            Tr("a UTC time as 2026-12-07T19:12:16Z")));
    AddJson(c, o.json, N_("print the stored JSON lines as they are"));
}

int RunHistory(const HistoryOptions& o, const std::vector<std::string>& arguments) {
    const std::string path = HistoryPath(o.historyPath);
    std::vector<nlohmann::json> records;
    std::string error;
    if (!ReadHistory(path, records, error)) {
        PrintTo(stderr, "tqm530r: %s\n", error.c_str());
        return kExitFailed;
    }
    records = RecordsSince(records, o.since);
    if (!o.reportPath.empty()) return WriteHistoryReport(o, arguments, path, records);
    if (o.json) {
        for (const nlohmann::json& r : records) PrintJsonLine(r);
        return kExitOk;
    }
    if (records.empty()) {
        PrintTo(stderr, Tr("tqm530r: no history yet in %s\n"), path.c_str());
        return kExitOk;
    }
    PrintTable(records);
    return kExitOk;
}
