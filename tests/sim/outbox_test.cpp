#include "sim/outbox.h"

#include <gtest/gtest.h>

namespace {

using Kind = ConsoleAction::Kind;
using Clock = Outbox::Clock;
using std::chrono::milliseconds;

const Clock::time_point t0 = Clock::time_point() + std::chrono::hours(1);

ConsoleAction Send(std::string text, int delayMs, int chatterMs = 0) {
    ConsoleAction a{Kind::Send, std::move(text), delayMs};
    if (chatterMs > 0) {
        a.chatter = "working...\r\n";
        a.chatterMs = chatterMs;
    }
    return a;
}

std::vector<std::string> Texts(const std::vector<ConsoleAction>& actions) {
    std::vector<std::string> texts;
    for (const ConsoleAction& a : actions) texts.push_back(a.kind == Kind::Send ? a.text : "<log " + a.text + ">");
    return texts;
}

long long Ms(std::optional<Clock::duration> d) { return d ? std::chrono::duration_cast<milliseconds>(*d).count() : -1; }

}  // namespace

TEST(Outbox, DelaysChainFromTheActionBeforeAndNothingIsEarly) {
    Outbox box;
    EXPECT_EQ(Ms(box.UntilNext(t0)), -1);
    box.Add({Send("a", 0), {Kind::Log, "sent a", 0}, Send("b", 5), Send("c", 5)}, t0);
    EXPECT_EQ(Texts(box.TakeDue(t0)), (std::vector<std::string>{"a", "<log sent a>"}));
    EXPECT_EQ(Ms(box.UntilNext(t0)), 5);
    EXPECT_TRUE(box.TakeDue(t0 + milliseconds(4)).empty());
    // Polled late: b goes at once, and c is due 5 ms after b was due, not after now.
    EXPECT_EQ(Texts(box.TakeDue(t0 + milliseconds(7))), std::vector<std::string>{"b"});
    EXPECT_EQ(Ms(box.UntilNext(t0 + milliseconds(7))), 3);
    EXPECT_EQ(Texts(box.TakeDue(t0 + milliseconds(10))), std::vector<std::string>{"c"});
    EXPECT_TRUE(box.Empty());

    // Added to an empty outbox later: its delay counts from then.
    box.Add({Send("ok", 1)}, t0 + milliseconds(50));
    EXPECT_TRUE(box.TakeDue(t0 + milliseconds(50)).empty());
    EXPECT_EQ(Texts(box.TakeDue(t0 + milliseconds(51))), std::vector<std::string>{"ok"});
}

TEST(Outbox, ChatterWhileAnAnswerWaitsNeverAtOrAfterIt) {
    Outbox box;
    box.Add({Send("sum  :0145\r\n", 1000, 300), Send("next", 0)}, t0);
    EXPECT_EQ(Ms(box.UntilNext(t0)), 300);
    EXPECT_EQ(Texts(box.TakeDue(t0 + milliseconds(300))), std::vector<std::string>{"working...\r\n"});
    EXPECT_EQ(Ms(box.UntilNext(t0 + milliseconds(300))), 300);
    // A late poll catches up on the chatter it missed, in order, before the answer.
    EXPECT_EQ(Texts(box.TakeDue(t0 + milliseconds(1000))),
              (std::vector<std::string>{"working...\r\n", "working...\r\n", "sum  :0145\r\n", "next"}));

    // The chatter restarts with each waiting answer; one exactly at the answer's time is left out.
    box.Add({Send("erase complete\r\n", 200, 100), Send("write complete\r\n", 200, 100)}, t0);
    EXPECT_EQ(
        Texts(box.TakeDue(t0 + milliseconds(400))),
        (std::vector<std::string>{"working...\r\n", "erase complete\r\n", "working...\r\n", "write complete\r\n"}));
}

TEST(Outbox, DropSendsKeepsLogsAndSavesInOrder) {
    Outbox box;
    box.Add({Send("a", 100, 10), {Kind::Log, "one", 0}, {Kind::Save, {}, 0}, Send("b", 0), {Kind::Log, "two", 0}}, t0);
    const auto rest = box.DropSends();
    ASSERT_EQ(rest.size(), 3u);
    EXPECT_EQ(rest[0].text, "one");
    EXPECT_EQ(rest[1].kind, Kind::Save);
    EXPECT_EQ(rest[2].text, "two");
    EXPECT_TRUE(box.Empty());
    EXPECT_EQ(Ms(box.UntilNext(t0)), -1);
}
