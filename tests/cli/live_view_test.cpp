// The live view's drawing for terminals of several sizes, the display width
// it cuts lines by, and the plain lines for a log.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "cli/output/display_width.h"
#include "cli/output/live_view.h"
#include "cli/output/messages.h"
#include "cli/output/progress_display.h"
#include "cli/output/summary_table.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::seconds;

const Clock::time_point kStart{};

enum class State { Waiting, Running, Verified, Failed, Skipped };

DeviceProgress Device(const std::string& label, State state, double tookSeconds = 10, int startedAgo = 4) {
    DeviceProgress p;
    p.label = label;
    p.totalLines = 11460;
    if (state == State::Waiting) return p;
    p.started = state != State::Skipped;
    p.startedAt = kStart + seconds(60 - startedAgo);
    p.phase = DevicePhase::Transfer;
    p.percent = 47;
    p.lines = 5390;
    if (state == State::Running) return p;
    p.finished = true;
    p.seconds = state == State::Skipped ? 0 : tookSeconds;
    p.result = state == State::Verified ? DeviceResult::Verified
               : state == State::Failed ? DeviceResult::Failed
                                        : DeviceResult::Skipped;
    p.mac = "02:4c:1a:00:00:01";
    p.detail = state == State::Failed ? "cannot connect: connection refused, a long reason to be cut at the edge"
                                      : "running 1.0.05 after the reset";
    return p;
}

// count devices: the first `finished` verified, the next `running` running, the rest waiting.
RunSnapshot RunOf(size_t count, size_t finished, size_t running, const std::string& name = "10.77.0.") {
    RunSnapshot run;
    run.start = kStart;
    run.now = kStart + seconds(60);
    for (size_t i = 0; i < count; ++i) {
        const State s = i < finished ? State::Verified : i < finished + running ? State::Running : State::Waiting;
        run.devices.push_back(Device(name + std::to_string(i + 1), s));
    }
    return run;
}

std::string MoreRunningOf(const std::vector<std::string>& region) {
    for (const std::string& line : region)
        if (line.find("more running") != std::string::npos) return line;
    return "";
}

void ExpectFits(const LiveFrame& frame, TerminalSize size) {
    EXPECT_LE(frame.region.size(), std::max<size_t>(size.rows, 2) - 1);
    for (const auto* lines : {&frame.above, &frame.region})
        for (const std::string& line : *lines) EXPECT_LT(DisplayWidth(line), static_cast<size_t>(size.columns)) << line;
}

}  // namespace

TEST(DisplayWidthTest, WideCharactersTakeTwoColumnsAndMarksNone) {
    const struct {
        const char* text;
        size_t width;
    } cases[] = {
        {"", 0},
        {"10.77.0.10", 10},
        {"デバイス", 8},                 // katakana: wide
        {"ﾃﾞﾊﾞｲｽ", 6},                   // halfwidth katakana: one each, the voiced marks too
        {"か\xe3\x82\x99", 2},           // か + combining voiced mark U+3099
        {"e\xcc\x81", 1},                // e + combining acute
        {"棚３", 4},                     // ideograph, fullwidth digit
        {"한국", 4},                     // Hangul syllables
        {"\xf0\x9f\x98\x80", 2},         // emoji U+1F600
        {"a\xe2\x80\x8b" "b", 2},        // zero-width space
        {"\xff" "a", 2},                 // a broken byte is drawn as one U+FFFD
        {"\xe3\x83", 2},                 // a cut sequence: each byte one U+FFFD
        {"\xf0\xa0\x80\x80", 2},         // U+20000, plane 2 ideograph
    };
    for (const auto& c : cases) EXPECT_EQ(DisplayWidth(c.text), c.width) << c.text;
    EXPECT_EQ(PadToWidth("倉庫", 6), "倉庫  ");
    EXPECT_EQ(PadToWidth("倉庫 A", 3), "倉庫 A");
    EXPECT_EQ(WidestWidth({"本社3F-東", "ab"}, 4), 9u);
}

TEST(DisplayWidthTest, CutNeverSplitsACharacterAndKeepsItsMarks) {
    const struct {
        const char* text;
        size_t columns;
        const char* cut;
    } cases[] = {
        {"abcdef", 3, "abc"},
        {"abc", 10, "abc"},
        {"デバイス", 5, "デバ"},          // the third would need columns 5 and 6
        {"デバイス", 4, "デバ"},
        {"aデ", 2, "a"},
        {"e\xcc\x81x", 1, "e\xcc\x81"},  // the mark stays with its letter
        {"デバイス", 0, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(CutToWidth(c.text, c.columns), c.cut) << c.text << " in " << c.columns;
    EXPECT_EQ(PadToWidth("デ", 4), "デ  ");
    EXPECT_EQ(PadToWidth("デバイス", 4), "デバイス");
}

// The region fits whatever the terminal: at most rows - 1 lines, none as wide
// as the terminal, the running devices that do not fit counted.
TEST(LiveViewTest, RegionFitsTheTerminalAndCountsTheRunningItCannotShow) {
    const struct {
        const char* what;
        size_t devices, finished, running;
        TerminalSize size;
        size_t regionLines;
        const char* more;  // the "+N more running" line, or "" when every bar fits
    } cases[] = {
        {"10 devices, 40 rows", 10, 0, 10, {120, 40}, 11, ""},
        {"180 devices, 30 rows", 180, 40, 100, {110, 30}, 29, "+73 more running"},
        {"2 devices, 80 columns", 2, 1, 1, {80, 24}, 2, ""},
        {"exactly as many as fit", 30, 0, 29, {100, 31}, 30, ""},
        {"one more than fits", 30, 0, 30, {100, 31}, 30, "+2 more running"},
        {"narrow and low", 8, 0, 8, {20, 3}, 2, "+8 more running"},
        {"one row", 8, 0, 8, {20, 1}, 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LiveLayout layout;
        const LiveFrame frame = layout.Next(RunOf(c.devices, c.finished, c.running), c.size);
        ExpectFits(frame, c.size);
        EXPECT_EQ(frame.region.size(), c.regionLines);
        EXPECT_EQ(MoreRunningOf(frame.region), c.more);
        EXPECT_EQ(frame.above.size(), c.finished);
    }
}

TEST(LiveViewTest, EachFinishedDeviceGoesAboveOnceAndTheLastFrameKeepsTheStatus) {
    const TerminalSize size{60, 12};
    LiveLayout layout;
    RunSnapshot run = RunOf(20, 3, 8, "棚3-デバイス-");  // wide labels: 15 columns and more
    std::map<std::string, int> shown;
    auto count = [&](const LiveFrame& f) {
        ExpectFits(f, size);
        for (const std::string& line : f.above) shown[line.substr(0, line.find(' '))]++;
    };
    count(layout.Next(run, size, {"tqm530r: interrupted"}));
    count(layout.Next(run, size));
    for (size_t i = 3; i < 11; ++i) run.devices[i] = Device(run.devices[i].label, State::Failed);
    count(layout.Next(run, size));
    const LiveFrame last = layout.Last(run, size);
    count(last);
    EXPECT_TRUE(last.region.empty());
    EXPECT_EQ(last.above.back().rfind("11/20 done  3 verified  8 failed", 0), 0u) << last.above.back();
    EXPECT_EQ(shown["tqm530r:"], 1);
    for (size_t i = 0; i < 11; ++i) EXPECT_EQ(shown[run.devices[i].label], 1) << run.devices[i].label;
    EXPECT_EQ(shown.count(run.devices[11].label), 0u);
}

// After the terminal got smaller the next frame goes up over every row the
// old region takes now (its wider lines wrapped) and fits the new size.
TEST(LiveViewTest, TerminalResizedSmallerBetweenTwoDraws) {
    const RunSnapshot run = RunOf(60, 0, 40);
    LiveLayout layout;
    const TerminalSize before{150, 50}, after{40, 10};
    const LiveFrame first = layout.Next(run, before);
    std::vector<size_t> widths;
    size_t rowsNow = 0;
    for (const std::string& line : first.region) {
        widths.push_back(DisplayWidth(line));
        rowsNow += std::max<size_t>(1, (DisplayWidth(line) + 39) / 40);
    }
    ASSERT_EQ(first.region.size(), 41u);
    ASSERT_GT(rowsNow, first.region.size());  // the wide lines wrap at 40 columns
    const LiveFrame second = layout.Next(run, after);
    ExpectFits(second, after);
    EXPECT_EQ(MoreRunningOf(second.region), "+33 more running");
    const std::string text = FrameText(widths, second, after.columns);
    EXPECT_EQ(text.rfind("\r\033[" + std::to_string(rowsNow) + "A\033[2K", 0), 0u);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), static_cast<long>(second.region.size()));
    EXPECT_EQ(FrameText({}, second, 40).rfind("\r\033[2K", 0), 0u);  // nothing drawn before: no move up
}

TEST(LiveViewTest, StatusCountsTheRunAndEstimatesOnceADeviceEnded) {
    RunSnapshot run = RunOf(10, 0, 2);
    run.waves = 4;
    run.wave = 2;
    EXPECT_LT(EstimateSecondsLeft(run), 0);
    EXPECT_EQ(StatusLine(run), "0/10 done  0 verified  0 failed  0 skipped  2 running  8 waiting  wave 2 of 4  1:00 elapsed");
    run.stage = "reading versions 3 of 10";
    EXPECT_EQ(StatusLine(run), "0/10 done  0 verified  0 failed  0 skipped  2 running  8 waiting  reading versions 3 of 10  wave 2 of 4  1:00 elapsed");
    run.stage.clear();
    run.devices[2] = Device("a", State::Verified, 10);
    run.devices[3] = Device("b", State::Failed, 10);
    run.devices[4] = Device("c", State::Skipped);
    run.devices[5] = Device("d", State::Verified, 10);
    run.devices[5].result = DeviceResult::Updated;
    const RunCounts c = CountRun(run.devices);
    EXPECT_EQ(c.done, 4u);
    EXPECT_EQ(c.verified, 2u);
    EXPECT_EQ(c.failed, 1u);
    EXPECT_EQ(c.skipped, 1u);
    EXPECT_EQ(c.running, 2u);
    EXPECT_EQ(c.waiting, 4u);
    // 10 s a device; the running ones started 4 s ago: 6 s more, then the 4
    // waiting in two rounds of 2.
    EXPECT_DOUBLE_EQ(EstimateSecondsLeft(run), 26);
    EXPECT_NE(StatusLine(run).find("about 0:26 left"), std::string::npos) << StatusLine(run);
}

// A log gets a line for a device's start, each retry and its end, never one
// for a phase or a step of the transfer.
TEST(PlainLinesTest, OnlyTheStartEachRetryAndTheEndMakeALine) {
    DeviceProgress waiting = Device("10.77.0.10", State::Waiting);
    DeviceProgress transfer = Device("10.77.0.10", State::Running);
    DeviceProgress further = transfer;
    further.percent = 90;
    further.phase = DevicePhase::Flash;
    DeviceProgress retry = transfer;
    retry.attempt = 2;
    retry.attempts = 4;
    retry.retryNote = "in 2 s (no login prompt)";
    const struct {
        const char* what;
        DeviceProgress before, after;
        const char* line;
    } cases[] = {
        {"a phase", waiting, transfer, ""},
        {"90 % and flash", transfer, further, ""},
        {"a retry", transfer, retry, "10.77.0.10: attempt 2 of 4 in 2 s (no login prompt)"},
        {"the end", further, Device("10.77.0.10", State::Verified, 12),
         "10.77.0.10: verified     0:12  02:4c:1a:00:00:01  running 1.0.05 after the reset"},
    };
    for (const auto& c : cases) EXPECT_EQ(PlainLine(c.before, c.after), c.line) << c.what;
    EXPECT_EQ(PlainStartLine(waiting), "10.77.0.10: started");
    // The inventory's name follows the address wherever a person reads the device.
    DeviceProgress named = Device("10.77.0.10", State::Verified, 12);
    named.name = "本社3F-東";
    EXPECT_EQ(PlainLine(further, named), "10.77.0.10 本社3F-東: verified     0:12  02:4c:1a:00:00:01  running 1.0.05 after the reset");
    RunSnapshot run = RunOf(1, 0, 1);
    run.devices[0].name = named.name;
    EXPECT_EQ(RegionLines(run, {110, 30})[1].rfind("10.77.0.1 本社3F-東  [", 0), 0u) << RegionLines(run, {110, 30})[1];
}

// Japanese words are two columns wide each: the status, the finished lines and
// the table's rows still fit and line up by display width.
TEST(LiveViewTest, JapaneseLinesFitByDisplayWidth) {
    SetMessageLanguage(Language::Japanese);
    const struct {
        const char* what;
        TerminalSize size;
    } cases[] = {{"wide", {120, 20}}, {"80 columns", {80, 24}}, {"narrow", {30, 6}}, {"very narrow", {12, 4}}};
    RunSnapshot run = RunOf(6, 1, 3, "装置-");
    run.devices[1] = Device("装置-2", State::Failed);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LiveLayout layout;
        const LiveFrame frame = layout.Next(run, c.size);
        ExpectFits(frame, c.size);
        if (c.size.columns < 80) continue;
        EXPECT_TRUE(std::any_of(frame.region.begin(), frame.region.end(),
                                [](const std::string& line) { return line.find("2/6 完了") != std::string::npos; }));
        EXPECT_NE(frame.above.at(1).find("失敗"), std::string::npos) << frame.above.at(1);
    }
    std::vector<DeviceOutcome> outcomes(2);
    outcomes[0].result = DeviceResult::Verified;
    outcomes[1].detail = "host name does not resolve";
    FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    PrintSummaryTable(out, {"10.0.0.1", "装置"}, outcomes);
    std::rewind(out);
    std::string table;
    for (int c; (c = std::fgetc(out)) != EOF;) table += static_cast<char>(c);
    std::fclose(out);
    SetMessageLanguage(Language::English);
    std::vector<std::string> rows;
    for (size_t at = 0, end; (end = table.find('\n', at)) != std::string::npos; at = end + 1)
        rows.push_back(table.substr(at, end - at));
    ASSERT_EQ(rows.size(), 4u) << table;
    // The DETAIL column starts at the same display column in the heading and each row.
    const auto detailColumn = [](const std::string& row, const std::string& detail) {
        return DisplayWidth(row.substr(0, row.rfind(detail)));
    };
    EXPECT_EQ(detailColumn(rows[0], "詳細"), detailColumn(rows[2], "ホスト名を解決できません")) << table;
    EXPECT_NE(rows[1].find("確認済み"), std::string::npos) << table;
    EXPECT_EQ(rows[3], "装置 2 台: 成功 1、失敗 1") << table;
}
