// The check run's workers against scripts/busy-server.py: no more connections at once than
// "Gleichzeitig" allows, the rows shown in order, and a throttling answer waited out.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "app/MailboxWork.h"
#include "imap/ImapClientFactory.h"
#include "support/MainWindowRig.h"

namespace pw::test {
namespace {

struct Counts {
  int most = -1;
  int logins = -1;
  int early = -1;
};

// LOGIN "stats" answers with the server's counts.
Counts Ask(int port) {
  std::unique_ptr<ImapComponent> client = MakeImapClient();
  client->SetPort(port);
  client->SetSecurity("Keine", "");
  Counts c;
  try {
    client->SignIn("127.0.0.1", "stats", "x");
  } catch (const AppError& e) {
    std::sscanf(e.Description().substr(e.Description().find("max=")).c_str(),
                "max=%d logins=%d early=%d", &c.most, &c.logins, &c.early);
  }
  return c;
}

TEST(BusyServer, OverlappingSignInsKeepTheBoundAndThePause) {
  const char* portText = std::getenv("PW_BUSY_PORT");
  if (!portText) GTEST_SKIP() << "run by run-with-busy-server.sh";
  const int port = std::atoi(portText);
  auto shared = std::make_shared<SharedAddresses>();
  ThreadWorkers workers([shared](WaitPump pump) { return MakeImapClient(std::move(pump), shared); },
                        [shared] { shared->Forget(); });
  MainWindowRig r;
  r.globals.AttendanceAsked = true;
  r.fm.AttachWorkers(workers);
  r.settings.SaveSetting(kSettingsApp, kSectionServer, kValueHost, "127.0.0.1");
  r.settings.SaveSetting(kSettingsApp, kSectionServer, kValuePort, std::to_string(port));
  r.settings.SaveSetting(kSettingsApp, kSectionServer, kValueConcurrent, "3");
  std::vector<std::string> expected;
  for (int i = 0; i < 10; ++i) {
    const std::string name = "Konto" + std::to_string(i);
    r.AddAccount(name, "user" + std::to_string(i), "pw");
    expected.insert(expected.end(), {name, "Nachrichten ungelesen (2)", "Nachrichten gesamt (3)"});
  }
  r.fm.Form_Load();  // its first run
  EXPECT_EQ(r.TreeTexts(), expected);
  Counts c = Ask(port);
  EXPECT_EQ(c.logins, 10);
  EXPECT_GE(c.most, 2) << "the sign-ins overlapped";
  EXPECT_LE(c.most, 3) << "never more connections than allowed";

  // The server throttles the fourth mailbox: the run stops there, reported once, no box.
  r.accounts.Write("Konto3", "NT-USER", "throttle3");
  r.fm.mRefresh_Click();
  EXPECT_TRUE(r.globals.ServerUnreachableShown);
  EXPECT_TRUE(r.dialogs.boxes.empty());
  EXPECT_EQ(r.TreeTexts().size(), 9u);
  EXPECT_EQ(r.fm.TimerBackoff().Interval(), 500u);
  // A run inside the pause signs nobody in.
  r.fm.mRefresh_Click();
  EXPECT_TRUE(r.tree.nodes.empty());
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  r.timers.Advance(500);
  r.fm.mRefresh_Click();
  EXPECT_EQ(r.TreeTexts().size(), 30u);
  EXPECT_FALSE(r.globals.ServerUnreachableShown);
  c = Ask(port);
  EXPECT_EQ(c.early, 0) << "no sign-in before the suggested time";
  EXPECT_LE(c.most, 3);
}

}  // namespace
}  // namespace pw::test
