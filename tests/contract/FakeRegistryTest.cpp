// What the substitute does beyond the contract: where Wine is not Windows, and its test helpers.
#include <gtest/gtest.h>

#include <vector>

#include "substitute/FakeRegistry.h"

namespace pw {
namespace {

std::vector<std::string> SubKeys(FakeRegistry& hive, HKey key) {
  std::vector<std::string> names;
  char name[300];
  std::uint32_t length = sizeof(name);
  for (std::uint32_t i = 0; hive.RegEnumKeyExA(key, i, name, &length) == kErrorSuccess; ++i) {
    names.emplace_back(name, length);
    length = sizeof(name);
  }
  return names;
}

TEST(FakeRegistry, SubkeysSortByTheirUpperCaseAsOnWindows) {
  FakeRegistry hive;
  HKey key = 0;
  ASSERT_EQ(hive.RegCreateKeyExA(kHkeyCurrentUser, "Software\\O", 0, kKeyAllAccess, &key, nullptr),
            kErrorSuccess);
  // Wine lower-cases and would put "_" and "[" before the letters, "ß" before "Ä" and "ÿ"
  // before "Š".
  for (const char* name : {"_x", "b", "[", "Z", "ß", "Ä", "ÿ", "Š", "µ", "€"}) {
    HKey child = 0;
    ASSERT_EQ(hive.RegCreateKeyExA(key, name, 0, kKeyAllAccess, &child, nullptr), kErrorSuccess);
    hive.RegCloseKey(child);
  }
  EXPECT_EQ(SubKeys(hive, key),
            (std::vector<std::string>{"b", "Z", "[", "_x", "Ä", "ß", "Š", "ÿ", "µ", "€"}));
  hive.RegCloseKey(key);
  EXPECT_EQ(hive.OpenHandleCount(), 0u);
}

TEST(FakeRegistry, ValuesEnumerateInTheOrderTheyWereMade) {
  FakeRegistry hive;
  for (const char* name : {"b", "A", "c"}) hive.SeedValue(kHkeyCurrentUser, "S", name, kRegSz, "");
  HKey key = 0;
  ASSERT_EQ(hive.RegOpenKeyExA(kHkeyCurrentUser, "S", 0, kKeyAllAccess, &key), kErrorSuccess);
  ASSERT_EQ(hive.RegDeleteValueA(key, "b"), kErrorSuccess);
  ASSERT_EQ(hive.RegSetValueExA(key, "a", kRegSz, nullptr, 0), kErrorSuccess);
  ASSERT_EQ(hive.RegSetValueExA(key, "B", kRegSz, nullptr, 0), kErrorSuccess);
  std::vector<std::string> names;
  char name[16];
  std::uint32_t length = sizeof(name);
  for (std::uint32_t i = 0; hive.RegEnumValueA(key, i, name, &length) == kErrorSuccess; ++i) {
    names.emplace_back(name, length);
    length = sizeof(name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"A", "c", "B"}));
  EXPECT_EQ(hive.OpenHandleCount(), 1u);
  hive.RegCloseKey(key);
  EXPECT_EQ(hive.OpenHandleCount(), 0u);
}

TEST(FakeRegistry, TheMachineHiveIsReadOnlyForAnOrdinaryUser) {
  FakeRegistry hive;
  hive.SeedValue(kHkeyLocalMachine, "Software\\Microsoft\\Shared Tools\\MSInfo", "Path", kRegSz,
                 std::string("C:\\msinfo32.exe", 16));
  HKey key = 0;
  EXPECT_EQ(hive.RegOpenKeyExA(kHkeyLocalMachine, "software\\microsoft\\shared tools\\msinfo", 0,
                               kKeyAllAccess, &key),
            kErrorAccessDenied);
  EXPECT_EQ(key, 0u);
  EXPECT_EQ(hive.RegCreateKeyExA(kHkeyLocalMachine, "Software\\New", 0, kKeyRead, &key, nullptr),
            kErrorAccessDenied);
  EXPECT_EQ(hive.RegSetValueExA(kHkeyLocalMachine, "v", kRegSz, nullptr, 0), kErrorAccessDenied);
  ASSERT_EQ(hive.RegOpenKeyExA(kHkeyLocalMachine, "Software\\Microsoft\\Shared Tools\\MSInfo", 0,
                               kKeyRead, &key),
            kErrorSuccess);
  std::uint8_t data[32];
  std::uint32_t size = sizeof(data);
  EXPECT_EQ(hive.RegQueryValueExA(key, "Path", nullptr, data, &size), kErrorSuccess);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), std::string("C:\\msinfo32.exe", 16));
  EXPECT_EQ(hive.RegDeleteValueA(key, "Path"), kErrorAccessDenied);
  hive.RegCloseKey(key);
  hive.AllowAllWrites();
  EXPECT_EQ(
      hive.RegCreateKeyExA(kHkeyLocalMachine, "Software\\New", 0, kKeyAllAccess, &key, nullptr),
      kErrorSuccess);
  hive.RegCloseKey(key);
  EXPECT_EQ(hive.OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace pw
