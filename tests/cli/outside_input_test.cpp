// What reaches the command line from outside and must never abort it or
// reach a terminal raw: damaged lines of the history and of a child's
// events, times typed for --since, and text a device chose.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "cli/commands/command_line.h"
#include "cli/commands/commands.h"
#include "cli/commands/exit_codes.h"
#include "cli/fleet/child_protocol.h"
#include "cli/output/history.h"
#include "cli/output/json_events.h"
#include "cli/output/progress_display.h"
#include "cli/output/stored_json.h"
#include "cli/output/summary_table.h"
#include "cli/output/utc_time.h"
#include "cli/output/visible_text.h"
#include "cli/report/run_report.h"

namespace {

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

std::string Folder() {
    const std::string folder = testing::TempDir() + "/outside_input_" + std::to_string(::getpid());
    std::filesystem::create_directories(folder);
    return folder;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What print wrote into a FILE.
std::string Printed(const std::function<void(FILE*)>& print) {
    FILE* file = std::tmpfile();
    print(file);
    std::fflush(file);
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    std::fclose(file);
    return text;
}

// No byte that a terminal would act on: valid UTF-8 without C0 (but the
// newline), DEL or C1.
bool SafeForTerminal(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const size_t n = Utf8SequenceLength(text, i);
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (n == 0 || (c < 0x20 && c != '\n') || c == 0x7F) return false;
        if (n == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F) return false;
        i += n;
    }
    return true;
}

const std::string kMacRecord =
    R"({"time":"2026-01-01T00:00:00Z","command":"mac","result":"written","mac_tail":"12AB","ip":"10.0.0.1",)"
    R"("port":23,"device":"10.0.0.1"})";
const std::string kUpdateRecord =
    R"({"time":"2026-01-02T00:00:00Z","command":"update","result":"verified","device":"10.0.0.2","seconds":3})";

struct DamagedLine {
    const char* what;
    std::string line;
    bool object;  // a JSON object with odd fields, kept; else skipped as damaged
};

const std::vector<DamagedLine>& DamagedLines() {
    static const std::vector<DamagedLine> lines = {
        {"command null", R"({"command":null,"time":"2026-01-03T00:00:00Z","result":null,"event":null})", true},
        {"numbers for texts", R"({"command":5,"time":7,"device":1.5,"mac_tail":[],"ip":{},"detail":true,"event":5})",
         true},
        {"texts for numbers",
         R"({"command":"update","time":"2026-01-03T00:00:00Z","seconds":"9","attempts":"x","wave":"1","port":"23",)"
         R"("phases":"all","percent":"x","lines":"1","delay_seconds":"5","attempt":"2"})",
         true},
        {"numbers out of range",
         R"({"command":"update","time":"2026-01-03T00:00:00Z","seconds":1e308,"attempts":1e300,"wave":-1e19,)"
         R"("port":70000,"lines":-1,"total_lines":5e9,"percent":1e40,"attempt":2.5})",
         true},
        {"phases of every type",
         R"({"command":"update","time":"2026-01-03T00:00:00Z","phases":[1,null,"x",{"phase":5},)"
         R"({"phase":"flash","start":"a","end":[]}],"event":"phase","phase":["flash"]})",
         true},
        {"a time that is no time", R"({"command":"update","time":"2026-02-30T00:00:00Z","result":"verified"})", true},
        {"an array", "[1,2,3]", false},
        {"a string", "\"update\"", false},
        {"null", "null", false},
        {"two objects", "{} {}", false},
        {"a cut record", R"({"time":"2026-01-03T00:00:00Z","command":"upd)", false},
        {"binary junk", std::string("\x00\xff\xfe\x1b[2J\x9b\x00{", 10), false},
        {"a string that is not UTF-8", "{\"command\":\"update\xff\"}", false},
        {"nested 30000 deep", std::string(30000, '[') + std::string(30000, ']'), false},
        {"a 2 MB line", "{\"detail\":\"" + std::string(2 << 20, 'x') + "\"}", false},
    };
    return lines;
}

// Every reader of a child's events, with the line as each kind of event.
void ReadAsEvents(const nlohmann::json& line) {
    for (const char* kind : {"", "phase", "progress", "retry", "result", "soaked"}) {
        nlohmann::json event = line;
        if (*kind) event["event"] = kind;
        DeviceProgress progress;
        ApplyEvent(progress, event, std::chrono::steady_clock::now());
        ShowResult(progress, OutcomeFromJson(event));
        DeviceReport report;
        RecordDeviceEvent(report, event, 1.0);
        FormatProgressLine(progress, 10, 10);
    }
}

struct HistoryRun {
    int rc;
    std::string out;
    std::string err;
};

HistoryRun RunHistoryOn(const std::string& path, const std::string& since, bool json, const std::string& report) {
    HistoryOptions o;
    o.historyPath = path;
    o.since = since;
    o.json = json;
    o.reportPath = report;
    CaptureStdout();
    CaptureStderr();
    const int rc = RunHistory(o, {});
    const std::string out = GetCapturedStdout();
    return {rc, out, GetCapturedStderr()};
}

}  // namespace

// Each damaged line between two sound records: the sound ones are read by
// every reader (history, --since, --json, --report, the MAC warning, the
// page), a line that is no object is skipped and noted once, one with
// fields of other types is kept with their fallbacks; nothing throws. The
// same bytes as a child's output, in pieces of every size, give the same.
TEST(DamagedLines, EveryReaderSkipsTheLineOrReadsItsFieldsWithFallbacks) {
    const std::string path = Folder() + "/damaged.jsonl";
    const std::string report = Folder() + "/damaged.html";
    for (const DamagedLine& d : DamagedLines()) {
        SCOPED_TRACE(d.what);
        const std::string bytes = kMacRecord + "\n" + d.line + "\n" + kUpdateRecord + "\n";
        WriteFile(path, bytes);
        const size_t kept = d.object ? 3 : 2;
        for (size_t piece : {size_t{3}, size_t{4096}, bytes.size()}) {
            ObjectLines lines;
            std::vector<nlohmann::json> objects;
            for (size_t at = 0; at < bytes.size(); at += piece)
                lines.Add(bytes.data() + at, std::min(piece, bytes.size() - at),
                          [&](nlohmann::json&& o) { objects.push_back(std::move(o)); });
            lines.End([&](nlohmann::json&& o) { objects.push_back(std::move(o)); });
            EXPECT_EQ(objects.size(), kept) << "pieces of " << piece;
            EXPECT_EQ(lines.Damaged(), d.object ? 0u : 1u) << "pieces of " << piece;
            for (const nlohmann::json& o : objects) EXPECT_NO_THROW(ReadAsEvents(o));
        }

        std::vector<nlohmann::json> records;
        std::string error;
        CaptureStderr();
        ASSERT_TRUE(ReadHistory(path, records, error)) << error;
        const std::string note = GetCapturedStderr();
        EXPECT_EQ(records.size(), kept);
        EXPECT_EQ(note, d.object ? "" : "tqm530r: skipped 1 damaged line(s) in " + path + "\n");
        const nlohmann::json earlier = FindMacTailElsewhere(records, "12ab", "10.0.0.9", 23);
        EXPECT_EQ(FieldText(earlier, "device"), "10.0.0.1");
        EXPECT_GE(RunReportFromHistory(records).devices.size(), 1u);

        const HistoryRun table = RunHistoryOn(path, "", false, "");
        EXPECT_EQ(table.rc, kExitOk);
        EXPECT_NE(table.out.find("10.0.0.2"), std::string::npos);
        EXPECT_TRUE(SafeForTerminal(table.out));
        EXPECT_EQ(table.err, note);
        const HistoryRun since = RunHistoryOn(path, "2026-01-02T00:00:00Z", false, "");
        EXPECT_EQ(since.rc, kExitOk);
        EXPECT_NE(since.out.find("10.0.0.2"), std::string::npos);
        EXPECT_EQ(since.out.find("10.0.0.1"), std::string::npos);
        const HistoryRun json = RunHistoryOn(path, "", true, "");
        EXPECT_EQ(json.rc, kExitOk);
        EXPECT_EQ(static_cast<size_t>(std::count(json.out.begin(), json.out.end(), '\n')), kept);
        EXPECT_EQ(RunHistoryOn(path, "", false, report).rc, kExitOk);
    }
}

// A power loss cut the last record: the next appends (the history, the
// trace) start on a line of their own, so only the cut record is lost.
TEST(DamagedLines, ACutLastRecordCostsOnlyItself) {
    const std::string path = Folder() + "/cut.jsonl";
    WriteFile(path, kMacRecord + "\n" + R"({"time":"2026-01-03T00:00:00Z","comm)");
    std::string error;
    ASSERT_TRUE(AppendHistory(path, {{"command", "mac"}, {"result", "written"}}, error)) << error;
    ASSERT_TRUE(AppendHistory(path, {{"command", "update"}, {"result", "verified"}}, error)) << error;
    std::vector<nlohmann::json> records;
    CaptureStderr();
    ASSERT_TRUE(ReadHistory(path, records, error)) << error;
    EXPECT_EQ(GetCapturedStderr(), "tqm530r: skipped 1 damaged line(s) in " + path + "\n");
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(FieldText(records[2], "result"), "verified");
    EXPECT_NE(ReadFile(path).find("\"comm\n{"), std::string::npos);

    // A last record without its newline but whole is still a record.
    WriteFile(path, kMacRecord);
    ASSERT_TRUE(ReadHistory(path, records, error)) << error;
    EXPECT_EQ(records.size(), 1u);
}

// --since takes only "YYYY-MM-DDTHH:MM:SSZ", with up to six decimals of the
// second, of a day the calendar has; anything else is a usage error before
// the history is read.
TEST(SinceTime, OnlyTheDocumentedFormsOfRealDates) {
    const struct {
        const char* text;
        double seconds;
    } good[] = {
        {"1970-01-01T00:00:00Z", 0},
        {"2024-05-01T12:00:00Z", 1714564800},
        {"2024-02-29T23:59:59.5Z", 1709251199.5},
        {"2000-02-29T00:00:00.000001Z", 951782400.000001},
        {"2026-12-07T19:12:16.123456Z", 1796670736.123456},
    };
    for (const auto& g : good) {
        double t = -1;
        EXPECT_TRUE(ParseUtcText(g.text, t)) << g.text;
        EXPECT_DOUBLE_EQ(t, g.seconds) << g.text;
    }
    const char* const bad[] = {
        "",
        "yesterday",
        "2024-05-01",
        "2024-05-01T12:00:00",
        "2026-01-01T00:00:nanZ",
        "2026-01-01T00:00:infZ",
        "2026-01-01T00:00:1e1Z",
        "2026-01-01T00:00:+1Z",
        "2026-01-01T00:00:-1Z",
        "+2026-01-01T00:00:00Z",
        "2026-1-01T00:00:00Z",
        " 2026-01-01T00:00:00Z",
        "2026-01-01T00:00:00Z ",
        "2026-01-01 00:00:00Z",
        "2026-01-01t00:00:00z",
        "2026-01-01T00:00:00+00:00",
        "2026-01-01T00:00:00.Z",
        "2026-01-01T00:00:00.1234567Z",
        "2026-01-01T00:00:00,5Z",
        "2026-01-01T24:00:00Z",
        "2026-01-01T00:60:00Z",
        "2026-01-01T00:00:60Z",
        "2026-13-01T00:00:00Z",
        "2026-00-01T00:00:00Z",
        "2026-01-00T00:00:00Z",
        "2026-04-31T00:00:00Z",
        "2026-02-29T00:00:00Z",
        "1900-02-29T00:00:00Z",
        "2024-05-01T12:00:00Z+",
    };
    for (const char* text : bad) {
        double t = 0;
        EXPECT_FALSE(ParseUtcText(text, t)) << text;
        const std::string argument = text;
        char* argv[] = {const_cast<char*>("tqm530r"), const_cast<char*>("history"), const_cast<char*>("--since"),
                        const_cast<char*>(argument.c_str())};
        CommandLine line;
        CaptureStderr();
        EXPECT_EQ(ParseCommandLine(4, argv, "test", line), kExitUsage) << text;
        const std::string err = GetCapturedStderr();
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find("--since"), std::string::npos) << err;
    }
}

// Answers a device may give, as each reaches a person: the visible form
// (the trace's escapes for control characters, U+FFFD for what is not
// UTF-8) in the version text, the summary table and the progress lines,
// the exact text in JSON.
TEST(DeviceText, HostileAnswersReachAPersonVisiblyAndJsonExactly) {
    const std::string kFffd = "\xEF\xBF\xBD";  // U+FFFD
    const struct {
        const char* what;
        std::string answer;
        std::string shown;
    } cases[] = {
        {"terminal title",
         "\x1b]0;owned\x07"
         "1.0",
         "\\x1B]0;owned\\x071.0"},
        {"clear screen", "\x1b[2J\x1b[H1.0", "\\x1B[2J\\x1B[H1.0"},
        {"raw CSI byte",
         "\x9b"
         "2J",
         kFffd + "2J"},
        {"C1 CSI character",
         "\xc2\x9b"
         "2J",
         "\\xC2\\x9B2J"},
        {"CR, LF, tab, NUL, DEL", std::string("a\r\nb\t\0c\x7f", 8), "a\\r\\nb\\t\\0c\\x7F"},
        {"overlong and surrogate", "\xc0\xaf\xed\xa0\x80", kFffd + kFffd + kFffd + kFffd + kFffd},
        {"cut sequence", "1.0\xe3\x81", "1.0" + kFffd + kFffd},
        {"Japanese, U+00A0 and backslash",
         "版\xc2\xa0"
         "1\\0",
         "版\xc2\xa0"
         "1\\0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string& shown = c.shown;
        EXPECT_EQ(VisibleText(c.answer), shown);

        DeviceOutcome o;
        o.result = DeviceResult::Unverified;
        o.oldVersion = c.answer;
        o.newVersion = c.answer;
        o.detail = "the device came back with " + c.answer;
        const std::string table = Printed([&](FILE* f) { PrintSummaryTable(f, {"10.0.0.5:23"}, {o}); });
        EXPECT_TRUE(SafeForTerminal(table)) << table;
        EXPECT_NE(table.find(shown), std::string::npos) << table;

        DeviceProgress before, after;
        after.label = "10.0.0.5:23";
        ShowResult(after, o);
        const std::string plain = PlainLine(before, after);
        EXPECT_TRUE(SafeForTerminal(plain)) << plain;
        EXPECT_TRUE(SafeForTerminal(FormatProgressLine(after, 12, 10)));

        // JSON: valid whatever the bytes, and the exact text when it is UTF-8.
        const nlohmann::json back = nlohmann::json::parse(JsonText(OutcomeToJson(o)));
        if (ValidUtf8(c.answer) == c.answer) {
            EXPECT_EQ(back["old_version"], c.answer);
        }
    }
}
