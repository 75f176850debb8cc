#include <gtest/gtest.h>

#include "accounts/AccountStore.h"
#include "common/AppError.h"
#include "substitute/FakeRegistry.h"

namespace pw {
namespace {

const std::string kBenutzer = "Software\\VB and VBA Program Settings\\Mail Postwacht\\Benutzer";

class AccountStoreTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(hive.OpenHandleCount(), 0u); }

  FakeRegistry hive;
  SettingsStore settings{hive};
  AccountStore accounts{settings};
};

TEST_F(AccountStoreTest, AccountsAreWrittenReadListedAndRemoved) {
  EXPECT_THROW(accounts.List(), AppError) << "no Benutzer key yet";
  accounts.Write("Zentrale", "NT-USER", "zentrale");
  accounts.Write("Zentrale", "Angezeigt", "0");
  accounts.Write("buchhaltung", "NT-USER", "buha");
  EXPECT_EQ(accounts.List(), (std::vector<std::string>{"buchhaltung", "Zentrale"}));
  EXPECT_EQ(accounts.Read("ZENTRALE", "NT-USER", ""), "zentrale") << "one account in any case";
  EXPECT_EQ(accounts.Read("buchhaltung", "Angezeigt", "1"), "1");
  EXPECT_EQ(accounts.Read("Niemand", "NT-USER", "-"), "-");
  accounts.Remove("zentrale");
  EXPECT_EQ(accounts.List(), std::vector<std::string>{"buchhaltung"});
  accounts.Write("Zentrale", "NT-USER", "neu");
  EXPECT_EQ(accounts.Read("Zentrale", "Angezeigt", "1"), "1") << "a fresh key after removal";
  accounts.Remove("Zentrale");
  EXPECT_THROW(accounts.Remove("Zentrale"), AppError);
}

TEST_F(AccountStoreTest, HostileNamesNeverReachBeyondTheirOwnAccount) {
  accounts.Write("a", "NT-USER", "a");
  hive.SeedValue(kHkeyCurrentUser, kBenutzer, "", kRegSz, std::string("fremd", 6));
  const std::string before = hive.Dump(kHkeyCurrentUser);
  for (const std::string& name :
       {std::string(""), std::string("\\"), std::string("a\\b"), std::string("\\a"),
        std::string("a\\"), std::string("a\0b", 3), std::string(300, 'n'), std::string(256, 'n'),
        std::string("\xCE\xA9"), std::string("\xE4")}) {
    EXPECT_FALSE(accounts.IsUsableName(name)) << name;
    try {
      accounts.Write(name, "NT-USER", "x");
      ADD_FAILURE() << "written: " << name;
    } catch (const AppError& e) {
      EXPECT_EQ(e.Description(), "Ungültiger Prozeduraufruf oder ungültiges Argument");
    }
    EXPECT_THROW(accounts.Remove(name), AppError) << name;
    EXPECT_EQ(accounts.Read(name, "NT-USER", "default"), "default") << name;
  }
  EXPECT_EQ(hive.Dump(kHkeyCurrentUser), before);

  // Dots are ordinary key names; the longest name the registry documents still works.
  for (const std::string& name : {std::string(".."), std::string("."), std::string(255, 'n')}) {
    ASSERT_TRUE(accounts.IsUsableName(name));
    accounts.Write(name, "PW", "x");
    EXPECT_EQ(accounts.List().size(), 2u) << name;
    accounts.Remove(name);
    EXPECT_EQ(hive.Dump(kHkeyCurrentUser), before);
  }
}

// Windows-1251 as far as these tests need it: the Cyrillic letters at 0xC0-0xFF.
FakeRegistry::UpperHalf Cyrillic() {
  FakeRegistry::UpperHalf half{};
  for (std::size_t i = 0; i < half.size(); ++i) {
    half[i] = static_cast<char32_t>(i < 0x40 ? 0x80 + i : 0x410 + (i - 0x40));
  }
  return half;
}

std::string Repeated(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

TEST_F(AccountStoreTest, NamesAreMeasuredAndCheckedInTheSystemCodePage) {
  // 255 umlauts are 510 bytes of UTF-8 but 255 of the code page, where the limit counts.
  EXPECT_TRUE(accounts.IsUsableName(Repeated("ä", 255)));
  EXPECT_FALSE(accounts.IsUsableName(Repeated("ä", 256)));
  EXPECT_FALSE(accounts.IsUsableName("Анна"));

  hive.SetCodePage(Cyrillic());
  EXPECT_FALSE(accounts.IsUsableName("Müller"));
  EXPECT_TRUE(accounts.IsUsableName(Repeated("я", 255)));
  EXPECT_FALSE(accounts.IsUsableName(Repeated("я", 256)));
  accounts.Write("Анна", "NT-USER", "Главбух");
  EXPECT_EQ(hive.ValueData(kHkeyCurrentUser, kBenutzer + "\\\xC0\xED\xED\xE0", "NT-USER"),
            "\xC3\xEB\xE0\xE2\xE1\xF3\xF5" + std::string(1, '\0'));
  EXPECT_EQ(accounts.Read("АННА", "NT-USER", ""), "Главбух");
  EXPECT_EQ(accounts.List(), std::vector<std::string>{"Анна"});
}

TEST_F(AccountStoreTest, TheScrambledPasswordKeepsItsWindows1252BytesUnderAnyCodePage) {
  hive.SetCodePage(Cyrillic());
  accounts.WritePassword("Анна", "Geheim 1ä");
  // The codes as a system with code page 1252 stores them; as text, "ç" would become "?".
  EXPECT_EQ(hive.ValueData(kHkeyCurrentUser, kBenutzer + "\\\xC0\xED\xED\xE0", "PW"),
            std::string("Dfkfjn#2\xE7", 10));
  EXPECT_EQ(accounts.ReadPassword("Анна"), "Geheim 1ä");
  EXPECT_EQ(accounts.ReadPassword("Niemand"), "");
  EXPECT_EQ(accounts.ReadPassword("a\\b"), "");
}

TEST_F(AccountStoreTest, FlagTextReadsTheWordsAndNumbersOfABoolean) {
  EXPECT_EQ(FlagText(true), "Wahr");
  EXPECT_EQ(FlagText(false), "Falsch");
  for (const char* text : {"Wahr", "WAHR",  "wahr", "True", "tRUE",  " Wahr ", "1",      "-1",
                           "42",   " 007 ", "1.0",  "2.5",  "-0.5",  ".5",     "&H1",    "&hff",
                           "&O7",  "1E2",   "1d-2", "+3",   "\t1\t", "&HFFFF", "&H10000"}) {
    EXPECT_TRUE(FlagFromText(text)) << text;
  }
  for (const char* text : {"Falsch", "FALSCH", "false", "FALSE", "0", "00", "-0", "0.0", "-.0",
                           "&H0", "&O00", "0E5", " 0 ", "1e-999"}) {
    EXPECT_FALSE(FlagFromText(text)) << text;
  }
  for (const char* text :
       {"",   " ",   "ja",  "Wahr!", "-",  ".",   "0x1", "1,5", "1.2.3", "&",
        "&H", "&HG", "&O8", "&12",   "1e", "1e+", "e1",  "1 0", "$1",    "(1)"}) {
    try {
      FlagFromText(text);
      ADD_FAILURE() << "converted: " << text;
    } catch (const AppError& e) {
      EXPECT_EQ(e.Number(), 13) << text;
      EXPECT_EQ(e.Description(), "Typen unverträglich");
    }
  }
}

TEST_F(AccountStoreTest, AttendanceTextIsASixteenBitNumber) {
  auto number = [](const char* text) {
    try {
      return std::to_string(AttendanceFromText(text));
    } catch (const AppError& e) {
      return std::to_string(e.Number()) + " " + e.Description();
    }
  };
  EXPECT_EQ(number("1"), "1");
  EXPECT_EQ(number("0"), "0");
  EXPECT_EQ(number(" 1 "), "1");
  EXPECT_EQ(number("1.0"), "1");
  EXPECT_EQ(number("+1"), "1");
  EXPECT_EQ(number("-1"), "-1");
  EXPECT_EQ(number("&H1"), "1");
  EXPECT_EQ(number("&O10"), "8");
  EXPECT_EQ(number("1E1"), "10");
  // Halves go to the even neighbour; other fractions to the nearest.
  EXPECT_EQ(number("0.5"), "0");
  EXPECT_EQ(number("1.5"), "2");
  EXPECT_EQ(number("2.5"), "2");
  EXPECT_EQ(number("-2.5"), "-2");
  EXPECT_EQ(number("0.51"), "1");
  // Hexadecimal and octal wrap into the sixteen bits.
  EXPECT_EQ(number("&HFFFF"), "-1");
  EXPECT_EQ(number("&H8000"), "-32768");
  EXPECT_EQ(number("&O177777"), "-1");
  EXPECT_EQ(number(" -32768"), "-32768");
  EXPECT_EQ(number("32767"), "32767");
  EXPECT_EQ(number("-32768.5"), "-32768");
  EXPECT_EQ(number("32767.5"), "6 Überlauf");
  EXPECT_EQ(number("32768"), "6 Überlauf");
  EXPECT_EQ(number("-32769"), "6 Überlauf");
  EXPECT_EQ(number("&H10000"), "6 Überlauf");
  EXPECT_EQ(number("&H100000000"), "6 Überlauf");
  EXPECT_EQ(number("1E400"), "6 Überlauf");
  EXPECT_EQ(number("99999999999999999999"), "6 Überlauf");
  EXPECT_EQ(number(""), "13 Typen unverträglich");
  EXPECT_EQ(number("x"), "13 Typen unverträglich");
  EXPECT_EQ(number("Wahr"), "13 Typen unverträglich");
  EXPECT_EQ(number("1,0"), "13 Typen unverträglich");
}

}  // namespace
}  // namespace pw
