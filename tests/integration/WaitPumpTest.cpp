// The socket transports with a pump: the waits serve the message loop, and a SignOut or the end
// of the program from there ends the waiting call.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "TestEnv.h"
#include "TestPump.h"
#include "TestSockets.h"
#include "common/AppError.h"
#include "common/ImapComponent.h"
#include "imap/ImapClient.h"
#include "platform/Resolver.h"
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

// An address that drops the connect (a filtered IPv6 address, say) before one that works: the
// next is tried after the attempt delay, within the one deadline, instead of the call timing out.
TEST_F(WaitPump, SilentFirstAddressHandsOverToTheNext) {
  struct TwoAddresses : Resolver {
    std::vector<std::string> Resolve(const std::string&, int) override {
      return {"127.0.0.2", "127.0.0.1"};
    }
  };
  test::DawdlingServer server(std::chrono::milliseconds(0));
  test::StuckListener stuck("127.0.0.2", server.Port());
  client.SetResolver(std::make_unique<TwoAddresses>());
  client.SetPort(server.Port());
  client.SetTimeout(5000);
  pump.Serve();  // the gaps count from here, not from the set-up
  pump.longestGap = std::chrono::milliseconds(0);
  const auto start = Clock::now();
  EXPECT_NO_THROW(client.SignIn("imap.test", "anna", "geheim"));
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
  EXPECT_GE(took.count(), 200);  // the first address really was silent
  EXPECT_LT(took.count(), 2000);
  EXPECT_LT(pump.longestGap.count(), 300);
  client.SignOut();  // before the server goes, which waits for its client
}

// A server that never stops sending: the loop is served all the same, and the call ends with a
// malformed reply once the answer passes its bound (or at the deadline), not with the memory.
TEST_F(WaitPump, FloodingServerNeitherStarvesTheLoopNorFillsTheMemory) {
  test::FloodingServer flood;
  client.SetPort(flood.Port());
  client.SetTimeout(5000);
  client.SignIn("127.0.0.1", "anna", "geheim");
  pump.Serve();
  pump.longestGap = std::chrono::milliseconds(0);
  const auto start = Clock::now();
  std::int32_t error = 0;
  try {
    client.Mailbox("INBOX").MessageCount();
  } catch (const AppError& e) {
    error = e.Number();
  }
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
  EXPECT_TRUE(error == kImapMalformedReply || error == kNetTimedOut) << error;
  EXPECT_LT(took.count(), 6000);
  EXPECT_LT(pump.longestGap.count(), 300);
  std::printf("flood: error %d after %lld ms, longest gap %lld ms\n", error,
              static_cast<long long>(took.count()),
              static_cast<long long>(pump.longestGap.count()));
}

}  // namespace
}  // namespace pw
