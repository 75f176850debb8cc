// The IMAP client against the fixture's Dovecot, the way the check run calls it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include "TestEnv.h"
#include "TestSockets.h"
#include "app/NewMailSignal.h"
#include "common/AppError.h"
#include "common/ImapComponent.h"
#include "imap/ImapClient.h"
#include "platform/Transport.h"
#include "registry/SettingsStore.h"
#include "substitute/FakeRegistry.h"

namespace pw {
namespace {

using Clock = std::chrono::steady_clock;

using test::Env;
using test::HostPath;

int Port() { return std::atoi(Env("PW_DOVECOT_PORT").c_str()); }
int PortWithoutEsearch() { return std::atoi(Env("PW_DOVECOT_NO_ESEARCH_PORT").c_str()); }

std::int32_t Count(const std::string& numbers) {
  if (numbers.empty()) return 0;
  return static_cast<std::int32_t>(std::count(numbers.begin(), numbers.end(), ',')) + 1;
}

struct Check {
  std::string recent;
  std::string seen;
  std::int32_t total = -1;
  bool newMail = false;
};

class Dovecot : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Port() == 0) GTEST_SKIP() << "PW_DOVECOT_PORT is not set (run through ctest)";
    port = Port();
    client.SetPort(port);
  }

  // The calls of one account in the check run, with the new-mail memory of the settings store.
  Check CheckAccount(const std::string& user, const std::string& password) {
    Check c;
    client.SetTimeout(10000);
    client.SignIn("127.0.0.1", user, password);
    client.PostSignIn();
    NewMailSignal signal(settings, user);
    signal.Announce(client.Mailbox("INBOX"));
    client.Mailbox("INBOX").Search("RECENT", c.recent, 0);
    client.Mailbox("INBOX").Search("SEEN", c.seen, 0);
    c.newMail = signal.Decide(c.recent, client.Mailbox("INBOX"));
    c.total = client.Mailbox("INBOX").MessageCount();
    client.SignOut();
    return c;
  }

  // The server without ESEARCH, from here on.
  void UseServerWithoutEsearch() {
    port = PortWithoutEsearch();
    client.SetPort(port);
    dir = Env("PW_DOVECOT_NO_ESEARCH_DIR");
  }

  // Another mail client (Outlook, a phone) selects INBOX read-write and takes the \Recent marks.
  std::string OtherClientLooks(const std::string& user, const std::string& password) {
    ImapClient other{[] { return MakeSocketTransport(); }};
    other.SetPort(port);
    other.SignIn("127.0.0.1", user, password);
    std::string recent;
    other.Mailbox("INBOX").Search("RECENT", recent, 0);
    other.SignOut();
    return recent;
  }

  std::optional<std::int32_t> SignInError(const std::string& host, const std::string& user,
                                          const std::string& password) {
    try {
      client.SignIn(host, user, password);
    } catch (const AppError& e) {
      description = e.Description();
      return e.Number();
    }
    return std::nullopt;
  }

  // Writes one message into the user's maildir as a delivery agent would: tmp/, then new/.
  void Deliver(const std::string& user, const std::string& name) {
    std::filesystem::path maildir = HostPath(dir) / "mail" / user / "Maildir";
    {
      std::ofstream out(maildir / "tmp" / name, std::ios::binary);
      out << "From: test@example.org\r\nSubject: between two checks\r\n\r\nHallo\r\n";
    }
    std::filesystem::rename(maildir / "tmp" / name, maildir / "new" / name);
  }

  ImapClient client{[] { return MakeSocketTransport(); }};
  std::string description;
  std::string dir = Env("PW_DOVECOT_DIR");
  int port = 0;
  FakeRegistry registry;
  SettingsStore settings{registry};
};

TEST_F(Dovecot, CheckGivesCountsAndUsesUpRecentOnce) {
  Check first = CheckAccount("anna", "geheim");
  EXPECT_EQ(first.total, 12);
  EXPECT_EQ(Count(first.seen), 9);
  // Dovecot marks every message \Recent for the first session that sees it, seen or not.
  EXPECT_EQ(Count(first.recent), 12);
  // greeting, LOGIN, SELECT with all searches (ESEARCH); LOGOUT is not waited for
  EXPECT_EQ(client.RoundTrips(), 3);

  Check second = CheckAccount("anna", "geheim");
  EXPECT_EQ(second.recent, "");
  EXPECT_EQ(second.seen, first.seen);
  EXPECT_EQ(second.total, 12);
}

TEST_F(Dovecot, MessageDeliveredBetweenTwoChecksIsRecentOnceOnly) {
  Check before = CheckAccount("otto", "otto");
  ASSERT_EQ(before.total, 2);
  Deliver("otto", "between.checks.postwacht");
  Check after = CheckAccount("otto", "otto");
  EXPECT_EQ(after.recent, "3");
  EXPECT_EQ(after.total, 3);
  EXPECT_EQ(CheckAccount("otto", "otto").recent, "");
}

TEST_F(Dovecot, PasswordWithQuoteBackslashAndUmlauts) {
  Check c = CheckAccount("jörg.müller", "pa\"ss\\wört ß");
  EXPECT_EQ(c.total, 1);
  EXPECT_EQ(c.recent, "1");
  EXPECT_EQ(SignInError("127.0.0.1", "jörg.müller", "pa\"ss\\wort ß"), kImapErrorLoginRefused);
}

TEST_F(Dovecot, MailboxOfFortyThousandMessages) {
  Check c = CheckAccount("big", "riesig");
  EXPECT_EQ(c.total, 40000);
  EXPECT_EQ(Count(c.seen), 39990);
  EXPECT_GT(c.seen.size(), 200000u);
}

TEST_F(Dovecot, FailuresGiveTheNumbersTheSignInTellsApart) {
  EXPECT_EQ(SignInError("127.0.0.1", "anna", "falsch"), kImapErrorLoginRefused);
  EXPECT_EQ(SignInError("127.0.0.1", "niemand", "geheim"), kImapErrorLoginRefused);

  client.SetPort(test::ClosedPort());
  EXPECT_EQ(SignInError("127.0.0.1", "anna", "geheim"), kNetRefused);

  EXPECT_EQ(SignInError("host.invalid", "anna", "geheim"), kNetHostNotFound);

  // localhost may resolve to ::1 first, where nothing listens; the next address is tried.
  client.SetPort(Port());
  EXPECT_EQ(SignInError("localhost", "anna", "geheim"), std::nullopt) << description;
  EXPECT_NO_THROW(client.SignOut());
}

TEST_F(Dovecot, ListenerThatNeverGreetsTimesOut) {
  test::SilentListener listener;
  client.SetPort(listener.Port());
  client.SetTimeout(1500);
  Clock::time_point start = Clock::now();
  EXPECT_EQ(SignInError("127.0.0.1", "anna", "geheim"), kNetTimedOut);
  auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
  EXPECT_GE(took.count(), 1400);
  EXPECT_LT(took.count(), 2500);
}

TEST_F(Dovecot, MailThatAnotherClientSelectedFirstIsAnnouncedOnce) {
  for (bool esearch : {true, false}) {
    if (!esearch) {
      if (PortWithoutEsearch() == 0) GTEST_SKIP() << "no server without ESEARCH";
      UseServerWithoutEsearch();
    }
    // The first session sees both old messages as \Recent; from then on they are old.
    Check first = CheckAccount("paula", "paula");
    ASSERT_EQ(first.total, 2);
    EXPECT_EQ(first.newMail, !first.recent.empty());
    EXPECT_FALSE(CheckAccount("paula", "paula").newMail);
    const std::string tag = esearch ? "esearch" : "plain";
    Deliver("paula", "first." + tag);
    Deliver("paula", "second." + tag);
    EXPECT_EQ(OtherClientLooks("paula", "paula"), "3,4");

    Check after = CheckAccount("paula", "paula");
    EXPECT_EQ(after.recent, "");
    EXPECT_TRUE(after.newMail) << tag;
    EXPECT_EQ(after.total, 4);
    EXPECT_FALSE(CheckAccount("paula", "paula").newMail) << tag;
  }
}

TEST_F(Dovecot, WithoutEsearchTheCountsAreTheSame) {
  if (PortWithoutEsearch() == 0) GTEST_SKIP() << "no server without ESEARCH";
  Check withEsearch = CheckAccount("big", "riesig");
  UseServerWithoutEsearch();
  const int before = client.RoundTrips();
  Check first = CheckAccount("anna", "geheim");
  EXPECT_EQ(first.total, 12);
  EXPECT_EQ(Count(first.seen), 9);
  EXPECT_EQ(Count(first.recent), 12);
  // greeting, LOGIN, SELECT with SEARCH RECENT, SEARCH SEEN
  EXPECT_EQ(client.RoundTrips() - before, 4);

  Check big = CheckAccount("big", "riesig");
  EXPECT_EQ(big.total, 40000);
  EXPECT_EQ(big.seen, withEsearch.seen);
}

TEST(Deadline, ServerAnsweringEveryNineSecondsFailsAtTen) {
  // Every reply in time, but connect, greeting and LOGIN together are one call of 10 s.
  test::DawdlingServer server(std::chrono::seconds(9));
  ImapClient client{[] { return MakeSocketTransport(); }};
  client.SetPort(server.Port());
  client.SetTimeout(10000);
  Clock::time_point start = Clock::now();
  std::int32_t number = 0;
  try {
    client.SignIn("127.0.0.1", "anna", "geheim");
  } catch (const AppError& e) {
    number = e.Number();
  }
  auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
  EXPECT_EQ(number, kNetTimedOut);
  EXPECT_GE(took.count(), 9900);
  EXPECT_LT(took.count(), 10500);
}

// Run by kill-mid-session.sh, which kills the server's session processes on request.
class DovecotKilled : public Dovecot {};

TEST_F(DovecotKilled, ServerKilledMidSessionGivesAnErrorNotAHang) {
  std::string handshake = Env("PW_KILL_HANDSHAKE");
  if (handshake.empty()) GTEST_SKIP() << "run by kill-mid-session.sh";
  client.SetTimeout(5000);
  client.SignIn("127.0.0.1", "karl", "karl");
  std::string recent;
  client.Mailbox("INBOX").Search("RECENT", recent, 0);

  std::ofstream(HostPath(handshake + ".request")) << "kill\n";
  Clock::time_point asked = Clock::now();
  while (!std::filesystem::exists(HostPath(handshake + ".done"))) {
    ASSERT_LT(Clock::now() - asked, std::chrono::seconds(30)) << "nobody killed the server";
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the kernel closes its socket

  Clock::time_point start = Clock::now();
  std::string seen;
  try {
    client.Mailbox("INBOX").Search("SEEN", seen, 0);
    ADD_FAILURE() << "the search succeeded on a dead server";
  } catch (const AppError& e) {
    EXPECT_EQ(e.Number(), kNetClosed) << e.Description();
  }
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  EXPECT_NO_THROW(client.SignOut());
}

}  // namespace
}  // namespace pw
