#include <gtest/gtest.h>

#include "common/LineBreaks.h"

namespace pw {
namespace {

TEST(BreakLongWords, FingerprintBreaksBetweenItsPairsAndShortWordsStay) {
  const std::string pin =
      "9F:86:D0:81:88:4C:7D:65:9A:2F:EA:A0:C5:5A:D0:15:A3:BF:4F:1B:2B:0B:82:2C:D1:5D:6C:15:B0:"
      "F0:0A:08";
  EXPECT_EQ(BreakLongWords("Fingerabdruck (SHA-256): " + pin + " Ende", 48),
            "Fingerabdruck (SHA-256): 9F:86:D0:81:88:4C:7D:65:9A:2F:EA:A0:C5:5A:D0:15:\n"
            "A3:BF:4F:1B:2B:0B:82:2C:D1:5D:6C:15:B0:F0:0A:08 Ende");
  EXPECT_EQ(BreakLongWords("Kurzer Text\nmit Zeilen", 8), "Kurzer Text\nmit Zeilen");
}

TEST(BreakLongWords, WordsWithoutColonBreakAtTheLimitButNeverInsideACharacter) {
  EXPECT_EQ(BreakLongWords("abcdefghij", 4), "abcd\nefgh\nij");
  // "ä" is two bytes; the break moves in front of it.
  EXPECT_EQ(BreakLongWords("abcäxyz", 4), "abc\näxy\nz");
  EXPECT_EQ(BreakLongWords("", 4), "");
}

}  // namespace
}  // namespace pw
