// Helpers for the tests of the Win32 layer: running the message loop for a while.
#pragma once

#include <functional>
#include <string>

#include "win32/Win32Gui.h"

namespace pw::win32::test {

// postwacht.exe as the build put it beside (or one folder above) the test program; empty when
// it was not built.
inline std::wstring BuiltProgram() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring dir(self);
  dir.resize(dir.find_last_of(L"\\/"));
  for (const wchar_t* relative : {L"\\postwacht.exe", L"\\..\\postwacht.exe"}) {
    const std::wstring path = dir + relative;
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return path;
  }
  return {};
}

// Dispatches messages until the condition holds or the time is up; answers the condition.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return done();
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
      if (done()) return true;
    }
    if (done()) return true;
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
  }
}

inline void PumpFor(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

// Drops a WM_QUIT a test has left in the queue.
inline void DrainQuit() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

inline void InitControls() {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC =
      ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES;
  InitCommonControlsEx(&controls);
}

// Windows need a display (under Wine an X server); the GUI tests skip without one.
inline bool HaveDisplay() {
  static const bool have = [] {
    HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    if (!probe) return false;
    DestroyWindow(probe);
    return true;
  }();
  return have;
}

#define PW_REQUIRE_DISPLAY()                                             \
  do {                                                                   \
    if (!::pw::win32::test::HaveDisplay()) GTEST_SKIP() << "no display"; \
  } while (0)

}  // namespace pw::win32::test
