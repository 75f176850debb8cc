#include <gtest/gtest.h>

#include "substitute/FakeUserAttention.h"
#include "support/MainWindowRig.h"
#include "tray/TrayData.h"

namespace pw::test {
namespace {

using Texts = std::vector<std::string>;

struct CheckRig : MainWindowRig {
  CheckRig() {
    globals.AttendanceAsked = true;
    fm.Tray().AddIcon();
  }
  void Untick(const std::string& name) { accounts.Write(name, "Angezeigt", "0"); }
};

TEST(MailCheck, OneAccountShowsItsCountsExpanded) {
  CheckRig r;
  r.AddAccount("Anna", "anna", "pw", 12, "1,2,3,4,5,6,7,8,9");
  r.fm.mRefresh_Click();
  ASSERT_EQ(r.TreeTexts(), (Texts{"Anna", "Nachrichten ungelesen (3)", "Nachrichten gesamt (12)"}));
  const auto& n = r.tree.nodes;
  EXPECT_EQ(n[0].depth, 1);
  EXPECT_EQ(n[1].depth, 2);
  EXPECT_EQ(n[2].depth, 2);
  EXPECT_EQ((std::vector<int>{n[0].pictures[0], n[0].pictures[1], n[0].pictures[2]}),
            (std::vector<int>{1, 2, 1}));
  EXPECT_EQ(n[1].pictures[0], 3);
  EXPECT_EQ(n[2].pictures[0], 4);
  EXPECT_EQ(n[1].accountTag, "Anna");
  EXPECT_EQ(n[0].accountTag, "");
  EXPECT_EQ(n[2].accountTag, "");
  EXPECT_TRUE(n[0].expanded);
  EXPECT_EQ(r.status.history, (Texts{"Suchlauf gestartet ...", "Suchlauf gestartet ... Anna",
                                     "Suchlauf beendet ..."}));
  ASSERT_FALSE(r.imap.log.empty());
  EXPECT_EQ(r.imap.log.back(), "SignOut");
  EXPECT_EQ(r.window.pointerResets, 1);
  EXPECT_EQ(r.sound.newMailPlays, 0) << "no new mail, no sound";
}

// The run yields before its first status text, and again before new mail is announced.
TEST(MailCheck, EffectsComeInTheirOrder) {
  CheckRig r;
  r.AddAccount("Anna", "anna", "pw", 3, "", "2");
  r.AddAccount("Bernd", "bernd", "pw", 1);
  r.effects.entries.clear();
  r.fm.mRefresh_Click();
  EXPECT_EQ(r.effects.entries,
            (Texts{"yield", "status: Suchlauf gestartet ...", "status: Suchlauf gestartet ... Anna",
                   "yield", "tray modify: Neue Nachricht für Anna!", "TimerIvis on",
                   "new-mail dialog shown: Anna", "status: Suchlauf gestartet ... Bernd",
                   "status: Suchlauf beendet ...", "default pointer"}));
}

// While the user must not be disturbed, new mail blinks and sets the tip as usual, but plays no
// sound and its dialog comes up behind, without the focus.
TEST(MailCheck, QuietStatesAnnounceWithoutSoundAndTheDialogBehind) {
  const Texts usual{"user state asked: as usual", "tray modify: Neue Nachricht für Anna!",
                    "TimerIvis on", "sound: new mail", "new-mail dialog shown: Anna"};
  const Texts quiet{"user state asked: quiet", "tray modify: Neue Nachricht für Anna!",
                    "TimerIvis on", "new-mail dialog shown behind: Anna"};
  const struct {
    UserState state;
    const Texts& expected;
  } cases[] = {
      {UserState::kAvailable, usual},    {UserState::kNotPresent, usual},
      {UserState::kBusy, quiet},         {UserState::kFullScreen, quiet},
      {UserState::kPresentation, quiet}, {UserState::kQuietTime, quiet},
      {UserState::kFocusAssist, quiet},
  };
  for (const auto& c : cases) {
    CheckRig r;
    FakeUserAttention attention;
    attention.state = c.state;
    attention.log = &r.effects;
    r.sound.log = &r.effects;
    r.fm.AttachAttention(attention);
    r.AddAccount("Anna", "anna", "pw", 3, "", "2");
    r.fm.mRefresh_Click();
    auto& e = r.effects.entries;
    const auto from = std::find_if(e.begin(), e.end(), [](const std::string& s) {
      return s.rfind("user state asked", 0) == 0;
    });
    const auto to = std::find_if(
        from, e.end(), [](const std::string& s) { return s.rfind("new-mail dialog", 0) == 0; });
    EXPECT_EQ(Texts(from, to == e.end() ? to : to + 1), c.expected) << static_cast<int>(c.state);
    ASSERT_EQ(r.forms.newMail.size(), 1u);
    EXPECT_EQ(r.forms.newMail[0]->focused, c.expected == usual ? 1 : 0);
    EXPECT_EQ(r.fm.AnnouncingQuietly(), c.expected == quiet);
  }
}

TEST(MailCheck, SecondAccountFailingGivesSixNodesCollapsed) {
  CheckRig r;
  r.AddAccount("Anna", "anna", "pw", 5);
  r.AddAccount("Bernd", "bernd", "pw").signInError = kImapErrorSilent;
  r.AddAccount("Clara", "clara", "pw", 2, "1,2");
  r.fm.mRefresh_Click();
  ASSERT_EQ(r.TreeTexts(), (Texts{"Anna", "Nachrichten ungelesen (5)", "Nachrichten gesamt (5)",
                                  "Clara", "Nachrichten ungelesen (0)", "Nachrichten gesamt (2)"}));
  EXPECT_EQ(r.tree.nodes[4].accountTag, "Clara");
  EXPECT_FALSE(r.tree.nodes[0].expanded);
  EXPECT_EQ(r.status.PanelText(0), "Suchlauf beendet ...");
}

TEST(MailCheck, AllUntickedLeavesTheTreeEmpty) {
  CheckRig r;
  r.AddAccount("Anna", "anna", "pw", 5);
  r.AddAccount("Bernd", "bernd", "pw", 5);
  r.Untick("Anna");
  r.Untick("Bernd");
  r.tree.AddNode("alt", 0, 1, 1, 2, 1);
  r.fm.mRefresh_Click();
  EXPECT_TRUE(r.tree.nodes.empty());
  EXPECT_EQ(r.status.history, (Texts{"Suchlauf gestartet ...", "Suchlauf beendet ..."}));
  EXPECT_TRUE(r.imap.log.empty());
}

// A failure after the sign-in, in the middle of the third account, over two runs: treated as at
// the sign-in, never as a run that went well. Server failures end the network part of the run;
// a failure of the one account skips it.
TEST(MailCheck, FailureAfterTheSignInIsReportedAsAtTheSignIn) {
  struct Case {
    std::int32_t number;
    std::size_t boxes;  // after two runs
    const char* tip;
    std::size_t nodes;  // after the first run
  };
  for (const Case& c : {Case{kNetTimedOut, 0, "Kann Server nicht erreichen!", 6},
                        Case{kNetClosed, 0, "Kann Server nicht erreichen!", 6},
                        Case{kImapMalformedReply, 1, "Fehlerhafte Antwort vom Server!", 6},
                        Case{kImapCommandFailed, 2, "Postwacht bei Ankunft neuer Mails!", 9}}) {
    CheckRig r;
    r.AddAccount("Anna", "anna", "pw", 1);
    r.AddAccount("Bernd", "bernd", "pw", 2);
    r.AddAccount("Clara", "clara", "pw", 3);
    r.AddAccount("Dora", "dora", "pw", 4);
    r.imap.failUser = "clara";
    r.imap.failAtStep = 2;  // the second search
    r.imap.failNumber = c.number;
    r.fm.mRefresh_Click();
    EXPECT_EQ(r.tree.nodes.size(), c.nodes) << c.number;
    EXPECT_EQ(r.status.PanelText(0), "Suchlauf beendet ...");
    EXPECT_EQ(r.window.pointerResets, 1);
    EXPECT_FALSE(r.imap.signedIn.has_value());  // Clara signed out all the same
    EXPECT_EQ(ShownTip(*r.tray.icon), c.tip) << c.number;
    r.fm.mRefresh_Click();
    EXPECT_EQ(r.dialogs.boxes.size(), c.boxes) << c.number;
  }
}

TEST(MailCheck, CountsNeverGoNegative) {
  CheckRig r;
  r.AddAccount("Anna", "anna", "pw", 2, "1,2,2,3,3");  // a server that lists messages twice
  r.fm.mRefresh_Click();
  EXPECT_EQ(r.TreeTexts(), (Texts{"Anna", "Nachrichten ungelesen (0)", "Nachrichten gesamt (2)"}));
}

TEST(MailCheck, RecentMailOpensOneDialogPerAccountAndTheTipNamesTheLastOne) {
  CheckRig r;
  r.AddAccount("Anna", "anna", "pw", 3, "", "2,3");
  r.AddAccount("Bernd", "bernd", "pw", 1);
  r.AddAccount("Clara", "clara", "pw", 1, "", "1");
  r.fm.mRefresh_Click();
  ASSERT_EQ(r.forms.newMail.size(), 2u);
  EXPECT_EQ(r.forms.newMail[0]->accountName, "Anna");
  EXPECT_EQ(r.forms.newMail[1]->accountName, "Clara");
  EXPECT_EQ(r.forms.newMail[0]->shows, 1);
  EXPECT_EQ(r.forms.newMail[0]->focused, 1);
  EXPECT_EQ(ShownTip(*r.tray.icon), "Neue Nachricht für Clara!");
  EXPECT_TRUE(r.fm.TimerIvis().Enabled());
  EXPECT_EQ(r.sound.newMailPlays, 1) << "one sound for the run, not one per account";
  // Anna: three messages, none seen.
  EXPECT_EQ(r.tree.nodes[1].countText, "(3)");

  // A second run opens fresh dialogs beside the old ones.
  r.fm.mRefresh_Click();
  EXPECT_EQ(r.forms.newMail.size(), 4u);
  EXPECT_EQ(r.sound.newMailPlays, 2);
}

TEST(MailCheck, WithTrayAlertsOffOnlyTheDialogAnnounces) {
  CheckRig r;
  r.globals.TrayAlertsEnabled = false;
  r.AddAccount("Anna", "anna", "pw", 3, "", "3");
  const auto sends = r.tray.calls.size();
  r.fm.mRefresh_Click();
  EXPECT_EQ(r.forms.newMail.size(), 1u);
  EXPECT_EQ(r.tray.calls.size(), sends);
  EXPECT_FALSE(r.fm.TimerIvis().Enabled());
  EXPECT_EQ(r.sound.newMailPlays, 0);
}

TEST(MailCheck, ServerOutOfReachEndsTheNetworkPartAndTheNextRunTriesAgain) {
  for (std::int32_t n : {kNetTimedOut, kNetRefused, 12101, 12102}) {
    CheckRig r;
    r.AddAccount("Anna", "anna", "pw", 1);
    r.AddAccount("Bernd", "bernd", "pw", 2).signInError = n;
    r.AddAccount("Clara", "clara", "pw", 3, "", "3");
    r.AddAccount("Dora", "dora", "pw", 4);
    r.fm.mRefresh_Click();
    // One failure costs the run: the accounts after it are skipped like failed sign-ins.
    EXPECT_EQ(r.TreeTexts(), (Texts{"Anna", "Nachrichten ungelesen (1)", "Nachrichten gesamt (1)"}))
        << n;
    EXPECT_EQ(std::count_if(r.imap.log.begin(), r.imap.log.end(),
                            [](const std::string& line) { return line.starts_with("SignIn"); }),
              2);
    EXPECT_TRUE(r.forms.newMail.empty());
    EXPECT_TRUE(r.dialogs.boxes.empty());
    EXPECT_EQ(r.status.PanelText(0), "Suchlauf beendet ...");
    EXPECT_EQ(ShownTip(*r.tray.icon), "Kann Server nicht erreichen!");

    r.imap.accounts["bernd"].signInError.reset();
    r.fm.mRefresh_Click();
    EXPECT_EQ(r.tree.nodes.size(), 12u) << n;
    EXPECT_EQ(ShownTip(*r.tray.icon), "Neue Nachricht für Clara!");
  }
}

TEST(MailCheck, WrongPinOverTwoRunsAndThreeAccountsShowsOneBox) {
  CheckRig r;
  for (const char* name : {"Anna", "Bernd", "Clara"}) {
    std::string user = name;
    user[0] = static_cast<char>(user[0] - 'A' + 'a');
    auto& a = r.AddAccount(name, user, "pw", 2, "1");
    a.signInError = 12123;
    a.errorDescription = "Das Zertifikat des Servers ist nicht das in den Einstellungen genannte.";
  }
  r.fm.mRefresh_Click();
  r.fm.mRefresh_Click();
  ASSERT_EQ(r.dialogs.boxes.size(), 1u);
  EXPECT_TRUE(r.dialogs.boxes[0].text.starts_with("Error#12123: "));
  EXPECT_EQ(std::count_if(r.imap.log.begin(), r.imap.log.end(),
                          [](const std::string& line) { return line.starts_with("SignIn"); }),
            2);  // one per run
  EXPECT_TRUE(r.tree.nodes.empty());
  EXPECT_EQ(r.status.PanelText(0), "Suchlauf beendet ...");
  EXPECT_EQ(ShownTip(*r.tray.icon), "Sichere Verbindung zum Server fehlgeschlagen!");
  EXPECT_EQ(r.tray.icon->hIcon, r.window.StopPicture());

  // The right pin: the tree and the idle state are back.
  for (auto& [user, account] : r.imap.accounts) account.signInError.reset();
  r.fm.mRefresh_Click();
  EXPECT_EQ(r.tree.nodes.size(), 9u);
  EXPECT_EQ(ShownTip(*r.tray.icon), "Postwacht bei Ankunft neuer Mails!");
  EXPECT_EQ(r.tray.icon->hIcon, r.window.MainIcon());
  EXPECT_EQ(r.dialogs.boxes.size(), 1u);
}

TEST(MailCheck, OneRowListMarksTheAttendanceAsked) {
  CheckRig r;
  r.globals.AttendanceAsked = false;
  r.clock.Set(7, 40);  // inside the attendance window: the dialog must still stay away
  r.AddAccount("Anna", "anna", "pw", 1);
  r.fm.mRefresh_Click();
  EXPECT_TRUE(r.globals.AttendanceAsked);
  EXPECT_FALSE(r.attendanceViews.current->modal);
  EXPECT_FALSE(r.fm.fmAnwesend().Visible());
}

TEST(FelderZaehlen, CountsCommaSeparatedFields) {
  EXPECT_EQ(FmStart::FelderZaehlen(""), 0);
  EXPECT_EQ(FmStart::FelderZaehlen("7"), 1);
  EXPECT_EQ(FmStart::FelderZaehlen("3,5,9"), 3);
}

TEST(MailCheck, MailboxesBeyondSixteenBitsAreCounted) {
  CheckRig r;
  std::string seen;
  for (int i = 1; i <= 40000; ++i) seen += (i > 1 ? "," : "") + std::to_string(i);
  r.AddAccount("Archiv", "archiv", "pw", 40010, seen);
  r.AddAccount("Anna", "anna", "pw", 2);
  r.fm.mRefresh_Click();
  EXPECT_EQ(r.TreeTexts(),
            (Texts{"Anna", "Nachrichten ungelesen (2)", "Nachrichten gesamt (2)", "Archiv",
                   "Nachrichten ungelesen (10)", "Nachrichten gesamt (40010)"}));
}

TEST(MailCheck, RowsPastOneHundredStillGetTheirDialog) {
  CheckRig r;
  for (int i = 0; i < 105; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "Konto%03d", i);
    r.AddAccount(name, name, "pw", 1, "", i == 103 ? "1" : "");
  }
  r.fm.mRefresh_Click();
  EXPECT_EQ(r.tree.nodes.size(), 315u);
  ASSERT_EQ(r.forms.newMail.size(), 1u);
  EXPECT_EQ(r.forms.newMail[0]->accountName, "Konto103");
}

TEST(MailCheck, TriggersDuringARunAreIgnored) {
  CheckRig r;
  r.AddAccount("Anna", "anna", "pw", 1, "", "1");
  r.AddAccount("Bernd", "bernd", "pw", 1);
  int nestedAttempts = 0;
  // The yield of the new-mail path lets a timer tick and the tray menu in.
  r.loop.Post([&] {
    ++nestedAttempts;
    r.fm.Timer1_Timer();
    r.fm.mRefreshTray_Click();
  });
  r.fm.mRefresh_Click();
  EXPECT_EQ(nestedAttempts, 1);
  EXPECT_EQ(r.tree.nodes.size(), 6u);
  EXPECT_EQ(std::count_if(r.imap.log.begin(), r.imap.log.end(),
                          [](const std::string& line) { return line.starts_with("SignIn"); }),
            2);
  EXPECT_FALSE(r.fm.CheckRunInProgress());
}

TEST(MailCheck, RunWaitsWhileTheMessageBoxIsOpenAndIgnoresTheTimer) {
  CheckRig r;
  r.clock.Set(7, 40);
  r.AddAccount("Anna", "anna", "pw", 1).signInError = kImapErrorLoginRefused;
  r.AddAccount("Bernd", "bernd", "pw", 4);
  r.dialogs.onMsgBox = [&](const std::string&, const std::string&) {
    EXPECT_TRUE(r.fm.CheckRunInProgress());
    r.timers.Advance(r.fm.Timer1().Interval());  // a timed check falls due while the box is up
  };
  r.fm.mRefresh_Click();
  EXPECT_EQ(r.dialogs.boxes.size(), 1u);
  EXPECT_EQ(r.TreeTexts(), (Texts{"Bernd", "Nachrichten ungelesen (4)", "Nachrichten gesamt (4)"}));
}

}  // namespace
}  // namespace pw::test
