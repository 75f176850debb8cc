// The crossings to the system code page under Windows-1251 (Wine in a Russian locale, see
// codepage.sh): account names, the scrambled password, the tray tip and the window search.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "accounts/AccountStore.h"
#include "accounts/Passwort.h"
#include "registry/SettingsStore.h"
#include "tray/TrayData.h"
#include "win32/Strconv.h"
#include "win32/Win32Registry.h"
#include "win32/Win32TestSupport.h"
#include "win32/Win32TrayShell.h"
#include "win32/Win32WindowSystem.h"

namespace pw::win32 {
namespace {

#define PW_REQUIRE_CP1251()                                                                   \
  if (GetACP() != 1251) {                                                                     \
    GTEST_SKIP() << "the system code page is " << GetACP()                                    \
                 << ", not 1251: these run under a Russian locale (tests/win32/codepage.sh)"; \
  }

const std::string kName = "Бухгалтерия Süd";  // "ü" has no place in 1251
const std::string kCyrillicName = "Бухгалтерия";

class SystemCodePage : public ::testing::Test {
 protected:
  void TearDown() override {
    try {
      accounts.Remove(kCyrillicName);
    } catch (const std::exception&) {
      // not written, or already removed
    }
  }

  Win32Registry registry;
  SettingsStore settings{registry};
  AccountStore accounts{settings};
};

TEST_F(SystemCodePage, AccountNamesTravelInTheSystemCodePage) {
  PW_REQUIRE_CP1251();
  EXPECT_EQ(registry.CodePageLength(kCyrillicName), kCyrillicName.size() / 2);
  EXPECT_FALSE(accounts.IsUsableName(kName));
  EXPECT_FALSE(accounts.IsUsableName("Müller"));
  ASSERT_TRUE(accounts.IsUsableName(kCyrillicName));

  accounts.Write(kCyrillicName, "NT-USER", "Главбух");
  EXPECT_EQ(accounts.Read(kCyrillicName, "NT-USER", ""), "Главбух");
  const auto names = accounts.List();
  EXPECT_NE(std::find(names.begin(), names.end(), kCyrillicName), names.end());

  // The key bears the name's own characters, as a Unicode program sees it.
  const std::wstring path =
      L"Software\\VB and VBA Program Settings\\Mail Postwacht\\Benutzer\\" + Widen(kCyrillicName);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
  wchar_t user[32] = {};
  DWORD size = sizeof user;
  EXPECT_EQ(
      RegQueryValueExW(key, L"NT-USER", nullptr, nullptr, reinterpret_cast<BYTE*>(user), &size),
      ERROR_SUCCESS);
  EXPECT_EQ(Narrow(user), "Главбух");
  RegCloseKey(key);
}

TEST_F(SystemCodePage, TheScrambledPasswordKeepsItsWindows1252Bytes) {
  PW_REQUIRE_CP1251();
  const std::string password = "Geheim 1äöüß€";
  accounts.WritePassword(kCyrillicName, password);
  EXPECT_EQ(accounts.ReadPassword(kCyrillicName), password);

  // What RegQueryValueExA gives is the scrambled codes themselves, as on a 1252 system.
  const std::string path = "Software\\VB and VBA Program Settings\\Mail Postwacht\\Benutzer\\" +
                           ToSystemCodePage(kCyrillicName);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
  char stored[64] = {};
  DWORD size = sizeof stored;
  EXPECT_EQ(RegQueryValueExA(key, "PW", nullptr, nullptr, reinterpret_cast<BYTE*>(stored), &size),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(std::string(stored), "Dfkfjn#2\xE7\xF5\xFF\xDC\x83");
  EXPECT_EQ(std::string(stored), Passwort::Speicherform(password));
}

TEST_F(SystemCodePage, TheTrayTipIsCutInTheSystemCodePage) {
  PW_REQUIRE_CP1251();
  TrayData data;
  data.cbSize = Win32TrayShell().FirstFormSize();
  SetTip(data, "Neue Nachricht für Анна!");
  NOTIFYICONDATAA nid = ToNotifyIconData(data);
  const char expected[] = "Neue Nachricht f?r \xC0\xED\xED\xE0!";
  EXPECT_EQ(0, std::memcmp(nid.szTip, expected, sizeof expected));  // the NUL included

  // 63 Cyrillic letters take one byte each and keep their NUL.
  std::string letters;
  for (int i = 0; i < 63; ++i) letters += "я";
  SetTip(data, letters);
  nid = ToNotifyIconData(data);
  EXPECT_EQ(std::string(nid.szTip, 63), std::string(63, '\xFF'));
  EXPECT_EQ('\0', nid.szTip[63]);
}

TEST_F(SystemCodePage, WindowsAreFoundByTheirTitlesInTheSystemCodePage) {
  PW_REQUIRE_CP1251();
  PW_REQUIRE_DISPLAY();
  const std::string title = "Входящие - Microsoft Outlook";
  HWND window = CreateWindowExW(0, L"STATIC", Widen(title).c_str(), WS_POPUP, 0, 0, 1, 1, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(nullptr, window);
  Win32WindowSystem windows;
  auto handle = reinterpret_cast<WindowHandle>(window);
  EXPECT_EQ(handle, windows.FindWindowA(title));
  EXPECT_EQ(title, windows.GetWindowTextA(handle, 255));
  DestroyWindow(window);
}

}  // namespace
}  // namespace pw::win32
