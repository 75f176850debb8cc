// Window search by ANSI title, the text buffers, program start and the file test.
#include <gtest/gtest.h>

#include "common/AppError.h"
#include "win32/Strconv.h"
#include "win32/Win32TestSupport.h"
#include "win32/Win32WindowSystem.h"

namespace pw::win32 {
namespace {

TEST(Win32WindowSystem, FindsAndReadsWindowsByTheirAnsiTitles) {
  PW_REQUIRE_DISPLAY();
  HWND window =
      CreateWindowExW(0, L"STATIC", Widen("Posteingang - Microsoft Outlook Jürgen").c_str(),
                      WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(nullptr, window);
  Win32WindowSystem windows;
  auto handle = reinterpret_cast<WindowHandle>(window);
  EXPECT_EQ(handle, windows.FindWindowA("Posteingang - Microsoft Outlook Jürgen"));
  EXPECT_EQ(0u, windows.FindWindowA("Posteingang - Microsoft Outlook"));
  EXPECT_EQ("Posteingang - Microsoft Outlook Jürgen", windows.GetWindowTextA(handle, 255));
  EXPECT_EQ("Post", windows.GetWindowTextA(handle, 5));  // the buffer holds its NUL too
  EXPECT_EQ("Static", windows.GetClassNameA(handle, 255));

  bool seen = false;
  for (WindowHandle w = windows.GetTopWindow(); w; w = windows.GetNextWindow(w)) {
    seen = seen || w == handle;
  }
  EXPECT_TRUE(seen);
  DestroyWindow(window);
}

TEST(Win32WindowSystem, StartProgramRaisesTheSystemCodeInItsOwnRange) {
  Win32WindowSystem windows;
  const std::string missing = "c:\\programme\\gibt es nicht\\outlook.exe";
  try {
    windows.StartProgram(missing, missing, 3);
    FAIL() << "started a program that does not exist";
  } catch (const AppError& e) {
    EXPECT_TRUE(e.Number() == kSysFileNotFound || e.Number() == kSysPathNotFound) << e.Number();
    EXPECT_EQ(e.Description(), ErrorText(e.Number()));
  }
  wchar_t system[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  EXPECT_NO_THROW(windows.StartProgram(Narrow(system) + "\\cmd.exe", "cmd.exe /c exit", 1));
}

TEST(Win32WindowSystem, FileExistsForFilesOnly) {
  Win32WindowSystem windows;
  wchar_t system[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  std::string dir = Narrow(system);
  EXPECT_TRUE(windows.FileExists(dir + "\\kernel32.dll"));
  EXPECT_FALSE(windows.FileExists(dir));
  EXPECT_FALSE(windows.FileExists(dir + "\\gibt-es-nicht.exe"));
}

TEST(Strconv, CrossesBetweenUtf8AndUtf16) {
  EXPECT_EQ(L"Hinzuf\u00fcgen", Widen("Hinzufügen"));
  EXPECT_EQ("Grüße € 𝄞", Narrow(Widen("Grüße € 𝄞")));
  EXPECT_EQ(std::wstring(), Widen(""));
  EXPECT_EQ(std::string(), Narrow(L""));
}

}  // namespace
}  // namespace pw::win32
