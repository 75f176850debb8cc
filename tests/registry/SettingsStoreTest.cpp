#include <gtest/gtest.h>

#include "common/AppError.h"
#include "platform/substitute/FakeRegistry.h"
#include "registry/SettingsStore.h"

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

}  // namespace
}  // namespace pw
