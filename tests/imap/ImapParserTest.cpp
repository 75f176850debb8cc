// The response parser: every prefix, one byte at a time, decoded fields, caps and bad input.
#include <gtest/gtest.h>

#include <algorithm>

#include "imap/ImapParser.h"

namespace pw::imap {
namespace {

const char* const kResponses[] = {
    "* OK [CAPABILITY IMAP4rev1 LITERAL+ AUTH=PLAIN] Dovecot (Debian) ready.\r\n",
    "A1 NO [AUTHENTICATIONFAILED] Authentication failed.\r\n",
    "* 40000 EXISTS\r\n",
    "* SEARCH 1 2 39999\r\n",
    "* SEARCH\r\n",
    "+ OK\r\n",
    "* LIST (\\HasNoChildren) \"/\" {5}\r\nINBOX\r\n",
    "* 7 FETCH (BODY[] {12}\r\nline1\r\nline2 FLAGS (\\Seen))\r\n",
    "* 1 FETCH (BODY[] {0}\r\n)\r\n",
    "A22 OK Text that ends in {5}\r\n",
    "* BYE Logging out\r\n",
};

TEST(ImapParser, EveryPrefixNeedsMoreAndTheWholeIsComplete) {
  for (std::string_view whole : kResponses) {
    for (std::size_t n = 0; n < whole.size(); ++n) {
      ResponseParser parser;
      Response r;
      EXPECT_EQ(parser.Parse(whole.substr(0, n), r).status, ParseStatus::NeedMore)
          << whole << " cut at " << n;
    }
    ResponseParser parser;
    Response r;
    std::string withNext = std::string(whole) + "A9 OK next\r\n";
    ParseResult result = parser.Parse(withNext, r);
    EXPECT_EQ(result.status, ParseStatus::Complete) << whole << result.error;
    EXPECT_EQ(result.consumed, whole.size()) << whole;
  }
}

TEST(ImapParser, OneByteAtATimeResumesWhereItStopped) {
  std::string stream;
  for (const char* r : kResponses) stream += r;
  ResponseParser parser;
  std::string buffer;
  std::size_t complete = 0;
  for (char c : stream) {
    buffer += c;
    Response r;
    ParseResult result = parser.Parse(buffer, r);
    ASSERT_NE(result.status, ParseStatus::Malformed) << buffer << result.error;
    if (result.status == ParseStatus::Complete) {
      EXPECT_EQ(buffer, kResponses[complete]);
      buffer.erase(0, result.consumed);
      ++complete;
    }
  }
  EXPECT_EQ(complete, std::size(kResponses));
  EXPECT_EQ(buffer, "");
}

Response ParseOne(std::string_view input) {
  ResponseParser parser;
  Response r;
  ParseResult result = parser.Parse(input, r);
  EXPECT_EQ(result.status, ParseStatus::Complete) << input << result.error;
  return r;
}

TEST(ImapParser, DecodesWhatTheClientNeeds) {
  Response greeting = ParseOne(kResponses[0]);
  EXPECT_EQ(greeting.kind, ResponseKind::Untagged);
  EXPECT_EQ(greeting.condition, Condition::Ok);
  EXPECT_EQ(greeting.code, "CAPABILITY");
  EXPECT_EQ(greeting.atoms, (std::vector<std::string>{"IMAP4REV1", "LITERAL+", "AUTH=PLAIN"}));
  EXPECT_EQ(greeting.text, "Dovecot (Debian) ready.");

  Response no = ParseOne(kResponses[1]);
  EXPECT_EQ(no.kind, ResponseKind::Tagged);
  EXPECT_EQ(no.tag, "A1");
  EXPECT_EQ(no.condition, Condition::No);
  EXPECT_EQ(no.code, "AUTHENTICATIONFAILED");
  EXPECT_EQ(no.text, "Authentication failed.");

  Response exists = ParseOne("* 4294967295 exists\r\n");
  EXPECT_EQ(exists.name, "EXISTS");
  EXPECT_TRUE(exists.hasNumber);
  EXPECT_EQ(exists.number, 4294967295u);

  EXPECT_EQ(ParseOne(kResponses[3]).set, "1,2,39999");
  EXPECT_EQ(ParseOne("* SEARCH \r\n").set, "");
  EXPECT_EQ(ParseOne("* SEARCH 4 9 (MODSEQ 917162500)\r\n").set, "4,9");

  Response plus = ParseOne("+\r\n");
  EXPECT_EQ(plus.kind, ResponseKind::Continuation);

  Response list = ParseOne(kResponses[6]);
  EXPECT_EQ(list.name, "LIST");
  EXPECT_EQ(list.data, "(\\HasNoChildren) \"/\" {5}\r\nINBOX");

  Response select = ParseOne("a3 ok [READ-WRITE] Select completed\r\n");
  EXPECT_EQ(select.condition, Condition::Ok);
  EXPECT_EQ(select.code, "READ-WRITE");
  Response uidnext = ParseOne("* OK [UIDNEXT 4] Predicted next UID\r\n");
  EXPECT_EQ(uidnext.codeData, "4");
  EXPECT_EQ(ParseOne("* BYE\r\n").condition, Condition::Bye);
}

TEST(ImapParser, RejectsWhatNoServerMaySend) {
  const char* const bad[] = {
      "garbage\r\n",
      "A1 FOO bar\r\n",
      "A+1 OK tag with plus\r\n",
      "* 4294967296 EXISTS\r\n",
      "* 3 EXISTS now\r\n",
      "* SEARCH 0\r\n",
      "* SEARCH 1 -2\r\n",
      "* SEARCH 01\r\n",
      "* OK [UNCLOSED code\r\n",
      "* (x)\r\n",
      "*\r\n",
      "\r\n",
      "* OK bare line feed\n",
      "* OK carriage\rreturn\r\n",
  };
  for (std::string_view input : bad) {
    ResponseParser parser;
    Response r;
    EXPECT_EQ(parser.Parse(input, r).status, ParseStatus::Malformed) << input;
  }
  ResponseParser parser;
  Response r;
  std::string nul("* OK nul\0byte\r\n", 15);
  EXPECT_EQ(parser.Parse(nul, r).status, ParseStatus::Malformed);
}

TEST(ImapParser, CapsLinesAndLiteralsButTakesLongSearchLines) {
  ParserLimits limits;
  limits.maxLine = 100;
  limits.maxSearchLine = 1000;
  limits.maxLiterals = 50;
  auto status = [&](std::string_view input) {
    ResponseParser parser(limits);
    Response r;
    return parser.Parse(input, r).status;
  };
  // Refused as soon as the cap is passed, without waiting for the end of the line.
  EXPECT_EQ(status("* OK " + std::string(100, 'x')), ParseStatus::Malformed);
  EXPECT_EQ(status("* OK " + std::string(90, 'x') + "\r\n"), ParseStatus::Complete);
  EXPECT_EQ(status("* LIST () \"/\" {51}\r\n"), ParseStatus::Malformed);
  EXPECT_EQ(status("* LIST () \"/\" {50}\r\n"), ParseStatus::NeedMore);

  std::string search = "* SEARCH";
  while (search.size() < 900) search += " 12345";
  EXPECT_EQ(status(search + "\r\n"), ParseStatus::Complete);
  EXPECT_EQ(status(search + std::string(200, '1')), ParseStatus::Malformed);

  // With the default limits: the 229 KB answer for a mailbox of 40 000 messages.
  std::string big = "* SEARCH";
  for (int i = 1; i <= 40000; ++i) big += " " + std::to_string(i);
  big += "\r\n";
  ResponseParser parser;
  Response r;
  ASSERT_EQ(parser.Parse(big, r).status, ParseStatus::Complete);
  EXPECT_EQ(std::count(r.set.begin(), r.set.end(), ','), 39999);
  EXPECT_GT(big.size(), 220000u);

  std::string sparse = "* ESEARCH (TAG \"A4\") ALL 1";
  while (sparse.size() < 900) sparse += ",3:5";
  EXPECT_EQ(status(sparse + "\r\n"), ParseStatus::Complete);
}

TEST(ImapParser, EsearchKeepsTheTagTheUidMarkAndTheCompactSet) {
  Response r = ParseOne("* ESEARCH (TAG \"A3\") ALL 1:40000,40002\r\n");
  EXPECT_EQ(r.name, "ESEARCH");
  EXPECT_EQ(r.correlator, "A3");
  EXPECT_FALSE(r.uid);
  EXPECT_EQ(r.set, "1:40000,40002");

  Response uid = ParseOne("* esearch (tag \"A5\") uid count 2 all 41:42 max 42\r\n");
  EXPECT_EQ(uid.correlator, "A5");
  EXPECT_TRUE(uid.uid);
  EXPECT_EQ(uid.set, "41:42");

  Response none = ParseOne("* ESEARCH (TAG \"A4\")\r\n");
  EXPECT_EQ(none.correlator, "A4");
  EXPECT_EQ(none.set, "");
  EXPECT_EQ(ParseOne("* ESEARCH (TAG A7) ALL 3\r\n").correlator, "A7");

  for (const char* bad :
       {"* ESEARCH (TAG \"A3\") ALL 0:2\r\n", "* ESEARCH (TAG \"A3\") ALL 1:*\r\n",
        "* ESEARCH (TAG \"A3\") ALL 1,,2\r\n", "* ESEARCH (TAG \"A3\") ALL\r\n",
        "* ESEARCH (TAG \"A3\") ALL x\r\n", "* ESEARCH (TAG \"A3\"\r\n",
        "* ESEARCH (FOO \"A3\") ALL 1\r\n", "* ESEARCH (TAG \"A3\") ALL 1:2:3\r\n"}) {
    ResponseParser parser;
    Response out;
    EXPECT_EQ(parser.Parse(bad, out).status, ParseStatus::Malformed) << bad;
  }
}

}  // namespace
}  // namespace pw::imap
