#include <gtest/gtest.h>

#include "support/MainWindowRig.h"

namespace pw::test {
namespace {

// Counts check runs by their closing status text.
int Runs(const MainWindowRig& r) {
  return static_cast<int>(std::count(r.status.history.begin(), r.status.history.end(),
                                     std::string("Suchlauf beendet ...")));
}

struct TimerRig : MainWindowRig {
  TimerRig() {
    AddAccount("Anna", "anna", "pw", 3);
    globals.AttendanceAsked = true;
  }
  // Start-up as the platform delivers it: the activation of the first show comes after load.
  void Start() {
    fm.Form_Load();
    fm.Form_Activate();
  }
  void Restore() {
    fm.RestoreMainWindow();
    fm.Form_Activate();
  }
};

TEST(Timers, StartAndLeaveItAlone) {
  TimerRig r;
  r.Start();
  EXPECT_EQ(Runs(r), 1);
  r.timers.Advance(59999);
  EXPECT_TRUE(r.window.visible);
  r.timers.Advance(1);
  EXPECT_FALSE(r.window.visible);
  EXPECT_EQ(r.window.state, WindowState::Minimized);
  EXPECT_TRUE(r.fm.Timer1().Enabled());
  EXPECT_FALSE(r.fm.Timer2().Enabled());
  EXPECT_EQ(Runs(r), 1);
  r.timers.Advance(60000);
  EXPECT_EQ(Runs(r), 2);
  r.timers.Advance(3 * 60000);
  EXPECT_EQ(Runs(r), 5);
}

TEST(Timers, RestoredWindowRunsNoTimedCheckAndHidesAgain) {
  TimerRig r;
  r.Start();
  r.timers.Advance(60000 + 30000);  // hidden for 30 s
  r.Restore();
  EXPECT_TRUE(r.window.visible);
  EXPECT_FALSE(r.fm.Timer1().Enabled());
  const int runs = Runs(r);
  r.timers.Advance(59999);
  EXPECT_EQ(Runs(r), runs);
  EXPECT_TRUE(r.window.visible);
  r.timers.Advance(1);
  EXPECT_FALSE(r.window.visible);
  // The first timed check comes one full interval after minimising.
  r.timers.Advance(59999);
  EXPECT_EQ(Runs(r), runs);
  r.timers.Advance(1);
  EXPECT_EQ(Runs(r), runs + 1);
}

TEST(Timers, ClickIntoTheTreeAtSecondFiftyKeepsTheWindowUpFor120Seconds) {
  TimerRig r;
  r.Start();
  r.timers.Advance(50000);
  r.fm.Anzeige_Click();
  r.timers.Advance(119999);
  EXPECT_TRUE(r.window.visible);
  r.timers.Advance(1);
  EXPECT_FALSE(r.window.visible);
}

TEST(Timers, SecondClickRestartsTheDelay) {
  TimerRig r;
  r.Start();
  r.fm.Anzeige_Click();
  r.timers.Advance(59000);
  r.fm.Anzeige_Click();
  r.timers.Advance(119999);
  EXPECT_TRUE(r.window.visible);
  r.timers.Advance(1);
  EXPECT_FALSE(r.window.visible);
}

TEST(Timers, AboutBoxOpenForFiveMinutesHoldsTheWindow) {
  TimerRig r;
  r.Start();
  r.fm.mAbout_Click();
  EXPECT_EQ(r.forms.calls, std::vector<std::string>{"ShowAbout"});
  r.timers.Advance(5 * 60000);
  EXPECT_TRUE(r.window.visible);
  r.fm.Timer2().SetEnabled(true);  // the box's OK button
  r.timers.Advance(59999);
  EXPECT_TRUE(r.window.visible);
  r.timers.Advance(1);
  EXPECT_FALSE(r.window.visible);
}

TEST(Timers, IntervalOfTenSecondsWhileMinimised) {
  TimerRig r;
  r.settings.SaveSetting("Mail Postwacht", "Timer", "Timer1", "10000");
  r.Start();
  r.timers.Advance(60000);
  ASSERT_FALSE(r.window.visible);
  const int runs = Runs(r);
  r.timers.Advance(50000);
  EXPECT_EQ(Runs(r), runs + 5);
}

TEST(Timers, MenuDialogsHoldTheCountdownButTheTrayAttendanceDoesNot) {
  TimerRig r;
  r.Start();
  for (auto click : {&FmStart::mEdit_Click, &FmStart::mNew_Click, &FmStart::mDelete_Click,
                     &FmStart::mAnwesenheit_Click}) {
    r.fm.Timer2().SetEnabled(true);
    (r.fm.*click)();
    EXPECT_FALSE(r.fm.Timer2().Enabled());
  }
  r.fm.fmAnwesend().cmdCancel_Click();
  EXPECT_TRUE(r.fm.Timer2().Enabled());
  r.fm.mAnwesenheitTray_Click();
  EXPECT_TRUE(r.fm.Timer2().Enabled());
  EXPECT_TRUE(r.fm.fmAnwesend().Visible());
}

}  // namespace
}  // namespace pw::test
