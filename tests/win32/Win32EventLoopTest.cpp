// DoEvents, WaitOne and the WM_QUIT hand-over of the message loop.
#include <gtest/gtest.h>

#include "win32/Win32EventLoop.h"
#include "win32/Win32TestSupport.h"
#include "win32/Win32Timers.h"

namespace pw::win32 {
namespace {

int g_received = 0;

LRESULT CALLBACK CountingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) {
    ++g_received;
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

class Win32EventLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW wc{};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PwLoopTestTarget";
    RegisterClassW(&wc);
    target_ = CreateWindowExW(0, L"PwLoopTestTarget", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              wc.hInstance, nullptr);
    ASSERT_NE(nullptr, target_);
    g_received = 0;
  }
  void TearDown() override {
    DestroyWindow(target_);
    test::DrainQuit();
  }
  HWND target_ = nullptr;
};

TEST_F(Win32EventLoopTest, DoEventsRunsEveryPendingMessageAndReturns) {
  Win32EventLoop loop;
  for (int i = 0; i < 3; ++i) PostMessageW(target_, WM_APP, 0, 0);
  loop.DoEvents();
  EXPECT_EQ(3, g_received);
  loop.DoEvents();  // an empty queue returns at once
  EXPECT_FALSE(loop.Quitting());
}

TEST_F(Win32EventLoopTest, WaitOneDispatchesOneMessageAndWaitsForTimers) {
  Win32EventLoop loop;
  PostMessageW(target_, WM_APP, 0, 0);
  PostMessageW(target_, WM_APP, 0, 0);
  EXPECT_TRUE(loop.WaitOne());
  EXPECT_EQ(1, g_received);
  EXPECT_TRUE(loop.WaitOne());
  EXPECT_EQ(2, g_received);

  Win32TimerFactory timers(GetModuleHandleW(nullptr));
  bool ticked = false;
  auto timer = timers.CreateTimer([&] { ticked = true; });
  timer->SetInterval(20);
  timer->SetEnabled(true);
  while (!ticked) ASSERT_TRUE(loop.WaitOne());
}

TEST_F(Win32EventLoopTest, AQuitSeenInANestedLoopReachesTheOuterLoops) {
  Win32EventLoop loop;
  PostMessageW(target_, WM_APP, 0, 0);
  PostQuitMessage(7);
  PostMessageW(target_, WM_APP, 0, 0);
  loop.DoEvents();
  EXPECT_TRUE(loop.Quitting());
  EXPECT_FALSE(loop.WaitOne());
  EXPECT_EQ(7, loop.Run());
  // The quit is still in the queue for whichever loop comes next.
  MSG msg;
  EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

}  // namespace
}  // namespace pw::win32
