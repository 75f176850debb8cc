// The socket transports with a pump: the waits serve the message loop, and a SignOut or the end
// of the program from there ends the waiting call.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>

#include "TestEnv.h"
#include "TestPump.h"
#include "TestSockets.h"
#include "common/ImapComponent.h"
#include "imap/ImapClient.h"
#include "common/AppError.h"
#include "platform/Transport.h"

namespace pw {
namespace {

using Clock = std::chrono::steady_clock;

class WaitPump : public ::testing::Test {
 protected:
  test::TestPump pump;
  ImapClient client{[this] { return MakeSocketTransport([this] { return pump.Serve(); }); }};
  test::SilentListener silent;

  // The error of a SignIn to the silent listener, and how long it took.
  std::int32_t SignInToSilent(std::chrono::milliseconds& took) {
    client.SetPort(silent.Port());
    auto start = Clock::now();
    try {
      client.SignIn("127.0.0.1", "anna", "geheim");
    } catch (const AppError& e) {
      took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
      return e.Number();
    }
    took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    return 0;
  }
};

TEST_F(WaitPump, SilentServerTimesOutWhileTheLoopKeepsBeingServed) {
  client.SetTimeout(1500);
  std::chrono::milliseconds took{};
  EXPECT_EQ(SignInToSilent(took), kNetTimedOut);
  EXPECT_GE(took.count(), 1400);
  EXPECT_LT(took.count(), 3000);
  EXPECT_GE(pump.served, 10);
  EXPECT_LT(pump.longestGap.count(), 300);
}

TEST_F(WaitPump, SignOutFromAnEventEndsTheWaitingSignInAtOnce) {
  client.SetTimeout(10000);
  const auto start = Clock::now();
  pump.onServe = [&] {
    if (Clock::now() - start > std::chrono::milliseconds(300)) client.SignOut();
  };
  std::chrono::milliseconds took{};
  EXPECT_EQ(SignInToSilent(took), kNetAborted);
  EXPECT_LT(took.count(), 2000);
}

TEST_F(WaitPump, ProgramEndingEndsTheWait) {
  client.SetTimeout(10000);
  pump.keepGoing = false;
  std::chrono::milliseconds took{};
  EXPECT_EQ(SignInToSilent(took), kNetAborted);
  EXPECT_LT(took.count(), 2000);
}

TEST_F(WaitPump, CheckAgainstDovecotWorksAsWithoutThePump) {
  const int port = std::atoi(test::Env("PW_DOVECOT_PORT").c_str());
  if (port == 0) GTEST_SKIP() << "PW_DOVECOT_PORT is not set (run through ctest)";
  client.SetPort(port);
  client.SetTimeout(10000);
  client.SignIn("127.0.0.1", "pumpe", "pumpe");
  client.PostSignIn();
  std::string seen;
  client.Mailbox("INBOX").Search("SEEN", seen, 0);
  EXPECT_EQ(std::count(seen.begin(), seen.end(), ','), 2);  // three seen messages
  EXPECT_EQ(client.Mailbox("INBOX").MessageCount(), 4);
  client.SignOut();
}

}  // namespace
}  // namespace pw
