// The real main window passes a resume and a change of the network on to fmStart, which then
// checks at once; the network's state is asked of the IP helper.
#include <gtest/gtest.h>

#include <algorithm>

#include "win32/Win32MainFormRig.h"
#include "win32/Win32NetworkState.h"

namespace pw::win32 {
namespace {

using test::MainFormRig;

TEST(Resume, ThePowerMessageAndTheNetworkMessageBringARunAtOnce) {
  PW_REQUIRE_DISPLAY();
  test::InitControls();
  for (const UINT message : {static_cast<UINT>(WM_POWERBROADCAST), kNetworkChangedMessage}) {
    MainFormRig r;
    r.globals.AttendanceAsked = true;
    r.globals.ImapServerName = "localhost";
    // A change of the addresses counts while the server is reported out of reach.
    r.globals.ServerUnreachableShown = message == kNetworkChangedMessage;
    r.AddAccount("anna");
    r.form.Timer1().SetEnabled(true);  // the window is in the tray
    ASSERT_TRUE(PostMessageW(r.window.Hwnd(), message, PBT_APMRESUMEAUTOMATIC, 0));
    EXPECT_TRUE(test::PumpUntil([&] { return r.form.TimerResume().Enabled(); }, 2000)) << message;
    r.timers.Advance(1000);
    EXPECT_EQ(std::count(r.imap.log.begin(), r.imap.log.end(), "SignIn localhost anna pw"), 1)
        << message;
    EXPECT_FALSE(r.form.TimerResume().Enabled());
  }
}

TEST(Resume, TheIpHelperAnswersAndTheWatchEndsCleanly) {
  PW_REQUIRE_DISPLAY();
  MainFormRig r;
  Win32NetworkState network;
  network.Up();  // either answer; it must not fail
  network.Watch(r.window.Hwnd());
  test::PumpFor(50);
}

}  // namespace
}  // namespace pw::win32
