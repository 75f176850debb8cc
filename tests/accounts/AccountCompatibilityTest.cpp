// Accounts as existing installations left them in the registry read back unchanged.
#include <gtest/gtest.h>

#include <algorithm>

#include "accounts/AccountStore.h"
#include "accounts/Passwort.h"
#include "common/Windows1252.h"
#include "substitute/FakeRegistry.h"

namespace pw {
namespace {

const std::string kSettings = "Software\\VB and VBA Program Settings\\Mail Postwacht";

class AccountCompatibility : public ::testing::Test {
 protected:
  // A REG_SZ the way the old tool wrote it: the ANSI bytes and a NUL.
  void Seed(const std::string& account, const char* name, const std::string& ansi) {
    hive.SeedValue(kHkeyCurrentUser, kSettings + "\\Benutzer\\" + account, name, kRegSz,
                   ansi + '\0');
  }

  FakeRegistry hive;
  SettingsStore settings{hive};
  AccountStore accounts{settings};
};

TEST_F(AccountCompatibility, StoredAccountsReadBackWithTheirValues) {
  hive.SeedValue(kHkeyCurrentUser, kSettings + "\\Pos", "Left", kRegSz, std::string("1200", 5));
  // "Geheim 1ä" and "Lager!" scrambled with mask 3 on Windows-1252.
  Seed("Zentrale", "NT-USER", "zentrale");
  Seed("Zentrale", "PW", "Dfkfjn#2\xE7");
  Seed("Zentrale", "Mail-Client-OL", "Wahr");
  Seed("Zentrale", "Mail-Client-TE", "Falsch");
  Seed("Zentrale", "Mail-Client-TE-Name", "");
  Seed("Zentrale", "Angezeigt", "0");
  Seed(
      "K\xFC"
      "che",
      "NT-USER",
      "k\xFC"
      "che");
  Seed(
      "K\xFC"
      "che",
      "PW", "Obdfq\"");
  Seed(
      "K\xFC"
      "che",
      "Mail-Client-OL", "Falsch");
  Seed(
      "K\xFC"
      "che",
      "Mail-Client-TE", "Wahr");
  Seed(
      "K\xFC"
      "che",
      "Mail-Client-TE-Name",
      "TS K\xFC"
      "che");
  Seed(
      "K\xFC"
      "che",
      "Angezeigt", "1");
  Seed("Lager", "NT-USER", "lager");

  ASSERT_EQ(accounts.List(), (std::vector<std::string>{"Küche", "Lager", "Zentrale"}));
  EXPECT_EQ(Passwort::Umwandeln(accounts.Read("Zentrale", "PW", "")), "Geheim 1ä");
  EXPECT_EQ(Passwort::Umwandeln(accounts.Read("küche", "PW", "")), "Lager!");
  EXPECT_EQ(accounts.Read("Küche", "NT-USER", ""), "küche");
  EXPECT_TRUE(FlagFromText(accounts.Read("Zentrale", "Mail-Client-OL", "Falsch")));
  EXPECT_FALSE(FlagFromText(accounts.Read("Zentrale", "Mail-Client-TE", "Falsch")));
  EXPECT_FALSE(FlagFromText(accounts.Read("Küche", "Mail-Client-OL", "Falsch")));
  EXPECT_TRUE(FlagFromText(accounts.Read("Küche", "Mail-Client-TE", "Falsch")));
  EXPECT_EQ(accounts.Read("Küche", "Mail-Client-TE-Name", ""), "TS Küche");
  EXPECT_EQ(AttendanceFromText(accounts.Read("Zentrale", "Angezeigt", "1")), 0);
  EXPECT_EQ(AttendanceFromText(accounts.Read("Küche", "Angezeigt", "1")), 1);
  EXPECT_EQ(AttendanceFromText(accounts.Read("Lager", "Angezeigt", "1")), 1);
  EXPECT_EQ(Passwort::Umwandeln(accounts.Read("Lager", "PW", "")), "");
  EXPECT_FALSE(FlagFromText(accounts.Read("Lager", "Mail-Client-OL", "Falsch")));
}

TEST_F(AccountCompatibility, AStoredPasswordKeepsEveryByteItWasWrittenWith) {
  std::string password;
  for (int code = 0; code < 256; ++code) {
    if (code != 3) password.push_back(static_cast<char>(code));
  }
  password = From1252(password);
  accounts.Write("Alle", "PW", Passwort::Umwandeln(password));
  // What reaches the registry is every code but NUL, each once, and the terminating NUL.
  std::string stored =
      hive.ValueData(kHkeyCurrentUser, kSettings + "\\Benutzer\\Alle", "PW").value_or("");
  ASSERT_EQ(stored.size(), 256u);
  EXPECT_EQ(stored.back(), '\0');
  stored.pop_back();
  std::sort(stored.begin(), stored.end(), [](char a, char b) {
    return static_cast<unsigned char>(a) < static_cast<unsigned char>(b);
  });
  for (int code = 1; code < 256; ++code) {
    EXPECT_EQ(static_cast<unsigned char>(stored[code - 1]), code);
  }
  EXPECT_EQ(Passwort::Umwandeln(accounts.Read("Alle", "PW", "")), password);
}

}  // namespace
}  // namespace pw
