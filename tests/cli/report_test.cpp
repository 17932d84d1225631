// The run's report: texts made safe for the page and the metrics, the
// devices' order, the timeline's spans from the children's events and from
// history records, the page's content, and the metrics file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "cli/output/messages.h"
#include "cli/output/visible_text.h"
#include "cli/report/html_report.h"
#include "cli/report/metrics.h"
#include "cli/report/run_recorder.h"
#include "cli/report/text_in_place.h"

namespace {

DeviceReport Device(const std::string& label, const std::string& result, int wave = 0, double start = 0) {
    DeviceReport d;
    d.label = label;
    d.result = ResultNamed(result);
    d.wave = wave;
    d.start = start;
    d.end = start < 0 ? -1 : start + 10;
    return d;
}

std::string Page(const RunReport& r) {
    std::ostringstream out;
    WriteHtmlReport(r, out);
    return out.str();
}

std::vector<std::string> Labels(const std::vector<const DeviceReport*>& devices) {
    std::vector<std::string> labels;
    for (const DeviceReport* d : devices) labels.push_back(d->label);
    return labels;
}

const std::string kReplacement = "\xEF\xBF\xBD";

}  // namespace

TEST(ReportTextTest, HtmlEscapeCoversMarkupQuotesBrokenUtf8AndControls) {
    EXPECT_EQ(HtmlEscape("<a href=\"x\">Tom's & co</a>"), "&lt;a href=&quot;x&quot;&gt;Tom&#39;s &amp; co&lt;/a&gt;");
    EXPECT_EQ(HtmlEscape("line\r\nnext\tcol"), "line  next col");
    EXPECT_EQ(HtmlEscape(std::string("a\0b\x1b\x7f", 5)), "a" + kReplacement + "b" + kReplacement + kReplacement);
    // Kept: two-, three- and four-byte characters.
    EXPECT_EQ(HtmlEscape("\xC3\xA9 \xE3\x83\x87\xE3\x83\x90 \xF0\x9F\x94\xA7"),
              "\xC3\xA9 \xE3\x83\x87\xE3\x83\x90 \xF0\x9F\x94\xA7");
    const struct {
        const char* bytes;
        const char* why;
    } broken[] = {
        {"\x80", "a lone continuation byte"},    {"\xE3\x83", "a sequence cut short"},
        {"\xC0\xAF", "an overlong slash"},       {"\xED\xA0\x80", "a surrogate"},
        {"\xF4\x90\x80\x80", "beyond U+10FFFF"}, {"\xFF", "a byte never in UTF-8"},
    };
    for (const auto& b : broken) {
        const std::string escaped = HtmlEscape(std::string("x") + b.bytes + "<");
        EXPECT_EQ(escaped.substr(0, 1), "x") << b.why;
        EXPECT_EQ(escaped.substr(escaped.size() - 4), "&lt;") << b.why;
        EXPECT_EQ(ValidUtf8(escaped), escaped) << b.why;
        EXPECT_NE(escaped.find(kReplacement), std::string::npos) << b.why;
    }
    // A broken lead byte does not swallow the markup after it.
    EXPECT_EQ(HtmlEscape("\xE3<b>"), kReplacement + "&lt;b&gt;");
}

TEST(ReportTextTest, MetricLabelValuesEscapeBackslashQuoteAndLineFeedOnly) {
    EXPECT_EQ(MetricLabelValue("C:\\fw\\\"new\".mot\nx'y"), "C:\\\\fw\\\\\\\"new\\\".mot\\nx'y");
    EXPECT_EQ(MetricLabelValue("ok\xFF"), "ok" + kReplacement);
}

TEST(ReportTextTest, Durations) {
    EXPECT_EQ(DurationText(0.04), "0.0 s");
    EXPECT_EQ(DurationText(42.46), "42.5 s");
    EXPECT_EQ(DurationText(185), "3 min 05 s");
    EXPECT_EQ(DurationText(7440), "2 h 04 min");
    EXPECT_EQ(DurationText(-3), "0.0 s");
}

TEST(ReportOrderTest, FailuresFirstThenByWaveAndStart) {
    RunReport r;
    r.devices = {Device("ok-late", "verified", 1, 20),    Device("ok-early", "verified", 1, 5),
                 Device("skipped", "skipped", 1, 1),      Device("failed-w2", "failed", 2, 3),
                 Device("failed-w1", "failed", 1, 50),    Device("odd", "exploded", 1, 0),
                 Device("never", "not started", 2, -1),   Device("mac", "mac-changed", 1, 2),
                 Device("unverified", "unverified", 1, 9)};
    EXPECT_EQ(Labels(DevicesFailuresFirst(r)),
              (std::vector<std::string>{"odd", "failed-w1", "failed-w2", "unverified", "mac", "never", "ok-early",
                                        "ok-late", "skipped"}))
        << "an unknown result is read as failed, never taken for a success";
}

TEST(ReportEventsTest, ChildEventsBecomeContiguousPhaseSpans) {
    DeviceReport d;
    RecordDeviceStart(d, 1.0);
    const auto phase = [](const char* p) { return nlohmann::json{{"event", "phase"}, {"phase", p}}; };
    RecordDeviceEvent(d, phase("connect"), 1.0);
    RecordDeviceEvent(d, phase("login"), 1.2);
    RecordDeviceEvent(d, {{"event", "progress"}, {"percent", 10}}, 1.3);
    RecordDeviceEvent(d, {{"event", "retry"}, {"attempt", 2}, {"attempts", 3}}, 1.5);
    RecordDeviceEvent(d, phase("connect"), 3.5);
    RecordDeviceEvent(d, phase("transfer"), 3.7);
    RecordDeviceEvent(d, phase("check"), 5.0);
    RecordDeviceEvent(d, phase("flash"), 5.2);
    RecordDeviceEvent(d, phase("reset"), 12.0);
    RecordDeviceEvent(d, phase("verify"), 14.0);
    RecordDeviceEvent(d, phase("no-such-phase"), 15.0);
    RecordDeviceEvent(d,
                      {{"event", "result"},
                       {"result", "verified"},
                       {"detail", "running 1.0.05"},
                       {"ip", "10.0.0.5"},
                       {"mac", "02:4c:1a:00:00:05"},
                       {"old_version", "1.0.01"},
                       {"new_version", "1.0.05"},
                       {"attempts", 2}},
                      17.0);
    const DevicePhase expected[] = {DevicePhase::Connect,  DevicePhase::Retry, DevicePhase::Connect,
                                    DevicePhase::Transfer, DevicePhase::Check, DevicePhase::Flash,
                                    DevicePhase::Reset,    DevicePhase::Verify};
    ASSERT_EQ(d.phases.size(), std::size(expected));
    for (size_t i = 0; i < d.phases.size(); ++i) {
        EXPECT_EQ(d.phases[i].phase, expected[i]) << i;
        if (i > 0) {
            EXPECT_EQ(d.phases[i].start, d.phases[i - 1].end) << "no gap before span " << i;
        }
    }
    EXPECT_EQ(d.phases.front().start, 1.0);
    EXPECT_EQ(d.phases.back().end, 17.0);
    EXPECT_EQ(d.start, 1.0);
    EXPECT_EQ(d.end, 17.0);
    EXPECT_EQ(d.result, DeviceResult::Verified);
    EXPECT_EQ(d.attempts, 2);
    EXPECT_EQ(d.after, "1.0.05");
    EXPECT_EQ(d.address, "10.0.0.5");

    DeviceReport never;
    RecordDeviceEvent(never, {{"event", "result"}, {"result", "not started"}, {"attempts", 0}}, 30.0);
    EXPECT_LT(never.start, 0) << "a device never started has no time";
    EXPECT_TRUE(never.phases.empty());
    EXPECT_EQ(never.result, DeviceResult::NotStarted);
    EXPECT_EQ(never.attempts, 0);
}

TEST(ReportHistoryTest, UpdateRecordsBecomeOneRunWithOrWithoutPhases) {
    DeviceReport kept;
    kept.start = 100;
    kept.phases = {{DevicePhase::Connect, 100, 100.5}, {DevicePhase::Transfer, 100.5, 104}};
    const std::vector<nlohmann::json> records = {
        {{"time", "2026-12-07T19:00:10Z"},
         {"command", "update"},
         {"device", "10.0.0.5:23"},
         {"ip", "10.0.0.5"},
         {"seconds", 10.0},
         {"result", "verified"},
         {"image_version", "1.0.04"},
         {"image_sha256", "aa"},
         {"image", "carried"}},
        {{"time", "2026-12-07T19:00:30Z"}, {"command", "mac"}, {"result", "written"}},
        "not an object",
        {{"time", "not a time"}, {"command", "update"}},
        {{"time", "2026-12-07T19:00:20Z"},
         {"command", "update"},
         {"device", "10.0.0.6:23"},
         {"seconds", 4.0},
         {"result", "failed"},
         {"detail", "why"},
         {"attempts", 3},
         {"wave", 2},
         {"phases", PhasesToJson(kept)},
         {"image_version", "1.0.05"},
         {"image_sha256", "bb"},
         {"image", "new.mot"},
         {"host", "ops-7"}},
    };
    const RunReport r = RunReportFromHistory(records);
    ASSERT_EQ(r.devices.size(), 2u);
    EXPECT_EQ(r.command, "history");
    EXPECT_EQ(r.startTime, 1796670000);  // the first device's start: 19:00:10 less 10 s
    EXPECT_EQ(r.endTime, 1796670020);
    EXPECT_EQ(r.imageVersion, "1.0.05") << "the latest record's image";
    EXPECT_EQ(r.imageSource, "new.mot");
    EXPECT_EQ(r.host, "ops-7");
    EXPECT_NE(r.note.find("2 different images"), std::string::npos);
    const DeviceReport& whole = r.devices[0];
    EXPECT_EQ(whole.start, 0);
    EXPECT_EQ(whole.end, 10);
    ASSERT_EQ(whole.phases.size(), 1u);
    EXPECT_EQ(whole.phases[0].phase, DevicePhase::Whole);
    const DeviceReport& phased = r.devices[1];
    EXPECT_EQ(phased.start, 16);
    EXPECT_EQ(phased.wave, 2);
    EXPECT_EQ(phased.attempts, 3);
    ASSERT_EQ(phased.phases.size(), 2u);
    EXPECT_EQ(phased.phases[1].phase, DevicePhase::Transfer);
    EXPECT_EQ(phased.phases[1].start, 16.5);
    EXPECT_EQ(phased.phases[1].end, 20);
    EXPECT_TRUE(RunReportFromHistory({}).devices.empty());
}

TEST(ReportPageTest, SelfContainedEscapedFailuresFirstAndABarPerDevice) {
    RunReport r;
    r.imageVersion = "1.0.05";
    r.startTime = 1796670000;
    r.endTime = 1796670060;
    r.options = "update --all --report \"a b.html\"";
    r.waves = {1, 2};
    r.devices = {Device("10.0.0.1:23", "verified", 1, 0), Device("10.0.0.2:23", "failed", 2, 20),
                 Device("10.0.0.3:23", "not started", 2, -1)};
    r.devices[1].reason = "<script>alert(1)</script>";
    r.devices[0].phases = {{DevicePhase::Connect, 0, 1}, {DevicePhase::Transfer, 1, 10}};
    const std::string page = Page(r);
    for (const char* outside : {"http:", "https:", "src=", "<script", "<link", "@import", "url("})
        EXPECT_EQ(page.find(outside), std::string::npos) << outside;
    EXPECT_NE(page.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    EXPECT_NE(page.find("update --all --report &quot;a b.html&quot;"), std::string::npos);
    EXPECT_NE(page.find("2 waves: 1 · 2 devices"), std::string::npos);
    EXPECT_NE(page.find("@media print"), std::string::npos);
    EXPECT_NE(page.find("@media (max-width"), std::string::npos);
    // The table lists the failed device first; the timeline follows the run's order.
    const size_t table = page.find("<tbody>"), timeline = page.find("id=\"timeline\"");
    ASSERT_NE(table, std::string::npos);
    ASSERT_NE(timeline, std::string::npos);
    EXPECT_LT(page.find("10.0.0.2:23", table), page.find("10.0.0.1:23", table));
    EXPECT_LT(page.find("10.0.0.1:23", timeline), page.find("10.0.0.2:23", timeline));
    size_t rows = 0;
    for (size_t at = page.find("class=\"row dev"); at != std::string::npos; at = page.find("class=\"row dev", at + 1))
        ++rows;
    EXPECT_EQ(rows, 3u);
    EXPECT_NE(page.find("class=\"p-transfer\" style=\"left:1.667%;width:15.000%\""), std::string::npos);
    EXPECT_NE(page.find("<i class=\"idle\">"), std::string::npos) << "the device never started";
    EXPECT_NE(Page(RunReport{}).find("No device in this run."), std::string::npos);
}

// In Japanese the page says every word a person reads in Japanese, names its
// language, and keeps the data (versions, addresses, the machine's phase
// classes) as they are; in English it says lang="en".
TEST(ReportPageTest, JapanesePageTranslatesEveryWordAndKeepsTheData) {
    RunReport r;
    r.imageVersion = "1.0.05";
    r.startTime = 1796670000;
    r.endTime = 1796670060;
    r.waves = {1, 2};
    r.note = "interrupted by Ctrl-C (SIGINT)";
    r.unlisted = {{"10.0.0.9", "02:4c:1a:00:00:09"}};
    r.devices = {Device("10.0.0.1:23", "verified", 1, 0), Device("10.0.0.2:23", "failed", 2, 20)};
    r.devices[0].phases = {{DevicePhase::Connect, 0, 1}, {DevicePhase::Retry, 1, 3}};
    EXPECT_NE(Page(r).find("<html lang=\"en\">"), std::string::npos);
    SetMessageLanguage(Language::Japanese);
    const std::string page = Page(r);
    SetMessageLanguage(Language::English);
    const struct {
        const char* english;
        const char* japanese;
    } words[] = {
        {"<html lang=\"en\">", "<html lang=\"ja\">"},
        {"Update to firmware 1.0.05: 2 devices", "ファームウェア 1.0.05 へのアップデート: 2 台"},
        {"update report", "アップデート レポート"},
        {"interrupted by Ctrl-C", "Ctrl-C（SIGINT）で中断しました"},
        {"2 waves: 1 · 2 devices", "2 段階: 1 · 2 台"},
        {">Devices</h2>", ">装置</h2>"},
        {"<th>Attempts</th>", "<th>試行回数</th>"},
        {">failed</span>", ">失敗</span>"},
        {"Not in inventory", "インベントリにない装置"},
        {">Timeline</h2>", ">タイムライン</h2>"},
        {"</i>connect</li>", "</i>接続</li>"},
        {"title=\"wait ", "title=\"再試行待ち "},
        {"Wave 2", "段階 2"},
        {"Made by tqm530r", "tqm530r が作成しました"},
    };
    for (const auto& w : words) {
        EXPECT_EQ(page.find(w.english), std::string::npos) << w.english;
        EXPECT_NE(page.find(w.japanese), std::string::npos) << w.japanese;
    }
    for (const char* data : {"class=\"p-wait\"", "10.0.0.9", "02:4c:1a:00:00:09", "class=\"pill r-bad\""})
        EXPECT_NE(page.find(data), std::string::npos) << data;
}

TEST(ReportMetricsTest, TextCarriesResultsDurationsImageAndTimes) {
    RunReport r;
    r.imageVersion = "1.0.05";
    r.imageSha256 = "ab";
    r.imageSource = "C:\\fw\\new.mot";
    r.startTime = 1000;
    r.endTime = 1060.5;
    r.exitCode = 1;
    r.devices = {Device("10.0.0.1:23", "verified", 1, 0), Device("10.0.0.2:23", "failed", 2, 20),
                 Device("10.0.0.3:23", "not started", 2, -1)};
    const std::string text = MetricsText(r, -1);
    for (const char* line :
         {"tqm530r_devices{result=\"verified\"} 1\n", "tqm530r_devices{result=\"failed\"} 1\n",
          "tqm530r_devices{result=\"not started\"} 1\n", "tqm530r_devices{result=\"unverified\"} 0\n",
          "tqm530r_device_duration_seconds{device=\"10.0.0.2:23\",result=\"failed\",wave=\"2\"} 10.000\n",
          "tqm530r_image_info{version=\"1.0.05\",sha256=\"ab\",source=\"C:\\\\fw\\\\new.mot\"} 1\n",
          "tqm530r_last_run_end_timestamp_seconds 1060.500\n", "tqm530r_last_run_exit_code 1\n",
          "# TYPE tqm530r_devices gauge\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_EQ(text.find("device=\"10.0.0.3:23\""), std::string::npos) << "a device never started took no time";
    EXPECT_EQ(text.find("tqm530r_last_success"), std::string::npos) << "no success known yet";
    EXPECT_NE(MetricsText(r, 900).find("tqm530r_last_success_timestamp_seconds 900.000\n"), std::string::npos);
    r.exitCode = 0;
    const std::string success = MetricsText(r, 900);
    EXPECT_NE(success.find("tqm530r_last_success_timestamp_seconds 1060.500\n"), std::string::npos);
    double last = 0;
    ASSERT_TRUE(LastSuccessInMetrics(success, last));
    EXPECT_EQ(last, 1060.5);
    EXPECT_FALSE(LastSuccessInMetrics("# HELP tqm530r_last_success_timestamp_seconds x\n", last));
    EXPECT_FALSE(LastSuccessInMetrics("tqm530r_last_success_timestamp_seconds abc\n", last));
}

// Written beside the old file and renamed: the last success survives a
// failed run, and no temporary file is left behind.
TEST(ReportMetricsTest, FileIsReplacedWholeAndKeepsTheLastSuccess) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(::testing::TempDir()) / ("metrics_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string path = (folder / "tqm530r.prom").string();
    RunReport r;
    r.startTime = 5000;
    r.endTime = 5100;
    r.exitCode = 0;
    std::string error;
    ASSERT_TRUE(WriteMetrics(r, path, error)) << error;
    r.startTime = 6000;
    r.endTime = 6100;
    r.exitCode = 6;
    ASSERT_TRUE(WriteMetrics(r, path, error)) << error;
    std::ifstream in(path);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("tqm530r_last_success_timestamp_seconds 5100.000\n"), std::string::npos) << text;
    EXPECT_NE(text.find("tqm530r_last_run_end_timestamp_seconds 6100.000\n"), std::string::npos) << text;
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(folder)) files += entry.is_regular_file();
    EXPECT_EQ(files, 1u);
    EXPECT_FALSE(WriteMetrics(r, (folder / "missing" / "x.prom").string(), error));
    EXPECT_FALSE(error.empty());
    fs::remove_all(folder);
}

TEST(ReportRecorderTest, CommandLineIsQuotedAsTypedAndExitCodesGiveTheNote) {
    EXPECT_EQ(TypedCommandLine({"update", "--yes", "10.0.0.5:23"}), "tqm530r update --yes 10.0.0.5:23");
    EXPECT_EQ(TypedCommandLine({"--report", "my run.html", "", "it's"}),
              "tqm530r --report 'my run.html' '' 'it'\\''s'");
    EXPECT_EQ(ExitNote(143), "interrupted by SIGTERM");
    EXPECT_EQ(ExitNote(130), "interrupted by Ctrl-C (SIGINT)");
    EXPECT_EQ(ExitNote(1), "");
}

// The batch's events in, the page and metrics out: a device that never
// started keeps no time, and the files are written at the end of a failed run.
TEST(ReportRecorderTest, BatchEventsBecomeTheWrittenPageAndMetrics) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(::testing::TempDir()) / ("recorder_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    ReportFiles o;
    o.arguments = {"update", "--yes", "a", "b"};
    o.reportPath = (folder / "run.html").string();
    o.metricsPath = (folder / "run.prom").string();
    ImageReport image;
    image.version = "1.0.05";
    image.sha256 = "ab12";
    std::vector<DeviceTarget> targets(2);
    targets[0].device.host = "10.0.0.1";
    targets[1].device.host = "10.0.0.2";
    targets[1].searchMac = "02-4C-1A-03-00-02";
    RunRecorder recorder(o, image, targets);
    BatchObserver& observer = recorder;
    observer.DeviceStarted(0);
    observer.DeviceEvent(0, {{"event", "phase"}, {"phase", "connect"}});
    observer.DeviceEvent(0, {{"event", "phase"}, {"phase", "transfer"}});
    observer.DeviceEvent(0,
                         {{"event", "result"}, {"result", "failed"}, {"detail", "the device closed the connection"}});
    observer.DeviceEvent(1, {{"event", "result"}, {"result", "interrupted"}, {"detail", "not started (interrupted)"}});
    ASSERT_TRUE(recorder.Finish(143));
    const RunReport& r = recorder.Report();
    EXPECT_EQ(r.exitCode, 143);
    EXPECT_EQ(r.note, "interrupted by SIGTERM");
    EXPECT_EQ(r.options, "tqm530r update --yes a b");
    EXPECT_GE(r.endTime, r.startTime);
    ASSERT_EQ(r.devices[0].phases.size(), 2u);
    EXPECT_EQ(r.devices[0].phases[1].phase, DevicePhase::Transfer);
    EXPECT_LT(r.devices[1].start, 0);
    EXPECT_EQ(r.devices[1].mac, "02-4C-1A-03-00-02");
    std::string page, metrics;
    ASSERT_TRUE(ReadWholeFile(o.reportPath, page));
    ASSERT_TRUE(ReadWholeFile(o.metricsPath, metrics));
    EXPECT_NE(page.find("the device closed the connection"), std::string::npos);
    EXPECT_NE(page.find("interrupted by SIGTERM"), std::string::npos);
    EXPECT_NE(metrics.find("tqm530r_last_run_exit_code 143\n"), std::string::npos);
    fs::remove_all(folder);
}

TEST(ReportRecorderTest, AFileThatCannotBeWrittenIsToldBeforeAndAfterTheRun) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(::testing::TempDir()) / ("beside_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::string error;
    EXPECT_TRUE(CanWriteBeside((folder / "r.html").string(), error)) << error;
    EXPECT_TRUE(fs::is_empty(folder)) << "the probe leaves nothing behind";
    EXPECT_FALSE(CanWriteBeside((folder / "missing" / "r.html").string(), error));
    EXPECT_FALSE(CanWriteBeside(folder.string(), error));
    EXPECT_NE(error.find("is a folder"), std::string::npos) << error;
    ReportFiles o;
    o.reportPath = (folder / "missing" / "r.html").string();
    RunRecorder recorder(o, ImageReport(), {});
    EXPECT_FALSE(recorder.Finish(0));
    fs::remove_all(folder);
}
