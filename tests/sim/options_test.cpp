#include "sim/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

ParseResult Parse(std::vector<const char*> args, SimOptions& o, std::string& error) {
    args.insert(args.begin(), "tqm530r-sim");
    return ParseOptions(static_cast<int>(args.size()), args.data(), o, error);
}

}  // namespace

TEST(SimOptions, PacingAndChattyValuesAndTheirLimits) {
    SimOptions o;
    std::string error;
    ASSERT_EQ(Parse({"--answer-delay", "1", "--chatty", "250", "--slow-check", "4000"}, o, error), ParseResult::Run);
    EXPECT_EQ(o.faults.answerDelayMs, 1);
    EXPECT_EQ(o.faults.chattyMs, 250);
    EXPECT_EQ(o.faults.slowCheckMs, 4000);
    EXPECT_EQ(SimOptions().faults.answerDelayMs, 0);
    EXPECT_EQ(SimOptions().faults.chattyMs, 0);

    // Chatter every 0 ms would never end: at least 1.
    for (auto bad : std::vector<std::vector<const char*>>{{"--chatty", "0"},
                                                          {"--answer-delay", "-1"},
                                                          {"--answer-delay", "60001"},
                                                          {"--slow-check", "1ms"},
                                                          {"--chatty"}}) {
        SimOptions fresh;
        EXPECT_EQ(Parse(bad, fresh, error), ParseResult::Error) << bad[0];
        EXPECT_EQ(error.rfind(bad[0], 0), 0u) << error;
    }
}

TEST(SimOptions, HelpNamesThePacingAndChattyOptions) {
    const std::string help = UsageText();
    for (const char* option : {"--answer-delay MS", "--chatty MS", "--slow-check MS", "--slow-flash MS"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}
