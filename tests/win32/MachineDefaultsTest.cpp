// The server's machine defaults and the policies through the real registry: HKLM as a
// per-machine install leaves them, read where the user's own value is missing; the policies as
// Group Policy leaves them, read before everything else.
#include <gtest/gtest.h>

#include "registry/SettingsStore.h"
#include "win32/Win32.h"
#include "win32/Win32Registry.h"

namespace pw::win32 {
namespace {

constexpr wchar_t kMachineServer[] = L"SOFTWARE\\Postwacht\\Server";
constexpr wchar_t kUserServer[] = L"Software\\VB and VBA Program Settings\\Mail Postwacht\\Server";
constexpr wchar_t kPolicyServer[] = L"SOFTWARE\\Policies\\Postwacht\\Server";
constexpr wchar_t kPolicyTimer[] = L"SOFTWARE\\Policies\\Postwacht\\Timer";
constexpr wchar_t kUserTimer[] = L"Software\\VB and VBA Program Settings\\Mail Postwacht\\Timer";

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

TEST(MachineDefaults, PoliciesFirstThenTheUsersValueThenTheMachine) {
  const struct {
    HKEY root;
    const wchar_t* key;
    const wchar_t* name;
    const wchar_t* value;
  } seeded[] = {
      {HKEY_LOCAL_MACHINE, kMachineServer, L"PwTestNurMaschine", L"maschine"},
      {HKEY_LOCAL_MACHINE, kMachineServer, L"PwTestBeide", L"maschine"},
      {HKEY_CURRENT_USER, kUserServer, L"PwTestBeide", L"benutzer"},
      {HKEY_LOCAL_MACHINE, kMachineServer, L"PwTestAlle", L"maschine"},
      {HKEY_CURRENT_USER, kUserServer, L"PwTestAlle", L"benutzer"},
      {HKEY_CURRENT_USER, kPolicyServer, L"PwTestAlle", L"benutzer-richtlinie"},
      {HKEY_LOCAL_MACHINE, kPolicyServer, L"PwTestAlle", L"maschinen-richtlinie"},
      {HKEY_CURRENT_USER, kUserServer, L"PwTestNutzerRichtlinie", L"benutzer"},
      {HKEY_CURRENT_USER, kPolicyServer, L"PwTestNutzerRichtlinie", L"benutzer-richtlinie"},
      {HKEY_CURRENT_USER, kUserTimer, L"PwTestTimer", L"30000"},
      {HKEY_LOCAL_MACHINE, kPolicyTimer, L"PwTestTimer", L"120000"},
  };
  for (const auto& v : seeded) Put(v.root, v.key, v.name, v.value);
  Win32Registry registry;
  SettingsStore settings(registry);
  const struct {
    const char* section;
    const char* name;
    const char* expected;
  } cases[] = {
      {"Server", "PwTestNurMaschine", "maschine"},
      {"Server", "PwTestBeide", "benutzer"},
      {"Server", "PwTestKeiner", "-"},
      {"Server", "PwTestAlle", "maschinen-richtlinie"},
      {"Server", "PwTestNutzerRichtlinie", "benutzer-richtlinie"},
      {"Timer", "PwTestTimer", "120000"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(settings.GetSetting("Mail Postwacht", c.section, c.name, "-"), c.expected) << c.name;
  }
  for (const auto& v : seeded) Drop(v.root, v.key, v.name);
}

}  // namespace
}  // namespace pw::win32
