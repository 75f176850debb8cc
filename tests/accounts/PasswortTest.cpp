#include <gtest/gtest.h>

#include "accounts/Passwort.h"
#include "common/Windows1252.h"

namespace pw {
namespace {

TEST(Passwort, TradesNeighboursInGroupsOfFour) {
  EXPECT_EQ(Passwort::Umwandeln("Mail"), "Nbjo");
  EXPECT_EQ(Passwort::Umwandeln("Nbjo"), "Mail");
  EXPECT_EQ(Passwort::Umwandeln("a"), "b");
  EXPECT_EQ(Passwort::Umwandeln("0"), "3");
  EXPECT_EQ(Passwort::Umwandeln("3"), "0");
  EXPECT_EQ(Passwort::Umwandeln(" "), "#");
  EXPECT_EQ(Passwort::Umwandeln("#"), " ");
  EXPECT_EQ(Passwort::Umwandeln("ä"), "ç");
  EXPECT_EQ(Passwort::Umwandeln("ü"), "ÿ");
  EXPECT_EQ(Passwort::Umwandeln(""), "");
}

TEST(Passwort, EveryCodeOfThePageComesBackAndKeepsItsLength) {
  for (int code = 0; code < 256; ++code) {
    const std::string ch = From1252(std::string(1, static_cast<char>(code)));
    const std::string scrambled = Passwort::Umwandeln(ch);
    EXPECT_EQ(To1252(scrambled), std::string(1, static_cast<char>(code ^ 3))) << code;
    EXPECT_EQ(Passwort::Umwandeln(scrambled), ch) << code;
  }
  // The bytes Windows-1252 leaves undefined travel as U+0081 ... like the others.
  EXPECT_EQ(Passwort::Umwandeln("\xC2\x81"), "‚");
  EXPECT_EQ(Passwort::Umwandeln("\xC2\x9D"), "ž");
}

TEST(Passwort, ACharacterOutsideTheCodePageIsStoredAsTheScrambledQuestionMark) {
  EXPECT_EQ(Passwort::Umwandeln("aΩ"), "b<");
  EXPECT_EQ(Passwort::Umwandeln(Passwort::Umwandeln("aΩ")), "a?");
  EXPECT_TRUE(Passwort::IsStorable("geheim äöü €"));
  EXPECT_TRUE(Passwort::IsStorable(""));
  EXPECT_FALSE(Passwort::IsStorable("ab\x03"));  // scrambles to NUL
  EXPECT_FALSE(Passwort::IsStorable("aΩ"));
}

}  // namespace
}  // namespace pw
