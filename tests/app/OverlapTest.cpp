// Sign-ins that overlap: the desk still sees the mailboxes in their rows' order; a server that
// asks for patience stops the run's sign-ins and is waited for; a resumed PC checks at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "support/MainWindowRig.h"
#include "tray/TrayData.h"

namespace pw::test {
namespace {

using Texts = std::vector<std::string>;

// Workers whose answers come latest-started first; a held mailbox answers only after the run
// has waited for it `hold` times. Each start is noted in the effect log.
struct StagedWorkers : MailboxWorkers {
  explicit StagedWorkers(ScriptedImap& scripted, EffectLog& log) : imap(scripted), effects(log) {}
  int Capacity() const override { return 16; }
  void Start(MailboxJob job) override {
    effects.entries.push_back("start: " + job.account);
    ++inProgress;
    most = std::max(most, inProgress);
    pending.push_back(RunMailboxJob(imap, job));
    accounts[job.row] = job.account;
  }
  std::optional<MailboxResult> Finished(int waitMs) override {
    for (auto it = pending.rbegin(); it != pending.rend(); ++it) {
      int& wait = hold[accounts[it->row]];
      if (wait > 0) {
        if (waitMs > 0) --wait;
        continue;
      }
      MailboxResult r = *it;
      pending.erase(std::next(it).base());
      --inProgress;
      return r;
    }
    return std::nullopt;
  }
  void Abort(std::uint64_t) override {}
  void ForgetServerAddresses() override {}

  ScriptedImap& imap;
  EffectLog& effects;
  std::vector<MailboxResult> pending;
  std::map<std::int32_t, std::string> accounts;
  std::map<std::string, int> hold;
  int inProgress = 0;
  int most = 0;
};

struct OverlapRig : MainWindowRig {
  StagedWorkers workers{imap, effects};
  OverlapRig(const std::string& concurrent) {
    globals.AttendanceAsked = true;
    fm.Tray().AddIcon();
    fm.AttachWorkers(workers);
    settings.SaveSetting(kSettingsApp, kSectionServer, kValueConcurrent, concurrent);
    dialogs.onMsgBox = [this](const std::string&, const std::string& title) {
      effects.entries.push_back("box: " + title);
    };
  }
  // The starts and what the desk sees, without the yields and timers between them.
  Texts Seen() const {
    Texts seen;
    for (const std::string& e : effects.entries) {
      if (e.starts_with("start: ") || e.starts_with("status: ") || e.starts_with("box: ") ||
          e.starts_with("new-mail dialog") || e.starts_with("tray modify")) {
        seen.push_back(e);
      }
    }
    return seen;
  }
};

TEST(Overlap, AnswersInAnyOrderAreShownInTheRowsOrder) {
  OverlapRig r("2");
  r.AddAccount("Anna", "anna", "pw", 4, "1");
  r.AddAccount("Bernd", "bernd", "pw").signInError = 12345;
  r.AddAccount("Clara", "clara", "pw", 2, "", "2");
  r.AddAccount("Dora", "dora", "pw", 1, "1");
  r.AddAccount("Emil", "emil", "pw", 3);
  r.workers.hold["Anna"] = 3;  // her mailbox is held open while the others answer
  r.effects.entries.clear();
  r.fm.mRefresh_Click();
  EXPECT_EQ(
      r.Seen(),
      (Texts{"status: Suchlauf gestartet ...", "start: Anna", "start: Bernd", "start: Clara",
             "start: Dora", "start: Emil", "status: Suchlauf gestartet ... Anna",
             "status: Suchlauf gestartet ... Bernd", "box: Mailpostwacht unerwarteter Fehler!",
             "status: Suchlauf gestartet ... Clara", "tray modify: Neue Nachricht für Clara!",
             "new-mail dialog shown: Clara", "status: Suchlauf gestartet ... Dora",
             "status: Suchlauf gestartet ... Emil", "status: Suchlauf beendet ..."}));
  EXPECT_EQ(r.TreeTexts(), (Texts{"Anna", "Nachrichten ungelesen (3)", "Nachrichten gesamt (4)",
                                  "Clara", "Nachrichten ungelesen (2)", "Nachrichten gesamt (2)",
                                  "Dora", "Nachrichten ungelesen (0)", "Nachrichten gesamt (1)",
                                  "Emil", "Nachrichten ungelesen (3)", "Nachrichten gesamt (3)"}));
  EXPECT_EQ(r.workers.most, 2);
  EXPECT_EQ(r.sound.newMailPlays, 1);
}

// In the morning the attendance list comes up after the first sign-in; until it is closed no
// other starts, and a mailbox unticked there is neither signed in nor shown.
TEST(Overlap, TheMorningListDecidesBeforeTheOthersStart) {
  OverlapRig r("6");
  r.globals.AttendanceAsked = false;
  r.clock.Set(7, 40);
  r.AddAccount("Anna", "anna", "pw", 1);
  r.AddAccount("Bernd", "bernd", "pw", 1);
  r.AddAccount("Clara", "clara", "pw", 1);
  // Bernd is unticked while the list is up (the run's first yield passes the event on).
  r.loop.Post([&] { r.loop.Post([&] { r.List().SetTick(1, 0); }); });
  r.fm.mRefresh_Click();
  EXPECT_EQ(r.workers.most, 1) << "Bernd and Clara wait for the list";
  EXPECT_EQ(r.TreeTexts().size(), 6u);
  EXPECT_EQ(r.TreeTexts()[3], "Clara");
  EXPECT_EQ(std::count(r.effects.entries.begin(), r.effects.entries.end(), "start: Bernd"), 0);
}

TEST(Overlap, AServerAskingForPatienceStopsTheRunAndIsWaitedFor) {
  OverlapRig r("4");
  for (const char* name : {"Anna", "Bernd", "Clara", "Dora", "Emil", "Frida"}) {
    std::string user(name);
    user[0] = static_cast<char>(user[0] + ('a' - 'A'));
    r.AddAccount(name, user, "pw", 1);
  }
  auto& busy = r.imap.accounts["bernd"];
  busy.signInError = kImapServerBusy;
  busy.errorDescription = "Request is throttled. Suggested Backoff Time: 3000 milliseconds";
  r.fm.mRefresh_Click();
  // Reported once as the server out of reach, no box; nothing after Bernd is shown.
  EXPECT_TRUE(r.dialogs.boxes.empty());
  EXPECT_TRUE(r.globals.ServerUnreachableShown);
  EXPECT_EQ(r.TreeTexts(), (Texts{"Anna", "Nachrichten ungelesen (1)", "Nachrichten gesamt (1)"}));
  EXPECT_EQ(std::count(r.effects.entries.begin(), r.effects.entries.end(), "start: Emil"), 0);
  EXPECT_TRUE(r.fm.TimerBackoff().Enabled());
  EXPECT_EQ(r.fm.TimerBackoff().Interval(), 3000u);

  // Before the pause is over nobody is signed in.
  busy.signInError.reset();
  r.effects.entries.clear();
  r.fm.mRefresh_Click();
  EXPECT_EQ(std::count_if(r.effects.entries.begin(), r.effects.entries.end(),
                          [](const std::string& e) { return e.starts_with("start: "); }),
            0);
  // After it, half as many at once, and one more after each run that went well.
  r.timers.Advance(3000);
  r.workers.most = 0;
  r.fm.mRefresh_Click();
  EXPECT_EQ(r.workers.most, 2);
  EXPECT_EQ(r.TreeTexts().size(), 18u);
  EXPECT_TRUE(r.globals.ServerUnreachableShown == false);
  r.workers.most = 0;
  r.fm.mRefresh_Click();
  EXPECT_EQ(r.workers.most, 3);
}

struct DownNetwork : NetworkState {
  bool Up() override { return up; }
  bool up = false;
};

struct ResumeRig : OverlapRig {
  explicit ResumeRig(bool inTray) : OverlapRig("6") {
    fm.AttachNetwork(network);
    globals.ImapServerName = "imap.example.org";
    AddAccount("Anna", "anna", "pw", 1);
    fm.Timer1().SetEnabled(inTray);
  }
  DownNetwork network;
};

// After a resume no tick reports the server out of reach; the run comes once the network is
// up, or after 30 s whatever it says, and only while the window is in the tray.
TEST(Overlap, AResumedPcChecksOnceTheNetworkIsUp) {
  for (const bool inTray : {true, false}) {
    for (const bool networkComes : {true, false}) {
      ResumeRig r(inTray);
      r.fm.SystemResumed();
      EXPECT_EQ(r.fm.TimerResume().Enabled(), inTray);
      r.timers.Advance(10000);  // Timer1's tick among them
      EXPECT_TRUE(r.tree.nodes.empty()) << "no run while the network is down";
      r.network.up = networkComes;
      r.timers.Advance(networkComes ? 1000 : 20000);
      EXPECT_EQ(r.tree.nodes.size(), inTray ? 3u : 0u) << inTray << networkComes;
      EXPECT_FALSE(r.fm.TimerResume().Enabled());
    }
  }
  // The network back after it was gone.
  ResumeRig r(true);
  r.fm.NetworkChanged();
  EXPECT_FALSE(r.fm.TimerResume().Enabled());
  r.network.up = true;
  r.fm.NetworkChanged();
  r.timers.Advance(1000);
  EXPECT_EQ(r.tree.nodes.size(), 3u);
}

}  // namespace
}  // namespace pw::test
