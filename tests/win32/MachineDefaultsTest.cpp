// The server's machine defaults through the real registry: HKLM as a per-machine install leaves
// them, read where the user's own value is missing.
#include <gtest/gtest.h>

#include "registry/SettingsStore.h"
#include "win32/Win32.h"
#include "win32/Win32Registry.h"

namespace pw::win32 {
namespace {

constexpr wchar_t kMachineServer[] = L"SOFTWARE\\Postwacht\\Server";
constexpr wchar_t kUserServer[] = L"Software\\VB and VBA Program Settings\\Mail Postwacht\\Server";

void Put(HKEY root, const wchar_t* key, const wchar_t* name, const wchar_t* value) {
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                 static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
  RegCloseKey(k);
}

void Drop(HKEY root, const wchar_t* key, const wchar_t* name) {
  HKEY k = nullptr;
  if (RegOpenKeyExW(root, key, 0, KEY_SET_VALUE, &k) == ERROR_SUCCESS) {
    RegDeleteValueW(k, name);
    RegCloseKey(k);
  }
}

TEST(MachineDefaults, ReadWhereTheUserHasNoValueAndIgnoredWhereTheUserHasOne) {
  Put(HKEY_LOCAL_MACHINE, kMachineServer, L"PwTestNurMaschine", L"maschine");
  Put(HKEY_LOCAL_MACHINE, kMachineServer, L"PwTestBeide", L"maschine");
  Put(HKEY_CURRENT_USER, kUserServer, L"PwTestBeide", L"benutzer");
  Win32Registry registry;
  SettingsStore settings(registry);
  EXPECT_EQ(settings.GetSetting("Mail Postwacht", "Server", "PwTestNurMaschine", "-"), "maschine");
  EXPECT_EQ(settings.GetSetting("Mail Postwacht", "Server", "PwTestBeide", "-"), "benutzer");
  EXPECT_EQ(settings.GetSetting("Mail Postwacht", "Server", "PwTestKeiner", "-"), "-");
  Drop(HKEY_LOCAL_MACHINE, kMachineServer, L"PwTestNurMaschine");
  Drop(HKEY_LOCAL_MACHINE, kMachineServer, L"PwTestBeide");
  Drop(HKEY_CURRENT_USER, kUserServer, L"PwTestBeide");
}

}  // namespace
}  // namespace pw::win32
