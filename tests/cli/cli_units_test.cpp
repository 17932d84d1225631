// The command line's pieces that need no device: the command-line reading,
// device addresses, the version policy, the image self-check, the display lines, the history lookup, the lock.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "cli/commands/command_line.h"
#include "cli/commands/exit_codes.h"
#include "cli/commands/targets_or_exit.h"
#include "cli/device/device_address.h"
#include "cli/device/device_lock.h"
#include "cli/device/target_hosts.h"
#include "cli/device/version_policy.h"
#include "cli/fleet/child_protocol.h"
#include "cli/image/image_check.h"
#include "cli/output/history.h"
#include "cli/output/json_events.h"
#include "cli/output/locale_text.h"
#include "cli/output/progress_display.h"
#include "cli/output/summary_table.h"
#include "cli/output/trace_file.h"
#include "console/version_verdict.h"
#include "firmware/firmware_image.h"
#include "tests/common/image_shape.h"
#include "ui/dialog_texts.h"  // the dialog's words, to compare with the command line's

TEST(DeviceAddressTest, HostAloneTakesTheDefaultPortAndAPortOverridesIt) {
    DeviceAddress s;
    std::string error;
    ASSERT_TRUE(ParseDeviceAddress("10.77.0.10", 23, s, error));
    EXPECT_EQ(s.host, "10.77.0.10");
    EXPECT_EQ(s.port, 23);
    EXPECT_EQ(s.Label(), "10.77.0.10");
    ASSERT_TRUE(ParseDeviceAddress("127.0.0.1:2323", 23, s, error));
    EXPECT_EQ(s.port, 2323);
    EXPECT_EQ(s.Label(), "127.0.0.1:2323");
    ASSERT_TRUE(ParseDeviceAddress("device", 2400, s, error));
    EXPECT_EQ(s.port, 2400);
    for (const char* bad : {"", ":23", "host:", "host:0", "host:65536", "host:2x"})
        EXPECT_FALSE(ParseDeviceAddress(bad, 23, s, error)) << bad;
}

namespace {

struct Parsed {
    int code = 0;
    std::string err;
    CommandLine line;
};

// ParseCommandLine over "tqm530r" and words, with what it wrote to stderr.
Parsed Parse(std::vector<std::string> words) {
    words.insert(words.begin(), "tqm530r");
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    Parsed p;
    testing::internal::CaptureStderr();
    p.code = ParseCommandLine(static_cast<int>(argv.size()), argv.data(), "test", p.line);
    p.err = testing::internal::GetCapturedStderr();
    return p;
}

// What a command's reading of its hosts ends with, before any connect.
int HostsRead(const Parsed& p) {
    const CommandLine& l = p.line;
    const std::string command = l.command->name;
    std::vector<DeviceTarget> targets;
    DeviceAddress device;
    if (command == "plan")
        return TargetsOrExitCode(command, l.plan.targets, l.plan.search, l.plan.access.port, targets);
    if (command == "update")
        return TargetsOrExitCode(command, l.update.targets, l.update.search, l.update.access.port, targets);
    if (command == "version") return SingleTargetOrExitCode(l.version.host, l.version.access.port, device);
    if (command == "erase") return SingleTargetOrExitCode(l.erase.host, l.erase.access.port, device);
    return SingleTargetOrExitCode(l.mac.host, l.mac.access.port, device);
}

bool OneLine(const std::string& text) { return !text.empty() && text.find('\n') == text.size() - 1; }

}  // namespace

TEST(CommandLineTest, ValueOutOfRangeIsAUsageErrorInOneReadableLine) {
    const struct {
        std::vector<std::string> words;
        const char* says;
    } cases[] = {
        {{"update", "--timeout", "0", "h"}, "--timeout: \"0\" is not allowed; SECONDS above 0, at most 3600"},
        {{"version", "--timeout", "nan", "h"}, "--timeout: \"nan\""},
        {{"plan", "--timeout", "1e308", "h"}, "--timeout: \"1e308\""},
        {{"update", "--flash-timeout", "-1", "h"}, "--flash-timeout"},
        {{"update", "--flash-timeout", "3600.5", "h"}, "at most 3600"},
        {{"update", "--verify-timeout", "abc", "h"}, "--verify-timeout: \"abc\" is not allowed"},
        {{"update", "--jobs", "0", "h"}, "--jobs: \"0\" is not allowed; N from 1 to 1024"},
        {{"update", "--jobs", "0x10", "h"}, "--jobs"},
        {{"update", "--port", "70000", "h"}, "--port: \"70000\" is not allowed; PORT from 1 to 65535"},
        {{"erase", "--port", "99999999999999999999", "h"}, "--port"},
        {{"detect", "--wait", "0"}, "--wait: \"0\" is not allowed; MS from 1 to 60000"},
        {{"update", "--retries", "101", "h"}, "--retries: \"101\" is not allowed; N from 0 to 100"},
        {{"update", "--retry-delay", "0", "h"}, "--retry-delay"},
        {{"mac", "h", "123"}, "four hexadecimal digits"},
        {{"mac", "h", "12345"}, "four hexadecimal digits"},
        {{"mac", "h", "12g4"}, "four hexadecimal digits"},
        {{"mac", "h", ""}, "four hexadecimal digits"},
        {{"plan", "--retries", "1", "h"}, "--retries"},  // update's alone
        {{"update", "--waves", "10%,5%", "h"}, "\"5%\" does not grow"},
        {{"update", "--waves", "", "h"}, "--waves"},
        {{"plan", "--waves", "1,0", "h"}, "\"0\" is not a count"},
        {{"update", "--max-failures", "101%", "h"}, "\"101%\" is not a count"},
        {{"update", "--max-failures", "-1", "h"}, "--max-failures"},
        {{"update", "--soak", "3", "h"}, "--waves"},  // a soak is between waves
        {{"update", "--waves", "1", "--soak", "0", "h"}, "--soak"},
        {{"update", "--expect", "3", "h"}, "--all"},  // counts what a search finds
        {{"plan", "--expect", "0", "--all"}, "--expect"},
        {{"plan", "--soak", "3", "h"}, "--soak"},  // update's alone
    };
    for (const auto& c : cases) {
        const Parsed p = Parse(c.words);
        const std::string line = testing::PrintToString(c.words);
        EXPECT_EQ(p.code, 2) << line;
        EXPECT_TRUE(OneLine(p.err)) << line << ": " << p.err;
        EXPECT_NE(p.err.find(c.says), std::string::npos) << line << ": " << p.err;
        EXPECT_EQ(p.err.find("e+38"), std::string::npos) << line << ": " << p.err;
    }
}

TEST(CommandLineTest, NumbersAreReadAsDecimalsAndRetriesKeepTheirDefaults) {
    Parsed p = Parse({"update", "--jobs", "010", "--port", "023", "--retry-delay", ".5", "h"});
    ASSERT_EQ(p.code, -1) << p.err;
    EXPECT_EQ(p.line.update.rollout.jobs, 10);
    EXPECT_EQ(p.line.update.access.port, 23);
    EXPECT_EQ(p.line.update.retryDelaySeconds, 0.5);
    EXPECT_EQ(p.line.update.retries, 2);
    p = Parse({"update", "--retries", "0", "--retry-delay", "3600", "h"});
    ASSERT_EQ(p.code, -1) << p.err;
    EXPECT_EQ(p.line.update.retries, 0);
    EXPECT_EQ(p.line.update.retryDelaySeconds, 3600);
    p = Parse({"mac", "h", "12aB"});
    ASSERT_EQ(p.code, -1) << p.err;
    EXPECT_EQ(p.line.mac.digits, "12aB");
    EXPECT_STREQ(p.line.command->name, "mac");
}

TEST(CommandLineTest, RolloutOptionsAreReadOnceAndMakeTheRunARollout) {
    Parsed p = Parse({"update", "--all", "--expect", "40", "--waves", "1,10%,100%", "--max-failures", "5%", "--soak",
                      "2.5", "--jobs", "8"});
    ASSERT_EQ(p.code, -1) << p.err;
    EXPECT_EQ(p.line.update.search.expect, 40);
    ASSERT_EQ(p.line.update.rollout.waves.size(), 3u);
    EXPECT_TRUE(p.line.update.rollout.waves[1].percent);
    EXPECT_EQ(p.line.update.rollout.waves[1].value, 10);
    EXPECT_TRUE(p.line.update.rollout.maxFailures.percent);
    EXPECT_EQ(p.line.update.rollout.maxFailures.value, 5);
    EXPECT_EQ(p.line.update.rollout.maxFailuresText, "5%");
    EXPECT_EQ(p.line.update.rollout.soakSeconds, 2.5);
    EXPECT_TRUE(p.line.update.rollout.Rollout());
    p = Parse({"update", "--max-failures", "0", "h"});
    ASSERT_EQ(p.code, -1) << p.err;
    EXPECT_EQ(p.line.update.rollout.maxFailures.value, 0);  // no failure at all goes on
    EXPECT_TRUE(p.line.update.rollout.Rollout());
}

TEST(CommandLineTest, HostsThatCannotBeReadAreAUsageErrorBeforeAnyConnect) {
    const std::vector<std::vector<std::string>> cases = {
        {"version", ""},
        {"version", ":23"},
        {"erase", "h:"},
        {"mac", "h:70000", "12ab"},
        {"plan", "h", ""},
        {"update", "h:0x17"},
        {"update", "h: 23"},
        {"plan", "h:+23"},
        {"version", "h:99999999999999999999"},
    };
    for (const std::vector<std::string>& words : cases) {
        const std::string line = testing::PrintToString(words);
        const Parsed p = Parse(words);
        ASSERT_EQ(p.code, -1) << line << ": " << p.err;
        testing::internal::CaptureStderr();
        EXPECT_EQ(HostsRead(p), 2) << line;
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("tqm530r: "), std::string::npos) << line;
    }
}

TEST(VersionPolicyTest, SkipsCurrentRefusesOlderUpdatesNewer) {
    EXPECT_EQ(DecideAction("1.0.01", "1.0.05", {}).action, PlanAction::Update);
    EXPECT_EQ(DecideAction("0.1.0", "1.0.05", {}).action, PlanAction::Update);
    EXPECT_EQ(DecideAction("1.0.05", "1.0.05", {}).action, PlanAction::Skip);
    EXPECT_EQ(DecideAction("1.0.5", "1.0.05", {}).action, PlanAction::Skip);  // compared as numbers
    EXPECT_EQ(DecideAction("1.0.05", "1.0.05", {true, false}).action, PlanAction::Update);
    EXPECT_EQ(DecideAction("1.1.0", "1.0.05", {}).action, PlanAction::Refuse);
    EXPECT_EQ(DecideAction("1.1.0", "1.0.05", {false, true}).action, PlanAction::Update);
    EXPECT_NE(DecideAction("1.1.0", "1.0.05", {}).reason.find("--allow-older"), std::string::npos);
    EXPECT_STREQ(ActionName(PlanAction::Skip), "skip");
}

// `version`'s verdict and `plan`'s action come from the one judgement, so
// they never disagree; the Japanese words are the dialog's own.
TEST(VersionPolicyTest, ActionFollowsTheVerdictAndTheJapaneseWordsAreTheDialogs) {
    const char* const devices[] = {"0.1.0", "0.0.9", "1.0.01", "1.0.5", "1.0.05", "1.0.06", "1.1.0", "2.0.0", "x"};
    for (const char* device : devices) {
        const VersionVerdict verdict = JudgeDeviceVersion(device, "1.0.05");
        const PlanAction action = DecideAction(device, "1.0.05", {}).action;
        const PlanAction expected = verdict == VersionVerdict::Latest  ? PlanAction::Skip
                                    : verdict == VersionVerdict::Newer ? PlanAction::Refuse
                                                                       : PlanAction::Update;
        EXPECT_EQ(action, expected) << device;
    }
    EXPECT_STREQ(JapaneseVerdictText(VersionVerdict::Latest), kTextLatest);
    EXPECT_STREQ(JapaneseVerdictText(VersionVerdict::CanUpdate), kTextCanUpdate);
    EXPECT_STREQ(JapaneseVerdictText(VersionVerdict::NoValidFirmware), kTextNoValidFirmware);
    EXPECT_EQ(JapaneseVerdictText(VersionVerdict::Newer), nullptr);
}

TEST(ImageCheckTest, CarriedImageIsSoundWithItsShape) {
    FirmwareImageView image;
    ASSERT_TRUE(LoadFirmwareImage(nullptr, image));
    const ImageReport r = CheckImage(image.text, image.size);
    EXPECT_TRUE(ImageIsSound(r)) << ImageProblem(r);
    EXPECT_EQ(r.version, "1.0.05");
    EXPECT_EQ(r.size, kImageBytes);
    EXPECT_EQ(r.lines, kImageLines);
    EXPECT_TRUE(r.hasStart);
    EXPECT_EQ(r.start, 0x020488u);
    ASSERT_FALSE(r.ranges.empty());
    EXPECT_EQ(r.ranges.front().first, 0x020000u);
    EXPECT_EQ(r.sha256.size(), 64u);
}

TEST(ImageCheckTest, DamagedRecordIsFoundAndNamed) {
    // A header, the version record, two data bytes at 0 and the end; then one checksum off by one.
    const std::string good = "S0030000FC\r\nS20F0202007665722E312E302E3035004F\r\nS10500000102F7\r\nS9030000FC\r\n";
    ImageReport r = CheckImage(good.data(), static_cast<uint32_t>(good.size()));
    EXPECT_EQ(r.badRecords, 0u) << r.firstBadLine;
    EXPECT_EQ(r.version, "1.0.05");
    ASSERT_EQ(r.ranges.size(), 2u);
    EXPECT_EQ(r.ranges[1].first, 0u);
    EXPECT_EQ(r.ranges[1].last, 1u);
    std::string bad = good;
    bad.replace(bad.find("0102F7"), 6, "0102F6");
    r = CheckImage(bad.data(), static_cast<uint32_t>(bad.size()));
    EXPECT_EQ(r.badRecords, 1u);
    EXPECT_EQ(r.firstBadLine, 3u);
    EXPECT_FALSE(ImageIsSound(r));
    EXPECT_NE(ImageProblem(r).find("line 3"), std::string::npos);
    const std::string noVersion = "S10500000102F7\r\n";
    EXPECT_FALSE(ImageIsSound(CheckImage(noVersion.data(), static_cast<uint32_t>(noVersion.size()))));
}

TEST(ImageCheckTest, Sha256OfKnownText) {
    EXPECT_EQ(Sha256Hex("abc", 3), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(ProgressDisplayTest, LineShowsPercentLinesRateAndTimeLeft) {
    DeviceProgress p;
    p.label = "10.77.0.10";
    p.phase = DevicePhase::Transfer;
    p.percent = 49;
    p.lines = 5000;
    p.totalLines = 10000;
    p.transferSeconds = 1.0;
    const std::string line = FormatProgressLine(p, 12, 10);
    EXPECT_EQ(line.rfind("10.77.0.10    [####......]  49%", 0), 0u) << line;
    EXPECT_NE(line.find("5000/10000 lines"), std::string::npos) << line;
    EXPECT_NE(line.find("5000 lines/s"), std::string::npos) << line;
    EXPECT_NE(line.find("0:01 left"), std::string::npos) << line;
    p.finished = true;
    p.result = DeviceResult::Verified;
    EXPECT_NE(FormatProgressLine(p, 12, 10).find("[##########] 100%"), std::string::npos);
    EXPECT_EQ(FormatDuration(62), "1:02");
    EXPECT_EQ(FormatDuration(3723), "1:02:03");
}

TEST(ProgressDisplayTest, EventsMoveADevicesProgressAndTheRateCountsFromTheTransfer) {
    using std::chrono::seconds;
    const std::chrono::steady_clock::time_point t0{};
    DeviceProgress p;
    ApplyEvent(p, {{"event", "phase"}, {"phase", "transfer"}}, t0);
    ApplyEvent(p, {{"event", "progress"}, {"percent", 40}, {"lines", 400}, {"total_lines", 1000}}, t0 + seconds(2));
    EXPECT_EQ(p.phase, DevicePhase::Transfer);
    EXPECT_EQ(p.percent, 40);
    EXPECT_EQ(p.lines, 400u);
    EXPECT_DOUBLE_EQ(p.transferSeconds, 2.0);
    ApplyEvent(p, {{"event", "retry"}, {"attempt", 2}, {"attempts", 3}, {"reason", "no login"}, {"delay_seconds", 0.5}},
               t0 + seconds(3));
    EXPECT_EQ(p.phase, DevicePhase::Retry);
    EXPECT_EQ(p.retryNote, "in 0.5 s (no login)");
    ApplyEvent(p, {{"event", "nonsense"}, {"percent", 99}}, t0 + seconds(4));
    EXPECT_EQ(p.percent, 40);
    DeviceOutcome o;
    o.result = DeviceResult::Skipped;
    o.detail = "already 1.0.05";
    ShowResult(p, o);
    EXPECT_TRUE(p.finished);
    EXPECT_EQ(p.result, DeviceResult::Skipped);
}

TEST(SummaryTest, ExitCodeSaysWhetherEveryDeviceSucceeded) {
    DeviceOutcome ok, skipped, busy, failed;
    ok.result = DeviceResult::Verified;
    skipped.result = DeviceResult::Skipped;
    busy.result = DeviceResult::Busy;
    failed.result = DeviceResult::Unverified;
    EXPECT_EQ(BatchExitCode({ok, skipped}), 0);
    EXPECT_EQ(BatchExitCode({ok, busy}), 5);
    EXPECT_EQ(BatchExitCode({ok, busy, failed}), 1);
    // A rollout stopped by its budget says so above the failures that stopped it.
    DeviceOutcome notStarted;
    notStarted.result = DeviceResult::NotStarted;
    EXPECT_EQ(BatchExitCode({failed, failed, notStarted, ok}), 6);
    // A listed device that did not answer fails the run, also beside a busy one.
    DeviceOutcome notFound;
    notFound.result = DeviceResult::NotFound;
    EXPECT_EQ(BatchExitCode({ok, notFound}), 1);
    EXPECT_EQ(BatchExitCode({busy, notFound}), 1);
}

TEST(SummaryTest, NotStartedSurvivesThePipeUnderItsOwnName) {
    DeviceOutcome o;
    o.result = DeviceResult::NotStarted;
    o.attempts = 0;
    const nlohmann::json event = OutcomeToJson(o);
    EXPECT_EQ(event.value("result", ""), "not started");
    EXPECT_EQ(OutcomeFromJson(event).result, DeviceResult::NotStarted);
    EXPECT_FALSE(ResultIsSuccess(DeviceResult::NotStarted));
}

TEST(JsonEventsTest, OutcomeSurvivesThePipe) {
    DeviceOutcome o;
    o.result = DeviceResult::Mismatch;
    o.detail = "MAC changed";
    o.oldVersion = "1.0.01";
    o.lines = 7;
    const DeviceOutcome back = OutcomeFromJson(nlohmann::json::parse(OutcomeToJson(o).dump()));
    EXPECT_EQ(back.result, DeviceResult::Mismatch);
    EXPECT_EQ(back.detail, "MAC changed");
    EXPECT_EQ(back.oldVersion, "1.0.01");
    EXPECT_EQ(back.lines, 7u);
    EXPECT_EQ(OutcomeFromJson({{"result", "nonsense"}}).result, DeviceResult::Failed);
}

TEST(HistoryTest, AppendsLinesAndFindsAMacTailWrittenElsewhere) {
    const std::string path = testing::TempDir() + "/cli_units_history/" + std::to_string(::getpid()) + "/h.jsonl";
    std::string error;
    ASSERT_TRUE(AppendHistory(path,
                              {{"command", "mac"},
                               {"result", "written"},
                               {"mac_tail", "12AB"},
                               {"ip", "10.0.0.1"},
                               {"port", 23},
                               {"device", "10.0.0.1"}},
                              error))
        << error;
    ASSERT_TRUE(AppendHistory(path, {{"command", "update"}, {"result", "verified"}}, error));
    std::ofstream(path, std::ios::app) << "not json\n";
    std::vector<nlohmann::json> records;
    ASSERT_TRUE(ReadHistory(path, records, error));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_FALSE(FindMacTailElsewhere(records, "12ab", "10.0.0.2", 23).is_null());
    EXPECT_TRUE(FindMacTailElsewhere(records, "12ab", "10.0.0.1", 23).is_null());  // the same device
    EXPECT_TRUE(FindMacTailElsewhere(records, "12ac", "10.0.0.2", 23).is_null());
    ASSERT_TRUE(ReadHistory(path + ".missing", records, error));
    EXPECT_TRUE(records.empty());
    std::remove(path.c_str());
}

// A folder named in Hangul and with a byte that is no UTF-8 at all, and a
// device detail of such bytes: the record is kept, the bad bytes as U+FFFD.
TEST(HistoryTest, PathsAndTextThatAreNotAsciiOrNotUtf8AreKeptWithoutAThrow) {
    const std::string folder = testing::TempDir() + "/cli_units_history_" + std::to_string(::getpid()) + "-한글-\xff";
    const std::string path = folder + "/ä.jsonl";
    std::string error;
    ASSERT_TRUE(AppendHistory(path, {{"command", "update"}, {"detail", "ok\xff\xc3"}, {"image", "データ.mot"}}, error))
        << error;
    std::vector<nlohmann::json> records;
    ASSERT_TRUE(ReadHistory(path, records, error)) << error;
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["detail"], "ok\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(records[0]["image"], "データ.mot");
    EXPECT_EQ(JsonText(nlohmann::json::array({"\x80"})), "[\"\xEF\xBF\xBD\"]");
    std::remove(path.c_str());
    ::rmdir(folder.c_str());
}

TEST(DeviceLockTest, SecondHolderIsRefusedUntilTheFirstLetsGo) {
    const std::string dir = testing::TempDir();
    ::setenv("TQM530R_LOCK_DIR", dir.c_str(), 1);
    std::string error;
    {
        DeviceLock first;
        ASSERT_TRUE(first.Acquire("127.0.0.9", 4242, error)) << error;
        // flock locks belong to the open file: a second open in this process is refused too.
        DeviceLock second;
        EXPECT_FALSE(second.Acquire("127.0.0.9", 4242, error));
        EXPECT_NE(error.find("another tqm530r"), std::string::npos) << error;
        DeviceLock other;
        EXPECT_TRUE(other.Acquire("127.0.0.9", 4243, error));
    }
    DeviceLock again;
    EXPECT_TRUE(again.Acquire("127.0.0.9", 4242, error));
}

// The lock folder may be shared by every user: what another user left or
// planted there is neither followed nor trusted.
TEST(DeviceLockTest, APlantedLinkIsNotFollowedAndAMadeFileIsEveryUsersToLock) {
    const std::string dir = testing::TempDir() + "/cli_units_locks_" + std::to_string(::getpid());
    ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
    ::setenv("TQM530R_LOCK_DIR", dir.c_str(), 1);
    const std::string victim = dir + "/victim";
    std::ofstream(victim) << "keep\n";
    const struct {
        const char* planted;
        std::string target;
    } links[] = {{"a link to a file", victim}, {"a dangling link", dir + "/made-by-no-one"}};
    for (const auto& link : links) {
        const std::string path = dir + "/" + LockFileName("127.0.0.9", 4244);
        ASSERT_EQ(::symlink(link.target.c_str(), path.c_str()), 0) << link.planted;
        DeviceLock lock;
        std::string error;
        EXPECT_FALSE(lock.Acquire("127.0.0.9", 4244, error)) << link.planted;
        EXPECT_NE(error.find("is a symbolic link; it is not followed"), std::string::npos) << error;
        ::unlink(path.c_str());
    }
    std::string kept;
    std::getline(std::ifstream(victim), kept, '\0');
    EXPECT_EQ(kept, "keep\n");
    EXPECT_NE(::access((dir + "/made-by-no-one").c_str(), F_OK), 0);

    const mode_t umaskBefore = ::umask(022);
    {
        DeviceLock lock;
        std::string error;
        ASSERT_TRUE(lock.Acquire("127.0.0.9", 4245, error)) << error;
    }
    ::umask(umaskBefore);
    struct stat made {};
    ASSERT_EQ(::stat((dir + "/" + LockFileName("127.0.0.9", 4245)).c_str(), &made), 0);
    EXPECT_EQ(made.st_mode & 07777, 0666u);

    const struct {
        const char* text;
        const char* pid;
    } pids[] = {{"4242\n", "4242"},       {"4242", "4242"}, {"4242\r\n", "4242"}, {"", ""},
                {"\x1b]0;owned\x07", ""}, {"42x\n", ""},    {"12345678901\n", ""}};
    for (const auto& p : pids) EXPECT_EQ(HolderPidText(p.text), p.pid) << p.text;
    EXPECT_EQ(HeldElsewhereText("", "/run/lock/x.lock"),
              "another tqm530r is driving this device (lock /run/lock/x.lock)");
    std::filesystem::remove_all(dir);
}

TEST(Trace, BytesAreWrittenVisiblyOnOneLine) {
    const struct {
        std::string bytes;
        const char* shown;
    } cases[] = {
        {"initbuf\r\n", "initbuf\\r\\n"},
        {std::string("fw 304 12ab\r\n\0\0", 15), "fw 304 12ab\\r\\n\\0\\0"},
        {"a\tb\\c", "a\\tb\\\\c"},
        {"\x1b[2J\x7f\xff", "\\x1B[2J\\x7F\\xFF"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(VisibleBytes(c.bytes.data(), static_cast<int>(c.bytes.size())), c.shown);
    EXPECT_EQ(TraceLine("T", "10.0.0.5:23", true, "bye\r\n", 5), "T  10.0.0.5:23  >  bye\\r\\n\n");
    EXPECT_EQ(TraceLine("T", "10.0.0.5:23", false, "\n", 1), "T  10.0.0.5:23  <  \\n\n");
}
