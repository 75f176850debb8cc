// After Explorer restarts, the broadcast "TaskbarCreated" puts the tray icon back as it stood.
#include <gtest/gtest.h>

#include "win32/Win32MainFormRig.h"

namespace pw::win32 {
namespace {

using test::MainFormRig;
using test::RecordingShell;

// What the shell holds of the icon, asked by a modify that changes nothing.
bool ShellHasIcon(const TrayData& data) {
  NOTIFYICONDATAA nid = ToNotifyIconData(data);
  return ::Shell_NotifyIconA(NIM_MODIFY, &nid) != FALSE;
}

void ForgetIcon(const TrayData& data) {
  NOTIFYICONDATAA nid = ToNotifyIconData(data);
  ::Shell_NotifyIconA(NIM_DELETE, &nid);
}

TEST(TaskbarCreated, TheIconComesBackWithItsPictureAndTip) {
  PW_REQUIRE_DISPLAY();
  test::InitControls();
  const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  ASSERT_NE(0u, taskbarCreated);
  MainFormRig r;
  NotifyIcon& tray = r.form.Tray();
  tray.AddIcon();  // the window stays hidden, as it is in the tray
  ASSERT_TRUE(r.shell.calls.at(0).accepted) << "no notification area";

  struct Case {
    const char* state;
    void (*toState)(MainFormRig&);
    IconHandle picture;
    const char* tip;
  };
  const Case cases[] = {
      {"idle", [](MainFormRig&) {}, r.window.MainIcon(), "Postwacht bei Ankunft neuer Mails!"},
      {"unreachable", [](MainFormRig& rig) { rig.form.Tray().ShowServerUnreachable(); },
       r.window.StopPicture(), "Kann Server nicht erreichen!"},
      {"blinking",
       [](MainFormRig& rig) {
         rig.form.Tray().ShowServerReachable();
         rig.form.Tray().StartTrayBlink("Jürgen");
         rig.timers.Advance(500);
       },
       r.window.IvisPicture(), "Neue Nachricht für Jürgen!"},
  };
  for (const Case& c : cases) {
    c.toState(r);
    ForgetIcon(tray.Data());  // what a restarted Explorer knows of the icon
    ASSERT_FALSE(ShellHasIcon(tray.Data())) << c.state;
    const std::size_t before = r.shell.calls.size();

    PostMessageW(HWND_BROADCAST, taskbarCreated, 0, 0);
    ASSERT_TRUE(test::PumpUntil([&] { return r.shell.calls.size() > before; }, 5000)) << c.state;

    const RecordingShell::Call& add = r.shell.calls.back();
    EXPECT_EQ(kNimAdd, add.message) << c.state;
    EXPECT_TRUE(add.accepted) << c.state;
    EXPECT_EQ(r.window.Handle(), add.data.hWnd) << c.state;
    EXPECT_EQ(c.picture, add.data.hIcon) << c.state;
    EXPECT_EQ(c.tip, add.data.tip) << c.state;
    EXPECT_TRUE(ShellHasIcon(tray.Data())) << c.state;
  }

  // After the unload's remove a new taskbar gets nothing.
  tray.RemoveIcon();
  const std::size_t before = r.shell.calls.size();
  PostMessageW(HWND_BROADCAST, taskbarCreated, 0, 0);
  test::PumpFor(300);
  EXPECT_EQ(before, r.shell.calls.size());
  EXPECT_FALSE(ShellHasIcon(tray.Data()));
}

}  // namespace
}  // namespace pw::win32
