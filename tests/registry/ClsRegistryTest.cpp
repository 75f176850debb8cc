#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "common/AppError.h"
#include "registry/clsRegistry.h"
#include "substitute/FakeRegistry.h"

namespace pw {
namespace {

// "0x80040202 Let Key: Ungültiger Schlüssel", or "ok" when nothing was raised.
std::string Raised(const std::function<void()>& operation) {
  try {
    operation();
  } catch (const AppError& e) {
    char number[16];
    std::snprintf(number, sizeof(number), e.Number() < 0 ? "0x%08X" : "%d",
                  static_cast<unsigned>(e.Number()));
    return std::string(number) + " " + e.Source() + ": " + e.Description();
  }
  return "ok";
}

class ClsRegistryTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(hive.OpenHandleCount(), 0u) << "a handle was left open"; }

  clsRegistry At(const std::string& path) {
    clsRegistry registry(hive);
    registry.Key(path);
    return registry;
  }
  std::string Get(const std::string& path) {
    std::string text;
    std::string error = Raised([&] { text = At(path).getValue(); });
    return error == "ok" ? text : error;
  }
  std::string Set(const std::string& path, const std::string& text, std::int32_t type) {
    return Raised([&] { EXPECT_TRUE(At(path).setValue(text, type)); });
  }

  FakeRegistry hive;
};

TEST_F(ClsRegistryTest, KeyRefusesEmptyAndBackslashAndKeepsItsPath) {
  clsRegistry registry(hive);
  registry.Key("HKCU\\X");
  EXPECT_EQ(Raised([&] { registry.Key(""); }), "0x80040202 Let Key: Ungültiger Schlüssel");
  EXPECT_EQ(Raised([&] { registry.Key("\\"); }), "0x80040202 Let Key: Ungültiger Schlüssel");
  EXPECT_EQ(registry.Key(), "HKCU\\X");
  for (const char* accepted : {"\\\\", "a", "HKCU", " HKCU\\x "}) {
    registry.Key(accepted);
    EXPECT_EQ(registry.Key(), accepted);
  }
  EXPECT_EQ(Raised([&] { registry.KeyExists(true); }), "0x80040207 keyExists: ");
}

TEST_F(ClsRegistryTest, AnObjectWithoutKeyFailsEveryOperation) {
  clsRegistry registry(hive);
  const std::string letKey = "0x80040202 Let Key: Ungültiger Schlüssel";
  EXPECT_EQ(Raised([&] { registry.regEnum(); }), letKey);
  EXPECT_EQ(Raised([&] { registry.getValue(); }), letKey);
  EXPECT_EQ(Raised([&] { registry.setValue("x", 1); }), letKey);
  EXPECT_EQ(Raised([&] { registry.delKey(); }), letKey);
  EXPECT_FALSE(registry.KeyExists());
  EXPECT_TRUE(registry.autoCreate());
}

TEST_F(ClsRegistryTest, RootNamesMatchInAnyCaseInTableOrder) {
  hive.SeedValue(kHkeyCurrentUser, "Software\\X", "v", kRegSz, std::string("eins", 5));
  EXPECT_EQ(Get("hkcu\\Software\\X\\v"), "eins");
  EXPECT_EQ(Get("HKEY_CURRENT_USER\\software\\x\\V"), "eins");
  EXPECT_EQ(Get("HKPD\\Software\\v"), "0x80040203 getRoot: Unbekannter Hauptschlüssel: \"HKPD\"");
  EXPECT_EQ(Get("hkey_Perf\\v"), "0x80040203 getRoot: Unbekannter Hauptschlüssel: \"hkey_Perf\"");
  hive.SeedValue(kHkeyLocalMachine, "Software\\Y", "v", kRegSz, std::string("zwei", 5));
  // Full access is always asked for, so a key the user may only read does not open.
  EXPECT_EQ(Get("HKLM\\Software\\Y\\v"),
            "0x80040204 OpenKey: Kann Schlüssel nicht öffnen \"HKLM\\Software\\Y\", Error # 5");
}

TEST_F(ClsRegistryTest, RegEnumListsSubkeysAfterASeparatorAndValuesWithout) {
  const std::string benutzer = "Software\\VB and VBA Program Settings\\Mail Postwacht\\Benutzer";
  for (const char* name : {"Zentrale", "buchhaltung", "\xC4mter"}) {
    hive.SeedValue(kHkeyCurrentUser, benutzer + "\\" + name, "NT-USER", kRegSz, "x");
  }
  hive.SeedValue(kHkeyCurrentUser, "", "RootValue", kRegSz, "x");
  Collection accounts = At("HKCU\\" + benutzer + "\\").regEnum();
  ASSERT_EQ(accounts.Count(), 3);
  EXPECT_EQ(accounts.Item(1), "buchhaltung");
  EXPECT_EQ(accounts.Item(2), "Zentrale");
  EXPECT_EQ(accounts.Item(3), "Ämter");
  EXPECT_EQ(Raised([&] { accounts.Item(4); }),
            "9 Collection: Index außerhalb des gültigen Bereichs");
  EXPECT_EQ(At("HKCU\\" + benutzer).regEnum().Count(), 0);
  EXPECT_EQ(At("HKCU\\").regEnum().Item(1), "Software");
  EXPECT_EQ(At("HKCU").regEnum().Item(1), "RootValue");
  EXPECT_EQ(At("HKCU\\" + benutzer + "\\Zentrale").regEnum().Item(1), "NT-USER");
  EXPECT_EQ(
      Raised([&] { At("HKCU\\Software\\Nope\\").regEnum(); }),
      "0x80040204 OpenKey: Kann Schlüssel nicht öffnen \"HKCU\\Software\\Nope\\\", Error # 2");
}

TEST_F(ClsRegistryTest, GetValueGivesTheTextFormOfEachType) {
  auto seed = [&](const char* name, std::uint32_t type, const std::string& data) {
    hive.SeedValue(kHkeyCurrentUser, "Software\\T", name, type, data);
  };
  seed("sz", kRegSz, std::string("\xE4\x81 z", 5));
  seed("unterminated", kRegSz, "abc");
  seed("expand", kRegExpandSz, std::string("%PATH%", 7));
  seed("dword", kRegDword, "\xFF\xFF\xFF\xFF");
  seed("order", kRegDword, "\x78\x56\x34\x12");  // little-endian: reads differently swapped
  seed("binary", kRegBinary, std::string("\x00\x0A\xFF", 3));
  seed("multi", kRegMultiSz, std::string("a\0\0", 3));
  seed("empty multi", kRegMultiSz, "");
  seed("", kRegSz, std::string("default", 8));
  hive.SeedValue(kHkeyCurrentUser, "", "top", kRegSz, std::string("oben", 5));
  EXPECT_EQ(Get("HKCU\\Software\\T\\sz"), "ä\xC2\x81 z");
  EXPECT_EQ(Get("HKCU\\Software\\T\\unterminated"), "ab") << "the last byte goes with the NUL";
  EXPECT_EQ(Get("HKCU\\Software\\T\\expand"), "%PATH%");
  EXPECT_EQ(Get("HKCU\\Software\\T\\dword"), "-1");
  EXPECT_EQ(Get("HKCU\\Software\\T\\order"), "305419896");
  EXPECT_EQ(Get("HKCU\\Software\\T\\binary"), "00 0A FF");
  EXPECT_EQ(Get("HKCU\\Software\\T\\empty multi"), "");
  EXPECT_EQ(Get("HKCU\\Software\\T\\"), "default");
  EXPECT_EQ(Get("HKCU\\top"), "oben");
  EXPECT_EQ(Get("HKCU\\Software\\T\\multi"),
            "0x80040208 getValue: Kann Schlüssel nicht lesen \"HKCU\\Software\\T\\multi\"");
  EXPECT_EQ(Get("HKCU\\Software\\T\\missing"),
            "0x80040208 getValue: Kann Schlüssel nicht lesen \"HKCU\\Software\\T\\missing\"");
  EXPECT_EQ(Get("HKCU"), "0x80040202 getValue: Ungültiger Schlüssel: \"HKCU\"");
}

TEST_F(ClsRegistryTest, SetValueWritesTheBytesOfEachTextForm) {
  auto stored = [&](const char* name) {
    return hive.ValueData(kHkeyCurrentUser, "Software\\New\\Deeper", name).value_or("absent");
  };
  EXPECT_EQ(Set("HKCU\\Software\\New\\Deeper\\sz", "äb", 1), "ok");
  EXPECT_EQ(stored("sz"), std::string("\xE4"
                                      "b",
                                      3));
  EXPECT_EQ(Set("HKCU\\Software\\New\\Deeper\\bin", "0a ff", 3), "ok");
  EXPECT_EQ(stored("bin"), "\x0A\xFF");
  EXPECT_EQ(Set("HKCU\\Software\\New\\Deeper\\bin", " 01 ", 3), "ok");
  EXPECT_EQ(stored("bin"), "\x01");
  EXPECT_EQ(Set("HKCU\\Software\\New\\Deeper\\bin", "", 3), "ok");
  EXPECT_EQ(stored("bin"), "");
  EXPECT_EQ(Set("HKCU\\Software\\New\\Deeper\\dw", "-1", 4), "ok");
  EXPECT_EQ(stored("dw"), "\xFF\xFF\xFF\xFF");
  EXPECT_EQ(Set("HKCU\\Software\\New\\Deeper\\dw", "305419896", 4), "ok");  // 0x12345678
  EXPECT_EQ(stored("dw"), "\x78\x56\x34\x12");
  EXPECT_EQ(Set("HKCU\\Software\\New\\Deeper\\bin", "FF 00", 3), "ok");  // 255 is the limit
  EXPECT_EQ(stored("bin"), std::string("\xFF\x00", 2));
  EXPECT_EQ(Set("HKCU\\Software\\New\\Deeper\\expand", "%X%", 2), "ok");
  EXPECT_EQ(stored("expand"), "absent") << "types other than 1, 3 and 4 write nothing";
  EXPECT_EQ(Set("HKCU\\top", "oben", 1), "ok");
  EXPECT_EQ(hive.ValueData(kHkeyCurrentUser, "", "top"), std::string("oben", 5));

  const std::string path = "HKCU\\Software\\New\\Deeper\\bin";
  hive.SeedValue(kHkeyCurrentUser, "Software\\New\\Deeper", "bin", kRegBinary,
                 std::string("\x00\x7F\x80", 3));
  std::string text = Get(path);
  EXPECT_EQ(Set(path, text, 3), "ok");
  EXPECT_EQ(stored("bin"), std::string("\x00\x7F\x80", 3)) << "getValue's text writes back";

  EXPECT_EQ(Set(path, "1FF", 3),
            "0x8004020C setValue: Ungültige Binärzahl (größer als 255): \"1FF \"");
  EXPECT_NE(Set(path, "100", 3), "ok");
  EXPECT_EQ(Set(path, "0A  0B", 3), "13 setValue: Typen unverträglich");
  EXPECT_EQ(Set(path, "0G", 3), "13 setValue: Typen unverträglich");
  EXPECT_EQ(Set(path, "12x", 4), "13 setValue: Typen unverträglich");
  EXPECT_EQ(Set(path, "2147483648", 4), "6 setValue: Überlauf");
  EXPECT_EQ(Set("HKCU", "x", 1), "0x80040202 setValue: Ungültiger Schlüssel: \"HKCU\"");
}

// setValue answers whether the value was written: false, without an error, when the registry
// opens the key but refuses the value.
TEST_F(ClsRegistryTest, SetValueAnswersFalseWhenTheWriteIsRefused) {
  struct Refusing : FakeRegistry {
    long RegSetValueExA(HKey, const std::string&, std::uint32_t, const std::uint8_t*,
                        std::uint32_t) override {
      return kErrorAccessDenied;
    }
  } refusing;
  clsRegistry registry(refusing);
  for (std::int32_t type : {1, 3, 4}) {
    registry.Key("HKCU\\Software\\Locked\\v");
    bool written = true;
    EXPECT_EQ(Raised([&] { written = registry.setValue("01", type); }), "ok");
    EXPECT_FALSE(written) << type;
  }
  EXPECT_EQ(refusing.OpenHandleCount(), 0u);
}

TEST_F(ClsRegistryTest, SetValueWithoutAutoCreateWritesOnlyReadableValues) {
  hive.SeedValue(kHkeyCurrentUser, "Software\\K", "there", kRegSz, std::string("a", 2));
  clsRegistry registry = At("HKCU\\Software\\K\\new");
  registry.autoCreate(false);
  EXPECT_EQ(Raised([&] { registry.setValue("b", 1); }),
            "0x80040205 setValue: Schlüssel wird nicht angelegt");
  registry.Key("HKCU\\Software\\K\\there");
  EXPECT_TRUE(registry.setValue("b", 1));
  EXPECT_EQ(hive.ValueData(kHkeyCurrentUser, "Software\\K", "there"), std::string("b", 2));
  // A key that cannot be created or opened for writing.
  EXPECT_EQ(Set("HKLM\\Software\\K\\v", "x", 1),
            "0x8004020F setValue: Fehler beim Erstellen/Zugriff auf Schlüssel "
            "\"HKLM\\Software\\K\\v\" Error #: 5");
}

TEST_F(ClsRegistryTest, DelKeyDropsTheTrailingSeparatorFromKey) {
  hive.SeedValue(kHkeyCurrentUser, "Software\\X", "v", kRegSz, "x");
  clsRegistry registry = At("HKCU\\Software\\X\\");
  EXPECT_EQ(registry.delKey(), 0);
  EXPECT_EQ(registry.Key(), "HKCU\\Software\\X");
  EXPECT_FALSE(hive.HasKey(kHkeyCurrentUser, "Software\\X"));
  EXPECT_EQ(registry.delKey(), kErrorFileNotFound) << "now the value X of HKCU\\Software";

  hive.SeedKey(kHkeyCurrentUser, "Software\\P\\C");
  EXPECT_EQ(At("HKCU\\Software\\P\\").delKey(), kErrorAccessDenied);
  hive.SeedValue(kHkeyCurrentUser, "Software\\P", "v", kRegSz, "x");
  EXPECT_EQ(At("HKCU\\Software\\P\\v").delKey(), 0);
  EXPECT_EQ(At("HKCU\\Software\\P\\v").delKey(), kErrorFileNotFound);

  registry.Key("HKCU\\");
  EXPECT_EQ(Raised([&] { registry.delKey(); }), "0x80040202 delKey: Ungültiger Schlüssel!");
  EXPECT_EQ(registry.Key(), "HKCU");
  registry.Key("HKCU\\Software\\\\");
  EXPECT_EQ(Raised([&] { registry.delKey(); }), "0x80040202 delKey: Ungültiger Schlüssel!");
  EXPECT_EQ(registry.Key(), "HKCU\\Software\\");
}

TEST_F(ClsRegistryTest, KeyExistsOpensKeysAndReadsValues) {
  hive.SeedValue(kHkeyCurrentUser, "Software\\E", "v", kRegSz, "x");
  hive.SeedValue(kHkeyCurrentUser, "Software\\E", "m", kRegMultiSz, "x");
  EXPECT_TRUE(At("HKCU\\Software\\E\\").KeyExists());
  EXPECT_TRUE(At("HKCU\\").KeyExists());
  EXPECT_FALSE(At("HKCU\\Software\\None\\").KeyExists());
  EXPECT_TRUE(At("HKCU\\Software\\E\\v").KeyExists());
  EXPECT_FALSE(At("HKCU\\Software\\E\\m").KeyExists()) << "a value without a text form";
  EXPECT_FALSE(At("HKCU\\Software\\E\\w").KeyExists());
  EXPECT_FALSE(At("HKXX\\Software\\E\\").KeyExists());
}

}  // namespace
}  // namespace pw
