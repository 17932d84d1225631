// The pieces between the parent and its update children that need no
// particular OS: the job argument, the retry rule, the Windows command line the parent
// builds, the event lines it reads, the UTC texts, the dotted addresses and
// appending to a shared file.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "cli/device/device_address.h"
#include "cli/fleet/child_protocol.h"
#include "cli/fleet/command_line_quote.h"
#include "cli/fleet/parallel_runner.h"
#include "cli/fleet/retry_rule.h"
#include "cli/output/stored_json.h"
#include "cli/output/utc_time.h"
#include "cli/platform/append_file.h"

TEST(JobArguments, TheChildReadsBackItsDeviceTheConfirmedImageAndThenTheParentsArguments) {
    const std::string sha(64, 'a');
    UpdateJobTarget job;
    job.index = 12;
    job.target.device.host = "10.77.0.10";
    job.target.device.port = 2323;
    job.target.searchMac = "02-4c-1a-03-12-ab";
    job.imageSha256 = sha;
    job.wave = 3;
    const std::vector<std::string> parent{"update", "--yes", "--all"};
    const std::vector<std::string> args = JobArguments(job, parent);
    ASSERT_EQ(args.size(), 5u);
    EXPECT_EQ(args[0], "--job");
    EXPECT_EQ(std::vector<std::string>(args.begin() + 2, args.end()), parent);
    UpdateJobTarget back;
    ASSERT_TRUE(ParseJobArgument(args[1], back));
    EXPECT_EQ(back.index, 12u);
    EXPECT_EQ(back.target.device.host, "10.77.0.10");
    EXPECT_EQ(back.target.device.port, 2323);
    EXPECT_EQ(back.target.searchMac, "02-4c-1a-03-12-ab");
    EXPECT_EQ(back.imageSha256, sha);
    EXPECT_EQ(back.wave, 3);

    job.target.searchMac.clear();
    ASSERT_TRUE(ParseJobArgument(JobArguments(job, {})[1], back));
    EXPECT_EQ(back.target.searchMac, "");
    EXPECT_EQ(back.target.name, "");
    // The inventory's name travels as ASCII without a comma, whatever it holds.
    job.target.name = "本社3F-東, \"A\" 100%";
    const std::string named = JobArguments(job, {})[1];
    EXPECT_EQ(named.find_first_of(" \"\x80\xE6"), std::string::npos) << named;
    ASSERT_TRUE(ParseJobArgument(named, back));
    EXPECT_EQ(back.target.name, job.target.name);
    const std::string s = "," + sha + ",0,";
    for (const std::string& bad : std::vector<std::string>{
             std::string(), "1,h,23" + s, "x,h,23," + s, "1,,23," + s, "1,h,0," + s, "1,h,70000," + s,
             "1,h,23,m" + s + ",extra", "1,h,23,m," + sha, "1,h,23,m," + sha + ",", "1,h,23,m," + sha + ",-1,",
             "1,h,23,", "1,h,23,m," + sha.substr(1) + ",0,", "1,h,23,m," + std::string(64, 'A') + ",0,",
             "1,h,23,m," + std::string(63, 'a') + "g,0,", "1,h,23,m" + s + "%4", "1,h,23,m" + s + "a%zz",
             "1,h,23,m" + s + "%e6"})
        EXPECT_FALSE(ParseJobArgument(bad, back)) << bad;
}

TEST(JobArguments, AChildRefusesAnImageOtherThanTheConfirmedOne) {
    UpdateJobTarget job;
    job.imageSha256 = std::string(64, 'a');
    EXPECT_EQ(ImageMismatch(job, std::string(64, 'a')), "");
    const std::string refusal = ImageMismatch(job, std::string(63, 'a') + "b");
    EXPECT_NE(refusal.find("changed after it was confirmed"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("nothing sent"), std::string::npos) << refusal;
    EXPECT_NE(ImageMismatch(job, ""), "");
}

TEST(RetryRuleTest, OnlyRetryableFailuresWithinTheCountAfterADoublingDelay) {
    RetryRule rule;
    rule.retries = 2;
    rule.delayMs = 1500;
    EXPECT_TRUE(rule.TriesAgain(1, true));
    EXPECT_TRUE(rule.TriesAgain(2, true));
    EXPECT_FALSE(rule.TriesAgain(3, true));
    EXPECT_FALSE(rule.TriesAgain(1, false));
    EXPECT_EQ(rule.DelayMs(1), 1500);
    EXPECT_EQ(rule.DelayMs(2), 3000);
    EXPECT_EQ(rule.DelayMs(3), 6000);
    EXPECT_EQ(rule.DelayMs(60), 3600 * 1000);
    rule.retries = 0;
    EXPECT_FALSE(rule.TriesAgain(1, true));
}

TEST(WindowsCommandLine, EachArgumentComesBackWhole) {
    const struct {
        std::vector<std::string> args;
        const char* line;
    } cases[] = {
        {{"tqm530r.exe", "update", "--yes"}, "tqm530r.exe update --yes"},
        {{"a", ""}, "a \"\""},
        {{"C:\\Program Files\\x.mot"}, "\"C:\\Program Files\\x.mot\""},
        {{"say \"hi\""}, "\"say \\\"hi\\\"\""},
        {{"C:\\dir with space\\"}, "\"C:\\dir with space\\\\\""},
        {{"a\\\\\"b"}, "\"a\\\\\\\\\\\"b\""},
        {{"C:\\plain\\path\\"}, "C:\\plain\\path\\"},
        {{"tab\there"}, "\"tab\there\""},
    };
    for (const auto& c : cases) EXPECT_EQ(WindowsCommandLine(c.args), c.line);
}

TEST(EventLines, WholeObjectsOnlyAndTheRestKept) {
    ObjectLines lines;
    std::vector<std::string> kinds;
    const auto take = [&](nlohmann::json&& e) { kinds.push_back(FieldText(e, "event")); };
    lines.Add("{\"event\":\"phase\",\"phase\":\"login\"}\n[1,2]\nnot json\n\n{\"event\":\"progress\"}\r\n{\"ev", take);
    EXPECT_EQ(kinds, (std::vector<std::string>{"phase", "progress"}));
    EXPECT_EQ(lines.Damaged(), 2u);  // the blank line is no damage
    lines.Add("ent\":\"result\"}\n", take);
    EXPECT_EQ(kinds.back(), "result");
    lines.End(take);
    EXPECT_EQ(kinds.size(), 3u);
}

TEST(UtcText, CalendarAndFraction) {
    using namespace std::chrono;
    const auto at = [](long long us) {
        return system_clock::time_point(duration_cast<system_clock::duration>(microseconds(us)));
    };
    EXPECT_EQ(UtcText(at(0), false), "1970-01-01T00:00:00Z");
    EXPECT_EQ(UtcText(at(951782400LL * 1000000 + 5), true), "2000-02-29T00:00:00.000005Z");
    EXPECT_EQ(UtcText(at(1796670736LL * 1000000 + 123456), true), "2026-12-07T19:12:16.123456Z");
    EXPECT_EQ(UtcText(at(4107542399LL * 1000000), false), "2100-02-28T23:59:59Z");
    EXPECT_EQ(UtcText(at(-1), true), "1969-12-31T23:59:59.999999Z");
}

TEST(DottedAddress, FourBytesInNetworkOrder) {
    uint32_t a = 0;
    ASSERT_TRUE(ParseDottedAddress("10.77.0.200", a));
    const unsigned char* b = reinterpret_cast<const unsigned char*>(&a);
    EXPECT_EQ(b[0], 10);
    EXPECT_EQ(b[1], 77);
    EXPECT_EQ(b[2], 0);
    EXPECT_EQ(b[3], 200);
    for (const char* bad :
         {"", "1.2.3", "1.2.3.4.", "1.2.3.256", "1..2.3", "a.b.c.d", "1.2.3.4 ", "0001.2.3.4", "host"})
        EXPECT_FALSE(ParseDottedAddress(bad, a)) << bad;
}

TEST(AppendFileTest, LinesFromTwoOpensFollowEachOther) {
    const std::string path = testing::TempDir() + "append_file_test.txt";
    std::remove(path.c_str());
    std::string error;
    AppendFile one, two;
    ASSERT_TRUE(one.Open(path, error)) << error;
    ASSERT_TRUE(two.Open(path, error)) << error;
    EXPECT_TRUE(one.Append("first\n"));
    EXPECT_TRUE(two.Append("second\n"));
    std::ofstream(path, std::ios::app) << "cut";  // a write that a power loss ended
    EXPECT_TRUE(one.Append("third\n"));
    std::ifstream in(path);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "first\nsecond\ncut\nthird\n");
    AppendFile nowhere;
    EXPECT_FALSE(nowhere.Open(testing::TempDir() + "no/such/folder/file", error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
}
