// Response parser without I/O: bytes in, one response out (complete / need more / malformed).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "imap/ImapResponse.h"

namespace pw::imap {

struct ParserLimits {
  std::size_t maxLine = 64 * 1024;               // one response without its literals
  std::size_t maxSearchLine = 16 * 1024 * 1024;  // "* SEARCH": ~8 bytes per message
  std::size_t maxLiterals = 1024 * 1024;         // all literals of one response together
  // Everything one call of the component receives: one search line at its longest and room
  // for the rest, however many lines the server splits it into.
  std::size_t maxAnswer = 17 * 1024 * 1024;
};

enum class ParseStatus { Complete, NeedMore, Malformed };

struct ParseResult {
  ParseStatus status = ParseStatus::NeedMore;
  std::size_t consumed = 0;  // bytes of input that the complete response took
  std::string error;         // why the input is malformed
};

class ResponseParser {
 public:
  explicit ResponseParser(ParserLimits limits = {}) : limits_(limits) {}

  // Looks for one response at the start of input, which holds everything received and not
  // yet consumed. Between calls the caller may only append to input, so the parser goes on
  // where it stopped instead of scanning the same bytes again; after Complete or Malformed
  // it starts afresh.
  ParseResult Parse(std::string_view input, Response& response);

  void Reset();

 private:
  ParseStatus Frame(std::string_view input, std::string& error);
  std::size_t LineCap(std::string_view input) const;

  ParserLimits limits_;
  std::size_t scanned_ = 0;       // bytes of the response looked at so far
  std::size_t lineStart_ = 0;     // where the current line (after the last literal) begins
  std::size_t lineBytes_ = 0;     // bytes of finished lines, literals not counted
  std::size_t literalBytes_ = 0;  // bytes of literals announced so far
  std::size_t literalLeft_ = 0;   // bytes of the current literal still to come
  bool literalsAllowed_ = false;  // decided at the end of the first line
};

}  // namespace pw::imap
