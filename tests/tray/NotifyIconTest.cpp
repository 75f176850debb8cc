#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/Windows1252.h"
#include "substitute/FakeEventLoop.h"
#include "substitute/FakeMainWindow.h"
#include "substitute/FakeTimers.h"
#include "substitute/FakeTrayShell.h"
#include "tray/NotifyIcon.h"

namespace pw {
namespace {

// The field as a system with code page 1252 lays the tip into it.
std::string Field(const TrayData& d) {
  const TipFieldBytes field = TipField1252(d);
  return std::string(field.begin(), field.end());
}

TEST(TrayTip, ShortTextIsFollowedByNulAndBlanks) {
  TrayData d;
  SetTip(d, "abc");
  EXPECT_EQ(Field(d), std::string("abc") + '\0' + std::string(60, ' '));
  EXPECT_EQ(ShownTip(d), "abc");
}

TEST(TrayTip, SixtyThreeCharactersKeepTheirNul) {
  TrayData d;
  SetTip(d, std::string(63, 'x'));
  EXPECT_EQ(Field(d), std::string(63, 'x') + '\0');
  EXPECT_EQ(ShownTip(d), std::string(63, 'x'));
}

TEST(TrayTip, SixtyFourAndMoreAreCutAndLoseTheNul) {
  for (std::size_t n : {64u, 65u, 200u}) {
    TrayData d;
    SetTip(d, std::string(n, 'y'));
    EXPECT_EQ(Field(d), std::string(64, 'y')) << n;
    EXPECT_EQ(ShownTip(d).size(), 63u) << n;
  }
}

TEST(TrayTip, UmlautsTakeOneByteOfTheAnsiCodePage) {
  TrayData d;
  SetTip(d, "Neue Nachricht für Müller!");
  EXPECT_EQ(Field(d).substr(0, 27), To1252("Neue Nachricht für Müller!") + '\0');
  EXPECT_EQ(ShownTip(d), "Neue Nachricht für Müller!");
  // 63 umlauts still fit with their NUL: the field counts bytes of the code page, not UTF-8.
  std::string umlauts;
  for (int i = 0; i < 63; ++i) umlauts += "ä";
  SetTip(d, umlauts);
  EXPECT_EQ(Field(d)[62], '\xE4');
  EXPECT_EQ(Field(d)[63], '\0');
}

TEST(TrayTip, LongDisplayNameLosesTheExclamationMark) {
  TrayData d;
  SetTip(d, "Neue Nachricht für " + std::string(43, 'n') + "!");
  ASSERT_FALSE(ShownTip(d).empty());
  EXPECT_EQ(ShownTip(d).back(), '!');
  SetTip(d, "Neue Nachricht für " + std::string(44, 'n') + "!");
  EXPECT_NE(ShownTip(d).back(), '!');
}

struct TrayRig {
  FakeTrayShell shell;
  FakeMainWindow window;
  FakeEventLoop loop;
  FakeTimerFactory timers;
  NotifyIcon* icon = nullptr;
  std::unique_ptr<Timer> vis = timers.CreateTimer([this] { icon->TimerVis_Timer(); });
  std::unique_ptr<Timer> ivis = timers.CreateTimer([this] { icon->TimerIvis_Timer(); });
  NotifyIcon tray{shell, window, loop, *vis, *ivis};
  TrayRig() {
    icon = &tray;
    vis->SetInterval(500);
    ivis->SetInterval(500);
  }
};

TEST(NotifyIcon, AddSendsTheFirstFormRecordWithTheIdleTip) {
  TrayRig r;
  r.tray.AddIcon();
  ASSERT_EQ(r.shell.calls.size(), 1u);
  const auto& c = r.shell.calls[0];
  EXPECT_EQ(c.message, kNimAdd);
  EXPECT_EQ(c.data.cbSize, 104u);
  EXPECT_EQ(c.data.hWnd, r.window.Handle());
  EXPECT_EQ(c.data.uID, 1u);
  EXPECT_EQ(c.data.uFlags, 7u);
  EXPECT_EQ(c.data.uCallbackMessage, 512u);
  EXPECT_EQ(c.data.hIcon, r.window.MainIcon());
  EXPECT_EQ(ShownTip(c.data), "Postwacht bei Ankunft neuer Mails!");
  r.tray.RemoveIcon();
  ASSERT_FALSE(r.shell.calls.empty());
  EXPECT_EQ(r.shell.calls.back().message, kNimDelete);
  EXPECT_FALSE(r.shell.icon.has_value());
}

TEST(NotifyIcon, BlinkAlternatesEveryHalfSecondStartingWithTheTriangle) {
  TrayRig r;
  r.tray.AddIcon();
  r.tray.StartTrayBlink("Anna");
  EXPECT_EQ(ShownTip(r.shell.icon.value()), "Neue Nachricht für Anna!");
  EXPECT_EQ(r.shell.icon->hIcon, r.window.MainIcon());
  r.timers.Advance(499);
  EXPECT_EQ(r.shell.icon->hIcon, r.window.MainIcon());
  r.timers.Advance(1);
  EXPECT_EQ(r.shell.icon->hIcon, r.window.IvisPicture());
  r.timers.Advance(500);
  EXPECT_EQ(r.shell.icon->hIcon, r.window.MainIcon());
  r.timers.Advance(500);
  EXPECT_EQ(r.shell.icon->hIcon, r.window.IvisPicture());
  EXPECT_EQ(r.loop.Yields(), 3);  // each tick lets pending messages run first

  r.tray.StopTrayBlink();
  EXPECT_FALSE(r.vis->Enabled());
  EXPECT_FALSE(r.ivis->Enabled());
  EXPECT_EQ(r.shell.icon->hIcon, r.window.MainIcon());
  // The tip still names the account until it is reset.
  EXPECT_EQ(ShownTip(*r.shell.icon), "Neue Nachricht für Anna!");
  r.timers.Advance(5000);
  EXPECT_EQ(r.shell.icon->hIcon, r.window.MainIcon());
  r.tray.ResetTrayTip();
  EXPECT_EQ(ShownTip(*r.shell.icon), "Postwacht bei Ankunft neuer Mails!");
}

TEST(NotifyIcon, StartingAgainWhileBlinkingOnlyChangesTheTip) {
  TrayRig r;
  r.tray.AddIcon();
  r.tray.StartTrayBlink("Anna");
  r.timers.Advance(700);  // triangle shown, TimerVis counting
  r.tray.StartTrayBlink("Bernd");
  r.timers.Advance(300);
  EXPECT_EQ(ShownTip(*r.shell.icon), "Neue Nachricht für Bernd!");
  // Both blink timers now run; the cycle goes on and never stops by itself.
  r.timers.Advance(10000);
  EXPECT_TRUE(r.vis->Enabled() || r.ivis->Enabled());
}

TEST(NotifyIcon, UnreachableStateAndRecovery) {
  TrayRig r;
  r.tray.AddIcon();
  r.tray.ShowServerUnreachable();
  EXPECT_EQ(ShownTip(*r.shell.icon), "Kann Server nicht erreichen!");
  EXPECT_EQ(r.shell.icon->hIcon, r.window.StopPicture());
  r.tray.ShowServerReachable();
  EXPECT_EQ(ShownTip(*r.shell.icon), "Postwacht bei Ankunft neuer Mails!");
  EXPECT_EQ(r.shell.icon->hIcon, r.window.MainIcon());
}

TEST(NotifyIcon, NewTaskbarGetsTheIconBackAsItStands) {
  TrayRig r;
  r.tray.AddIconAgain();  // before the first add: nothing to add again
  EXPECT_TRUE(r.shell.calls.empty());
  r.tray.AddIcon();
  struct Case {
    std::function<void()> toState;
    IconHandle picture;
    std::string tip;
  };
  const std::vector<Case> cases = {
      {[] {}, r.window.MainIcon(), "Postwacht bei Ankunft neuer Mails!"},
      {[&] { r.tray.ShowServerUnreachable(); }, r.window.StopPicture(),
       "Kann Server nicht erreichen!"},
      {[&] {
         r.tray.ShowServerReachable();
         r.tray.StartTrayBlink("Anna");
         r.timers.Advance(500);
       },
       r.window.IvisPicture(), "Neue Nachricht für Anna!"},
  };
  for (const Case& c : cases) {
    c.toState();
    r.shell.icon.reset();  // Explorer restarted: the new taskbar knows no icons
    r.tray.AddIconAgain();
    ASSERT_FALSE(r.shell.calls.empty());
    EXPECT_EQ(r.shell.calls.back().message, kNimAdd);
    ASSERT_TRUE(r.shell.icon.has_value()) << c.tip;
    EXPECT_EQ(r.shell.icon->hIcon, c.picture) << c.tip;
    EXPECT_EQ(ShownTip(*r.shell.icon), c.tip);
    EXPECT_EQ(r.shell.icon->uID, 1u);
    EXPECT_EQ(r.shell.icon->uCallbackMessage, 512u);
  }
  // The blinking goes on on the new icon.
  r.timers.Advance(500);
  EXPECT_EQ(r.shell.icon->hIcon, r.window.MainIcon());

  r.tray.RemoveIcon();
  const std::size_t sends = r.shell.calls.size();
  r.tray.AddIconAgain();  // after the unload's remove the icon stays away
  EXPECT_EQ(r.shell.calls.size(), sends);
  EXPECT_FALSE(r.shell.icon.has_value());
}

}  // namespace
}  // namespace pw
