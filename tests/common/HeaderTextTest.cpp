// Header texts as mail programs wrote them, decoded and cleaned the way the desk sees them.
#include <gtest/gtest.h>

#include "common/HeaderText.h"

namespace pw {
namespace {

TEST(HeaderText, RealWorldHeadersDecodeToWhatTheDeskReads) {
  struct Case {
    const char* raw;
    const char* shown;
  };
  const Case cases[] = {
      // Outlook, Q and B, UTF-8
      {"=?utf-8?Q?Rechnung_f=C3=BCr_Dezember?=", "Rechnung für Dezember"},
      {"=?utf-8?B?QsO8cm8gQW5uYQ==?=", "Büro Anna"},
      // Thunderbird: a long subject split into adjacent words, folded, a character cut in two
      {"=?UTF-8?Q?Gr=C3=BC=C3=9Fe_aus_M?=\r\n =?UTF-8?Q?=C3=BCnchen?=", "Grüße aus München"},
      {"=?UTF-8?B?w6Q=?= =?UTF-8?B?w7Y=?=", "äö"},
      {"=?UTF-8?B?4oKs?==?UTF-8?B?IDEw?=", "€ 10"},
      // Latin-1, Latin-9 and Windows-1252 (labelled Latin-1, as many programs do)
      {"=?ISO-8859-1?Q?Finanzamt_M=FCnchen?=", "Finanzamt München"},
      {"=?iso-8859-15?q?Preis_=A4_5?=", "Preis € 5"},
      {"=?ISO-8859-1?Q?=84Angebot=93?=", "„Angebot“"},
      {"=?windows-1252?Q?Caf=E9?= und mehr", "Café und mehr"},
      {"=?us-ascii?Q?plain?=", "plain"},
      // an RFC 2231 language, lower-case encoding letter, text around the words
      {"Re: =?utf-8*de?b?QW5nZWJvdA==?= (2)", "Re: Angebot (2)"},
      // RFC 6532: raw UTF-8; raw 8-bit that is no UTF-8 reads as Windows-1252
      {"Größe", "Größe"},
      {"Gr\xF6\xDF"
       "e",
       "Größe"},
      // broken: unknown charset kept, unfinished word kept, blanks inside a word end it
      {"=?x-unknown?Q?abc?=", "=?x-unknown?Q?abc?="},
      {"=?utf-8?Q?offen", "=?utf-8?Q?offen"},
      {"=?utf-8?Q?mit Blank?=", "=?utf-8?Q?mit Blank?="},
      {"=?utf-8?B?w6\xff"
       "Q=?=",
       "ä"},
      // what must never reach a window: controls, bidirectional overrides, invalid UTF-8
      {"=?utf-8?Q?Rechnung=E2=80=AEfdp.exe?=", "Rechnungfdp.exe"},
      {"A\tB\r\n\tC\x01\x7f D", "A B C D"},
      {"=?utf-8?B?wA==?=x", "\xEF\xBF\xBDx"},
      {"  viele    Blanks  ", "viele Blanks"},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CleanForDisplay(DecodeHeader(c.raw)), c.shown) << c.raw;
  }
}

TEST(HeaderText, LongTextsEndInDotsAndKeepWholeCharacters) {
  EXPECT_EQ(Shorten("Steuerbescheid", 20), "Steuerbescheid");
  EXPECT_EQ(Shorten("Steuerbescheid", 8), "Steue...");
  EXPECT_EQ(Shorten("Grüße aus München", 9), "Grüße...");
  EXPECT_EQ(Shorten("äöüäöü", 5), "äö...");
}

}  // namespace
}  // namespace pw
