// One server response of IMAP4rev1 (RFC 3501 section 7), as the parser hands it over.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pw::imap {

enum class ResponseKind { Tagged, Untagged, Continuation };

// The condition of a status response; None for data and continuations.
enum class Condition { None, Ok, No, Bad, Bye, Preauth };

struct Response {
  ResponseKind kind = ResponseKind::Untagged;
  std::string tag;  // Tagged only
  Condition condition = Condition::None;
  std::string code;        // response code atom in upper case ("CAPABILITY"), or ""
  std::string codeData;    // what follows the code atom inside the brackets
  std::string text;        // human-readable text of a status or continuation
  std::string name;        // untagged data in upper case: EXISTS, SEARCH, FLAGS ...
  bool hasNumber = false;  // "* n EXISTS" and the like
  std::uint32_t number = 0;
  // SEARCH: the numbers as a comma list; ESEARCH: the sequence set of ALL ("1:4,9"), or "".
  std::string set;
  std::string correlator;          // ESEARCH: the tag of the search it answers
  bool uid = false;                // ESEARCH: the numbers are UIDs
  std::vector<std::string> atoms;  // CAPABILITY data, or the atoms of a [CAPABILITY] code
  std::string data;                // the rest of any other untagged data, literals included
};

}  // namespace pw::imap
