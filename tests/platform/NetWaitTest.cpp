#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "platform/NetWait.h"

namespace pw {
namespace {

// The system wait answers from a script; the pump is counted and may refuse.
TEST(NetWait, SlicesServeThePumpAndKeepTheDeadline) {
  struct Case {
    const char* what;
    bool pumped;
    bool pumpAnswers;
    std::vector<Woke> script;
    bool ready;
    int serves;
    bool aborted;
    bool deadlinePassed = false;
  };
  const Case cases[] = {
      {"no pump: one wait of the whole rest", false, true, {Woke::TimedOut}, false, 0, false},
      {"messages served, then ready",
       true,
       true,
       {Woke::Messages, Woke::Messages, Woke::Ready},
       true,
       2,
       false},
      {"a slice ran out: served, then ready",
       true,
       true,
       {Woke::TimedOut, Woke::Ready},
       true,
       1,
       false},
      {"the pump says the program ends", true, false, {Woke::Messages}, false, 1, true},
      {"messages left on the queue past the deadline: served once, timed out",
       true,
       true,
       {Woke::Messages},
       false,
       1,
       false,
       true},
  };
  for (const Case& c : cases) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(c.deadlinePassed ? 0 : 5);
    std::size_t next = 0;
    std::vector<int> asked;
    int serves = 0;
    const WaitPump pump = [&] {
      ++serves;
      return c.pumpAnswers;
    };
    bool ready = false;
    bool aborted = false;
    try {
      ready = AwaitReady(deadline, c.pumped ? pump : WaitPump{}, 20, [&](int ms) {
        asked.push_back(ms);
        return next < c.script.size() ? c.script[next++] : Woke::Ready;
      });
    } catch (const AppError& e) {
      aborted = e.Number() == kNetAborted;
    }
    EXPECT_EQ(ready, c.ready) << c.what;
    EXPECT_EQ(serves, c.serves) << c.what;
    EXPECT_EQ(aborted, c.aborted) << c.what;
    EXPECT_EQ(next, c.script.size()) << c.what;
    for (int ms : asked) {
      EXPECT_TRUE(c.pumped ? ms <= 20 : ms > 4000 || c.deadlinePassed) << c.what << ": " << ms;
    }
  }
}

}  // namespace
}  // namespace pw
