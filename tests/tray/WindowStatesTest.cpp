#include <gtest/gtest.h>

#include "support/MainWindowRig.h"

namespace pw::test {
namespace {

struct StatesRig : MainWindowRig {
  StatesRig() {
    globals.AttendanceAsked = true;
    fm.Form_Load();
  }
};

TEST(CloseProtection, OnlyTheExactPasswordQuits) {
  for (const char* answer : {"KUF", "Kuf", " kuf", "kuf ", "", "kufkuf"}) {
    StatesRig r;
    r.dialogs.answers.push_back(answer);
    r.fm.mBeenden_Click();
    EXPECT_FALSE(r.fm.Unloaded()) << '"' << answer << '"';
    EXPECT_FALSE(r.window.closed);
    EXPECT_TRUE(r.dialogs.boxes.empty());
    ASSERT_EQ(r.dialogs.prompts.size(), 1u);
    EXPECT_EQ(r.dialogs.prompts[0].text, "Geben Sie das Beendigungspasswort ein!");
    EXPECT_EQ(r.dialogs.prompts[0].title, "Beenden!");
    ASSERT_FALSE(r.imap.log.empty());
    EXPECT_EQ(r.imap.log.back(), "SignOut");
  }
  StatesRig r;
  r.dialogs.answers.push_back("kuf");
  r.fm.mPopExit_Click();
  EXPECT_TRUE(r.fm.Unloaded());
  EXPECT_TRUE(r.window.closed);
  EXPECT_FALSE(r.tray.icon.has_value());
}

TEST(CloseProtection, CloseBoxHidesIntoTheTrayAndRestartsTheCheck) {
  StatesRig r;
  r.fm.Form_Activate();
  EXPECT_FALSE(r.fm.RequestUnload(kUnloadFormControlMenu));
  EXPECT_FALSE(r.window.visible);
  EXPECT_EQ(r.window.state, WindowState::Minimized);
  EXPECT_TRUE(r.fm.Timer1().Enabled());
  EXPECT_FALSE(r.fm.Timer2().Enabled());
  EXPECT_TRUE(r.dialogs.prompts.empty());
  EXPECT_TRUE(r.tray.icon.has_value());
}

TEST(CloseProtection, WindowsShutdownAndTaskManagerEndWithoutAPrompt) {
  for (int mode : {kUnloadAppWindows, kUnloadAppTaskManager}) {
    StatesRig r;
    EXPECT_TRUE(r.fm.RequestUnload(mode));
    EXPECT_TRUE(r.dialogs.prompts.empty());
    EXPECT_TRUE(r.window.closed);
    EXPECT_FALSE(r.tray.icon.has_value());
    ASSERT_FALSE(r.imap.log.empty());
    EXPECT_EQ(r.imap.log.back(), "SignOut");
  }
}

TEST(CloseProtection, SignOutErrorsAreIgnored) {
  struct ThrowingSignOut : ScriptedImap {
    void SignOut() override { throw AppError(12120, "Imap", "weg"); }
  };
  // The scripted component signs out harmlessly; a failing one must not stop the close either.
  MainWindowRig other;
  ThrowingSignOut failing;
  FmStart fm{
      MainWindowServices{other.settings, other.environment, other.clock, other.timers, other.loop,
                         other.dialogs, other.tray, other.windows, other.window, other.tree,
                         other.status, failing, other.attendanceViews, other.sound},
      other.globals};
  EXPECT_TRUE(fm.RequestUnload(kUnloadAppWindows));
}

TEST(TrayMouse, DecodingTable) {
  struct Case {
    int message;
    bool restores;
    bool menu;
  };
  for (Case c : {Case{512, false, false}, Case{513, false, false}, Case{514, true, false},
                 Case{515, true, false}, Case{516, false, false}, Case{517, false, true},
                 Case{518, false, false}, Case{0x207, false, false}}) {
    StatesRig r;
    r.window.SetState(WindowState::Minimized);
    ASSERT_FALSE(r.window.visible);
    r.fm.Form_MouseMove(c.message);
    EXPECT_EQ(r.window.visible, c.restores) << c.message;
    EXPECT_EQ(r.window.trayMenuPopups, c.menu ? 1 : 0) << c.message;
    if (c.menu) {
      ASSERT_FALSE(r.tray.foregrounded.empty());
      EXPECT_EQ(r.tray.foregrounded.back(), r.window.Handle());
    }
  }
}

TEST(TrayMouse, NothingWhileTheAttendanceListIsVisible) {
  StatesRig r;
  r.window.SetState(WindowState::Minimized);
  r.fm.mAnwesenheitTray_Click();
  r.fm.Form_MouseMove(517);
  r.fm.Form_MouseMove(514);
  EXPECT_EQ(r.window.trayMenuPopups, 0);
  EXPECT_FALSE(r.window.visible);
}

TEST(TrayMouse, CheckingVisibilityDoesNotLoadTheAttendanceList) {
  MainWindowRig r;
  r.fm.Form_MouseMove(512);
  EXPECT_EQ(r.attendanceViews.created, 0);
}

TEST(WindowStates, RestoreForcesTheDesignSizeAndStartsTheCountdown) {
  StatesRig r;
  r.window.SetState(WindowState::Minimized);
  r.window.width = 100;
  r.fm.mPopRestore_Click();
  EXPECT_TRUE(r.window.visible);
  EXPECT_EQ(r.window.state, WindowState::Normal);
  EXPECT_EQ(r.window.width, 5070);
  EXPECT_EQ(r.window.height, 3540);
  EXPECT_FALSE(r.fm.Timer1().Enabled());
  EXPECT_TRUE(r.fm.Timer2().Enabled());
  // Dragging the border: the next resize puts the size back.
  r.window.width = 9000;
  r.fm.Form_Resize();
  EXPECT_EQ(r.window.width, 5070);
}

TEST(Menus, ItemsReachTheirDialogs) {
  StatesRig r;
  r.fm.mEdit_Click();
  r.fm.mNew_Click();
  r.fm.mDelete_Click();
  r.fm.mAbout_Click();
  EXPECT_EQ(r.forms.calls,
            (std::vector<std::string>{"ShowEdit", "ShowNew", "ShowDelete", "ShowAbout"}));
  const int runs = static_cast<int>(r.status.history.size());
  r.fm.mRefreshTray_Click();
  EXPECT_GT(static_cast<int>(r.status.history.size()), runs);
}

}  // namespace
}  // namespace pw::test
