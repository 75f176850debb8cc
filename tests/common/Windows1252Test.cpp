#include <gtest/gtest.h>

#include "common/Windows1252.h"

namespace pw {
namespace {

TEST(Windows1252, EveryByteSurvivesTheRoundTrip) {
  for (int code = 0; code < 256; ++code) {
    std::string byte(1, static_cast<char>(code));
    EXPECT_EQ(To1252(From1252(byte)), byte) << code;
  }
}

TEST(Windows1252, UmlautsAndEuroMapToTheirCodes) {
  EXPECT_EQ(To1252("äöüß€"), "\xE4\xF6\xFC\xDF\x80");
  EXPECT_EQ(From1252("\xC4\x80"), "Ä€");
}

TEST(Windows1252, UndefinedBytesMapToC1Controls) {
  EXPECT_EQ(From1252("\x81"), "\xC2\x81");
  EXPECT_EQ(Cp1252Char(0x9D), U'\u009D');
}

TEST(Windows1252, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ(To1252("Ω漢"), "??");
}

TEST(Windows1252, BrokenUtf8IsTakenByteByByte) { EXPECT_EQ(From1252(To1252("a\xE4z")), "aäz"); }
}  // namespace
}  // namespace pw
