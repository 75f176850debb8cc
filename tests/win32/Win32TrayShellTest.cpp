// The tray record as the shell receives it, and the icon's life in Wine's notification area.
#include <gtest/gtest.h>

#include <cstring>

#include "tray/TrayData.h"
#include "win32/Win32TestSupport.h"
#include "win32/Win32TrayShell.h"

namespace pw::win32 {
namespace {

TrayData Record(HWND window, const std::string& tip) {
  Win32TrayShell shell;
  TrayData data;
  data.cbSize = shell.FirstFormSize();
  data.hWnd = reinterpret_cast<WindowHandle>(window);
  data.uID = 1;
  data.uFlags = kNifMessageIconTip;
  data.uCallbackMessage = kWmMouseMove;
  data.hIcon = reinterpret_cast<IconHandle>(LoadIconW(nullptr, IDI_APPLICATION));
  SetTip(data, tip);
  return data;
}

TEST(Win32TrayShell, CopiesEveryFieldAndTheTipBytesIntoTheFirstRecordForm) {
  EXPECT_EQ(104u, Win32TrayShell().FirstFormSize());  // 64-bit handles
  TrayData data = Record(reinterpret_cast<HWND>(0x1234), "Neue Nachricht für Jürgen!");
  NOTIFYICONDATAA nid = ToNotifyIconData(data);
  EXPECT_EQ(static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE), nid.cbSize);
  EXPECT_EQ(reinterpret_cast<HWND>(0x1234), nid.hWnd);
  EXPECT_EQ(1u, nid.uID);
  EXPECT_EQ(7u, nid.uFlags);
  EXPECT_EQ(512u, nid.uCallbackMessage);
  EXPECT_EQ(reinterpret_cast<HICON>(data.hIcon), nid.hIcon);
  const char expected[] = "Neue Nachricht f\xFCr J\xFCrgen!";
  EXPECT_EQ(0, std::memcmp(nid.szTip, expected, sizeof expected));  // the NUL included
  for (std::size_t i = sizeof expected; i < 64; ++i) EXPECT_EQ(' ', nid.szTip[i]) << i;

  // A tip cut at 64 bytes has no NUL of its own; the shell still finds the end of the field.
  NOTIFYICONDATAA cut = ToNotifyIconData(Record(nullptr, std::string(70, 'x')));
  EXPECT_EQ(std::string(64, 'x'), std::string(cut.szTip, 64));
  EXPECT_EQ('\0', cut.szTip[64]);
}

TEST(Win32TrayShell, IconIsAddedModifiedAndRemoved) {
  PW_REQUIRE_DISPLAY();
  HWND owner = CreateWindowExW(0, L"STATIC", L"tray owner", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(nullptr, owner);
  Win32TrayShell shell;
  TrayData data = Record(owner, "Postwacht bei Ankunft neuer Mails!");
  EXPECT_FALSE(shell.Shell_NotifyIconA(kNimModify, data));  // nothing to modify yet
  EXPECT_TRUE(shell.Shell_NotifyIconA(kNimAdd, data));
  SetTip(data, "Kann Server nicht erreichen!");
  EXPECT_TRUE(shell.Shell_NotifyIconA(kNimModify, data));
  EXPECT_TRUE(shell.Shell_NotifyIconA(kNimDelete, data));
  EXPECT_FALSE(shell.Shell_NotifyIconA(kNimModify, data));
  DestroyWindow(owner);
}

}  // namespace
}  // namespace pw::win32
