#include <gtest/gtest.h>

#include "common/AppError.h"
#include "registry/SettingsStore.h"
#include "substitute/FakeRegistry.h"

namespace pw {
namespace {

const std::string kApp = "Software\\VB and VBA Program Settings\\Mail Postwacht";

class SettingsStoreTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(hive.OpenHandleCount(), 0u); }

  FakeRegistry hive;
  SettingsStore settings{hive};
};

TEST_F(SettingsStoreTest, SaveCreatesTheKeysAndWritesAnAnsiString) {
  EXPECT_EQ(settings.GetSetting("Mail Postwacht", "Pos", "Left", "120"), "120");
  settings.SaveSetting("Mail Postwacht", "Pos", "Left", "Größe 1");
  EXPECT_EQ(hive.ValueData(kHkeyCurrentUser, kApp + "\\Pos", "Left"), std::string("Gr\xF6\xDF"
                                                                                  "e 1",
                                                                                  8));
  EXPECT_EQ(settings.GetSetting("mail postwacht", "POS", "left", "120"), "Größe 1");
  EXPECT_EQ(settings.GetSetting("Mail Postwacht", "Pos", "Top", "0"), "0");
  EXPECT_EQ(settings.GetSetting("Mail Postwacht", "Timer", "Timer1", "60000"), "60000");
}

TEST_F(SettingsStoreTest, ReadingTakesTheTextUpToItsNulAndOnlyFromStrings) {
  hive.SeedValue(kHkeyCurrentUser, kApp + "\\Timer", "Timer1", kRegSz, "30000");
  hive.SeedValue(kHkeyCurrentUser, kApp + "\\Timer", "Cut", kRegSz,
                 std::string("1\0"
                             "2",
                             4));
  hive.SeedValue(kHkeyCurrentUser, kApp + "\\Timer", "Dword", kRegDword, "\x10\0\0\0");
  EXPECT_EQ(settings.GetSetting("Mail Postwacht", "Timer", "Timer1", "60000"), "30000");
  EXPECT_EQ(settings.GetSetting("Mail Postwacht", "Timer", "Cut", "x"), "1");
  EXPECT_EQ(settings.GetSetting("Mail Postwacht", "Timer", "Dword", "x"), "x");
  EXPECT_EQ(settings.GetSetting("Mail Postwacht", "", "Timer1", "x"), "x");
}

TEST_F(SettingsStoreTest, DeleteRemovesTheSectionWithAllItHoldsAndNothingBeside) {
  settings.SaveSetting("Mail Postwacht", "Pos", "Left", "1");
  settings.SaveSetting("Mail Postwacht", "Timer", "Timer1", "1");
  hive.SeedValue(kHkeyCurrentUser, kApp + "\\Pos\\Inner", "x", kRegSz, "1");
  settings.DeleteSetting("Mail Postwacht", "pos");
  EXPECT_FALSE(hive.HasKey(kHkeyCurrentUser, kApp + "\\Pos"));
  EXPECT_EQ(settings.GetSetting("Mail Postwacht", "Timer", "Timer1", "x"), "1");
  for (const char* section : {"Pos", "", "\\"}) {
    EXPECT_THROW(settings.DeleteSetting("Mail Postwacht", section), AppError) << section;
  }
  EXPECT_TRUE(hive.HasKey(kHkeyCurrentUser, kApp + "\\Timer"));
  EXPECT_THROW(settings.DeleteSetting("Nie gespeichert", "Pos"), AppError);
}

TEST_F(SettingsStoreTest, AFailingSaveRaises) {
  hive.DenyWrites(kHkeyCurrentUser, "Software");
  try {
    settings.SaveSetting("Mail Postwacht", "Pos", "Left", "1");
    FAIL() << "no error";
  } catch (const AppError& e) {
    EXPECT_EQ(e.Number(), 5);
    EXPECT_EQ(e.Source(), "SaveSetting");
    EXPECT_EQ(e.Description(), "Ungültiger Prozeduraufruf oder ungültiges Argument");
  }
  EXPECT_THROW(settings.SaveSetting("Mail Postwacht", "", "Left", "1"), AppError);
}

// The order of "Server" and "Timer": the machine's policy, the user's policy, the user's own
// value, the machine's default (the server only); value by value, and only for this program.
TEST_F(SettingsStoreTest, PoliciesThenTheUsersValueThenTheMachineDefaults) {
  const std::string machine = "SOFTWARE\\Postwacht\\Server";
  const std::string policy = "SOFTWARE\\Policies\\Postwacht";
  hive.SeedValue(kHkeyLocalMachine, machine, "Host", kRegSz, "mail.buero.example");
  hive.SeedValue(kHkeyLocalMachine, machine, "Port", kRegSz, "993");
  hive.SeedValue(kHkeyLocalMachine, machine, "Neu-OAuth", kRegSz, "ja");
  hive.SeedValue(kHkeyLocalMachine, "SOFTWARE\\Postwacht\\Timer", "Timer1", kRegSz, "5");
  EXPECT_EQ(settings.GetSetting("Mail Postwacht", "Server", "Host", "localhost"),
            "mail.buero.example");  // no user key at all

  hive.SeedValue(kHkeyCurrentUser, kApp + "\\Server", "Port", kRegSz, "143");
  hive.SeedValue(kHkeyCurrentUser, kApp + "\\Server", "Sicherheit", kRegSz, "");
  hive.SeedValue(kHkeyCurrentUser, kApp + "\\Server", "Host", kRegDword, "\x10\0\0\0");
  hive.SeedValue(kHkeyCurrentUser, kApp + "\\Server", "Anmeldung", kRegSz, "Kennwort");
  hive.SeedValue(kHkeyCurrentUser, kApp + "\\Server", "Gleichzeitig", kRegSz, "2");
  hive.SeedValue(kHkeyCurrentUser, kApp + "\\Timer", "Timer1", kRegSz, "30000");
  hive.SeedValue(kHkeyCurrentUser, kApp + "\\Pos", "Left", kRegSz, "10");
  hive.SeedValue(kHkeyLocalMachine, policy + "\\Server", "Anmeldung", kRegSz, "OAuth2");
  hive.SeedValue(kHkeyCurrentUser, policy + "\\Server", "Anmeldung", kRegSz, "Kennwort");
  hive.SeedValue(kHkeyCurrentUser, policy + "\\Server", "Absender anzeigen", kRegSz, "Nein");
  hive.SeedValue(kHkeyLocalMachine, policy + "\\Server", "Gleichzeitig", kRegDword, "\4\0\0\0");
  hive.SeedValue(kHkeyCurrentUser, policy + "\\Timer", "Timer1", kRegSz, "120000");
  hive.SeedValue(kHkeyLocalMachine, policy + "\\Pos", "Left", kRegSz, "99");
  // The program's own writes go to the user's key and change nothing of a policy.
  settings.SaveSetting("Mail Postwacht", "Server", "Absender anzeigen", "Ja");
  const struct {
    const char* section;
    const char* value;
    const char* expected;
  } cases[] = {
      {"Server", "Anmeldung", "OAuth2"},         // the machine's policy wins over the user's
      {"server", "absender anzeigen", "Nein"},   // the user's policy over the user's value
      {"Server", "Gleichzeitig", "2"},           // a policy of the wrong type is none
      {"TIMER", "Timer1", "120000"},             // the interval has its policy too
      {"Pos", "Left", "10"},                     // other sections have no policies
      {"Server", "Port", "143"},                 // the user's value over the machine default
      {"server", "Sicherheit", ""},              // an empty value of the user's is a value
      {"Server", "Host", "mail.buero.example"},  // a value of the wrong type is none
      {"SERVER", "neu-oauth", "ja"},             // any value name of the section
      {"Server", "Zertifikat-SHA256", "-"},      // in none: the default
      {"Timer", "Timer2", "-"},                  // other sections have no machine defaults
  };
  for (const auto& c : cases) {
    EXPECT_EQ(settings.GetSetting("Mail Postwacht", c.section, c.value, "-"), c.expected)
        << c.section << "\\" << c.value;
  }
  EXPECT_EQ(settings.GetSetting("Andere App", "Server", "Host", "-"), "-");
  EXPECT_EQ(settings.GetSetting("Andere App", "Server", "Anmeldung", "-"), "-");
  EXPECT_EQ(hive.ValueData(kHkeyCurrentUser, kApp + "\\Server", "Absender anzeigen"),
            std::string("Ja", 3));
}

}  // namespace
}  // namespace pw
