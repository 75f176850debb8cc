// The launcher against real windows: an open Outlook is raised, a missing one fails to start.
#include <gtest/gtest.h>

#include "core/AppError.h"
#include "platform/substitute/FakeNewMailView.h"
#include "platform/win32/Win32WindowSystem.h"
#include "support/NewMailRig.h"
#include "win32/Win32TestSupport.h"

namespace pw::win32 {
namespace {

// A top-level window of the given class and title, shown without activation.
HWND MakeWindow(const wchar_t* className, const wchar_t* title) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = className;
  RegisterClassW(&wc);  // fails harmlessly when an earlier test registered it
  HWND hwnd = CreateWindowExW(0, className, title, WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  return hwnd;
}

int ZOrder(HWND hwnd) {
  int i = 0;
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT), ++i) {
    if (w == hwnd) return i;
  }
  return -1;
}

struct Platform {
  FakeNewMailViews views;
  Win32WindowSystem windowSystem;
};

struct Rig : Platform, pw::test::NewMailRig {
  Rig() : NewMailRig(views, &windowSystem) {
    globals.UseOutlook = true;
    AddAccount("Anna", "Wahr", "Falsch");
  }
};

TEST(MailClientLaunch, OpenOutlookWindowIsFoundAndRaised) {
  PW_REQUIRE_DISPLAY();
  Rig r;
  HWND outlook = MakeWindow(L"rctrl_renwnd32", L"Posteingang - Microsoft Outlook");
  HWND other = MakeWindow(L"PostwachtAnderesFenster", L"Anderes Fenster");
  ASSERT_TRUE(outlook && other);
  SetWindowPos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ASSERT_LT(ZOrder(other), ZOrder(outlook));

  EXPECT_EQ(r.launcher.FindOutlookTitle(), "Posteingang - Microsoft Outlook");
  EXPECT_NO_THROW(r.launcher.StartMailClient(""));  // a start would fail here
  EXPECT_EQ(r.launcher.LastWindow(), reinterpret_cast<WindowHandle>(outlook));
  EXPECT_LT(ZOrder(outlook), ZOrder(other));
  DestroyWindow(other);
  DestroyWindow(outlook);
}

TEST(MailClientLaunch, WithoutOutlookTheFailedStartTakesTheDialogsErrorPath) {
  Rig r;
  ASSERT_EQ(r.launcher.FindOutlookTitle(), "");
  try {
    r.launcher.StartMailClient("");
    ADD_FAILURE() << "Outlook is not installed here, its start must fail";
  } catch (const AppError& e) {
    EXPECT_TRUE(e.Number() == ERROR_FILE_NOT_FOUND || e.Number() == ERROR_PATH_NOT_FOUND)
        << e.Number();
  }
  r.Announce("Anna");
  r.views.open.at(0)->ClickOpen();
  EXPECT_EQ(r.dialogs.Count(), 0u);
  EXPECT_EQ(r.Tip(), pw::test::kIdle);
  EXPECT_TRUE(r.Blinking());
}

}  // namespace
}  // namespace pw::win32
