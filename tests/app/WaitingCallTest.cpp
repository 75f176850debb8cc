// Events handled while a component call waits on the network, and unloads in the middle of a run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <utility>

#include "support/MainWindowRig.h"
#include "tray/TrayData.h"

namespace pw::test {
namespace {

using Texts = std::vector<std::string>;

struct WaitRig : MainWindowRig {
  WaitRig() {
    globals.AttendanceAsked = true;
    fm.Tray().AddIcon();
    AddAccount("Anna", "anna", "pw", 3, "1");
    AddAccount("Bernd", "bernd", "pw", 5, "1,2", "5");
    AddAccount("Clara", "clara", "pw", 2);
  }
  // The event arrives once while the named call waits, and the wait serves the message loop
  // as the real transports do.
  void During(const std::string& call, std::function<void()> event) {
    imap.onWait = [this, call, event = std::move(event)](const std::string& waiting) mutable {
      if (waiting != call || !event) return;
      loop.Post(std::exchange(event, nullptr));
      loop.DoEvents();
    };
  }
  std::ptrdiff_t Count(const std::string& prefix) const {
    return std::count_if(imap.log.begin(), imap.log.end(),
                         [&](const std::string& line) { return line.starts_with(prefix); });
  }
};

TEST(WaitingCall, TimerTickAndMenuDoNotStartASecondRun) {
  WaitRig r;
  r.During("SignIn bernd", [&] {
    r.timers.Advance(r.fm.Timer1().Interval());
    r.fm.mRefresh_Click();
    r.fm.mRefreshTray_Click();
  });
  r.fm.mRefresh_Click();
  EXPECT_EQ(r.Count("SignIn"), 3);
  EXPECT_EQ(r.tree.nodes.size(), 9u);
  EXPECT_EQ(r.status.PanelText(0), "Suchlauf beendet ...");
}

TEST(WaitingCall, CloseBoxEndsTheWaitingCallAndTheRunWithoutAReport) {
  for (const std::string call : {"SignIn bernd", "Search RECENT 0", "SignOut"}) {
    WaitRig r;
    r.window.Show();
    r.During(call, [&] { EXPECT_FALSE(r.fm.RequestUnload(kUnloadFormControlMenu)); });
    r.fm.mRefresh_Click();
    // The close box hides the window and signs the connection out; the program goes on.
    EXPECT_FALSE(r.window.visible) << call;
    EXPECT_FALSE(r.fm.Unloaded());
    EXPECT_EQ(r.Count("SignOut during " + call), 1) << call;
    // The run ended there, as at any failing call: no further account, no report.
    EXPECT_EQ(r.Count("SignIn"), call == "SignIn bernd" ? 2 : 1) << call;
    EXPECT_TRUE(r.dialogs.boxes.empty());
    EXPECT_FALSE(r.globals.ServerUnreachableShown);
    EXPECT_EQ(ShownTip(*r.tray.icon), "Postwacht bei Ankunft neuer Mails!");
    EXPECT_TRUE(r.status.PanelText(0).starts_with("Suchlauf gestartet ... ")) << call;
    EXPECT_FALSE(r.fm.CheckRunInProgress());
    EXPECT_EQ(r.window.pointerResets, 1);

    // The next run signs in afresh.
    r.imap.onWait = nullptr;
    r.fm.mRefresh_Click();
    EXPECT_EQ(r.tree.nodes.size(), 9u) << call;
  }
}

TEST(WaitingCall, BeendenWithThePasswordUnloadsAndTheRunStopsAtOnce) {
  WaitRig r;
  r.clock.Set(7, 40);  // a wrong password would be reported now
  r.imap.accounts["clara"].password = "anders";
  r.dialogs.answers.push_back("kuf");
  r.During("SignIn bernd", [&] { r.fm.mBeenden_Click(); });
  const auto dialogsBefore = r.forms.newMail.size();
  r.fm.mRefresh_Click();
  EXPECT_TRUE(r.fm.Unloaded());
  EXPECT_TRUE(r.window.closed);
  EXPECT_FALSE(r.tray.icon.has_value());
  ASSERT_FALSE(r.tray.calls.empty());
  EXPECT_EQ(r.tray.calls.back().message, kNimDelete);
  // Nothing more signed in, nothing more shown.
  EXPECT_EQ(r.Count("SignIn"), 2);
  ASSERT_FALSE(r.imap.log.empty());
  EXPECT_EQ(r.imap.log.back(), "SignOut during SignIn bernd");
  EXPECT_FALSE(r.imap.signedIn.has_value());
  EXPECT_TRUE(r.dialogs.boxes.empty());
  EXPECT_TRUE(r.forms.calls.empty());
  EXPECT_EQ(r.forms.newMail.size(), dialogsBefore);
  EXPECT_EQ(r.tree.nodes.size(), 3u);
  EXPECT_EQ(r.status.PanelText(0), "Suchlauf gestartet ... Bernd");
  EXPECT_EQ(r.window.pointerResets, 0);
  EXPECT_FALSE(r.fm.CheckRunInProgress());
  // Later triggers find nothing to do.
  r.fm.Timer1_Timer();
  EXPECT_EQ(r.Count("SignIn"), 2);
}

TEST(WaitingCall, WrongExitPasswordStillSignsTheCallOutButKeepsTheProgram) {
  WaitRig r;
  r.dialogs.answers.push_back("KUF");
  r.During("Search SEEN 0", [&] { r.fm.mPopExit_Click(); });
  r.fm.mRefresh_Click();
  EXPECT_FALSE(r.fm.Unloaded());
  EXPECT_TRUE(r.tray.icon.has_value());
  EXPECT_EQ(r.Count("SignOut during Search SEEN 0"), 1);
  EXPECT_EQ(r.Count("SignIn"), 1);
  EXPECT_TRUE(r.tree.nodes.empty());
}

TEST(WaitingCall, TrayClickMenuItemsAndTimerTicksAreServedAndTheRunGoesOn) {
  WaitRig r;
  r.window.SetState(WindowState::Minimized);
  r.During("SignIn clara", [&] {
    r.fm.mAbout_Click();         // a menu item
    r.fm.Form_MouseMove(0x202);  // left click on the tray icon
    EXPECT_TRUE(r.window.visible);
    r.timers.Advance(r.fm.Timer2().Interval());  // auto-minimise, and Bernd's new mail blinks
    r.fm.mAnwesenheitTray_Click();               // a tray menu item
  });
  r.fm.mRefresh_Click();
  EXPECT_EQ(r.tree.nodes.size(), 9u);
  EXPECT_EQ(r.status.PanelText(0), "Suchlauf beendet ...");
  EXPECT_EQ(std::count(r.forms.calls.begin(), r.forms.calls.end(), "ShowAbout"), 1);
  EXPECT_TRUE(r.fm.fmAnwesend().Visible());
  EXPECT_EQ(r.window.state, WindowState::Minimized);
  EXPECT_FALSE(r.window.visible);
  EXPECT_TRUE(std::any_of(r.tray.calls.begin(), r.tray.calls.end(),
                          [&](const auto& c) { return c.data.hIcon == r.window.IvisPicture(); }));
  EXPECT_TRUE(r.dialogs.boxes.empty());
}

TEST(Unload, DuringTheBoxOfAFailedSignInTheRunSignsNothingMoreIn) {
  WaitRig r;
  r.imap.accounts["anna"].signInError = 12100;
  r.imap.accounts["anna"].errorDescription = "Der Server imap wurde nicht gefunden.";
  r.dialogs.answers.push_back("kuf");
  r.dialogs.onMsgBox = [&](const std::string&, const std::string&) { r.fm.mBeenden_Click(); };
  r.fm.mRefresh_Click();
  EXPECT_TRUE(r.fm.Unloaded());
  EXPECT_EQ(r.dialogs.boxes.size(), 1u);
  EXPECT_EQ(r.Count("SignIn"), 1);
  EXPECT_TRUE(r.tree.nodes.empty());
  EXPECT_FALSE(r.fm.fmAnwesend().Loaded());
}

TEST(Unload, DuringTheWrongPasswordYieldShowsNoBoxAndFillsNoDialog) {
  WaitRig r;
  r.clock.Set(7, 40);
  r.imap.accounts["anna"].password = "anders";
  r.loop.Post([&] { r.fm.RequestUnload(kUnloadAppWindows); });
  EXPECT_FALSE(r.fm.Login("Anna"));
  EXPECT_TRUE(r.fm.Unloaded());
  EXPECT_TRUE(r.dialogs.boxes.empty());
  EXPECT_EQ(r.forms.calls, Texts{"ShowEdit"});
}

TEST(Unload, DuringTheAttendanceDialogOfASignInTheRunStops) {
  WaitRig r;
  r.globals.AttendanceAsked = false;
  r.clock.Set(7, 40);
  std::function<void()> whenShown = [&] {
    if (r.fm.fmAnwesend().Visible()) {
      r.fm.RequestUnload(kUnloadAppTaskManager);
    } else {
      r.loop.Post(whenShown);
    }
  };
  r.loop.Post(whenShown);
  r.fm.mRefresh_Click();
  EXPECT_TRUE(r.fm.Unloaded());
  EXPECT_EQ(r.Count("SignIn"), 1);
  ASSERT_FALSE(r.imap.log.empty());
  EXPECT_EQ(r.imap.log.back(), "SignOut");  // by the close protection; the run made no more calls
  EXPECT_TRUE(r.tree.nodes.empty());
  ASSERT_FALSE(r.tray.calls.empty());
  EXPECT_EQ(r.tray.calls.back().message, kNimDelete);
}

TEST(Unload, DuringTheYieldsOfFormLoadNothingMoreStarts) {
  for (int yield : {1, 2}) {
    MainWindowRig r;
    r.AddAccount("Anna", "anna", "pw", 1);
    int seen = 0;
    std::function<void()> watch = [&] {
      if (++seen == yield) {
        r.fm.RequestUnload(kUnloadAppWindows);
      } else {
        r.loop.Post(watch);
      }
    };
    r.loop.Post(watch);
    r.fm.Form_Load();
    EXPECT_TRUE(r.fm.Unloaded()) << yield;
    EXPECT_FALSE(r.tray.icon.has_value()) << yield;
    EXPECT_EQ(r.imap.log, Texts{"SignOut"}) << yield;  // the close protection's only
    EXPECT_TRUE(r.status.history.empty()) << yield;
    EXPECT_EQ(std::count_if(r.tray.calls.begin(), r.tray.calls.end(),
                            [](const auto& c) { return c.message == kNimAdd; }),
              yield == 1 ? 0 : 1);
  }
}

}  // namespace
}  // namespace pw::test
