// The attendance list that the sign-in shows modally holds every other window of the program.
#include <gtest/gtest.h>

#include <functional>

#include "win32/CommandIds.h"
#include "win32/Win32MainFormRig.h"

namespace pw::win32 {
namespace {

// A timer procedure gets no context of its own; the one running test hands it this.
std::function<void()>* g_onTimer = nullptr;

void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (g_onTimer) (*g_onTimer)();
}

TEST(ModalAttendance, SignInListDisablesEveryWindowOfTheProgramUntilItCloses) {
  PW_REQUIRE_DISPLAY();
  test::InitControls();
  test::MainFormRig r;
  r.AddAccount("Anna");
  r.AddAccount("Bernd");
  r.clock.Set(7, 40);
  r.window.Show();
  // Stands for a new-message dialog or an account dialog left open by the person.
  HWND dialog = CreateWindowExW(0, L"STATIC", L"Neue Nachricht!", WS_OVERLAPPED | WS_VISIBLE, 0, 0,
                                100, 50, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(nullptr, dialog);

  struct Seen {
    int times = 0;
    bool main = true, dialog = true, list = false;
  } seen;
  std::function<void()> whileUp = [&] {
    HWND list = FindWindowW(kAttendanceWindowClass, nullptr);
    if (!list || !IsWindowVisible(list) || seen.times++ > 0) return;
    seen.main = IsWindowEnabled(r.window.Hwnd());
    seen.dialog = IsWindowEnabled(dialog);
    seen.list = IsWindowEnabled(list);
    SendMessageW(GetDlgItem(list, kCmdOkId), BM_CLICK, 0, 0);
  };
  g_onTimer = &whileUp;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, OnTimer);

  r.form.mRefresh_Click();  // the first sign-in at 07:40 waits for the list

  KillTimer(nullptr, timer);
  g_onTimer = nullptr;
  EXPECT_EQ(1, seen.times);
  EXPECT_FALSE(seen.main);
  EXPECT_FALSE(seen.dialog);
  EXPECT_TRUE(seen.list);
  EXPECT_TRUE(IsWindowEnabled(r.window.Hwnd()));
  EXPECT_TRUE(IsWindowEnabled(dialog));
  EXPECT_TRUE(r.globals.AttendanceAsked);
  EXPECT_EQ(6, r.window.Anzeige().NodeCount()) << "both accounts checked";
  DestroyWindow(dialog);
}

}  // namespace
}  // namespace pw::win32
