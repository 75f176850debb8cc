#include "common/Ansi.h"

#include <gtest/gtest.h>

namespace pw {
namespace {

TEST(Ansi, EveryByteSurvivesTheRoundTrip) {
  for (int code = 0; code < 256; ++code) {
    std::string byte(1, static_cast<char>(code));
    EXPECT_EQ(ToAnsi(FromAnsi(byte)), byte) << code;
  }
}

TEST(Ansi, UmlautsAndEuroMapToTheirCodes) {
  EXPECT_EQ(ToAnsi("äöüß€"), "\xE4\xF6\xFC\xDF\x80");
  EXPECT_EQ(FromAnsi("\xC4\x80"), "Ä€");
}

TEST(Ansi, UndefinedBytesMapToC1Controls) {
  EXPECT_EQ(FromAnsi("\x81"), "\xC2\x81");
  EXPECT_EQ(AnsiChar(0x9D), U'\u009D');
}

TEST(Ansi, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ(ToAnsi("Ω漢"), "??");
}

TEST(Ansi, BrokenUtf8IsTakenByteByByte) {
  EXPECT_EQ(FromAnsi(ToAnsi("a\xE4z")), "aäz");
}

TEST(Ansi, UpperCaseFoldsUmlauts) {
  EXPECT_EQ(AnsiUpper(ToAnsi("benutzer äöü ÿ")), ToAnsi("BENUTZER ÄÖÜ Ÿ"));
}

}  // namespace
}  // namespace pw
