// libFuzzer target for the IMAP response parser: no crash, no overrun, and the same responses
// whether the bytes come at once or in pieces.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "imap/ImapParser.h"

namespace {

using pw::imap::ParseResult;
using pw::imap::ParserLimits;
using pw::imap::ParseStatus;
using pw::imap::Response;
using pw::imap::ResponseParser;

struct Outcome {
  std::vector<std::size_t> sizes;  // consumed bytes of each complete response
  ParseStatus last = ParseStatus::NeedMore;
};

// Parses stream as the session does, receiving `chunk` bytes at a time.
Outcome Run(std::string_view stream, std::size_t chunk, const ParserLimits& limits) {
  ResponseParser parser(limits);
  Outcome outcome;
  std::string buffer;
  std::size_t fed = 0;
  for (;;) {
    Response r;
    ParseResult result = parser.Parse(buffer, r);
    if (result.consumed > buffer.size()) std::abort();
    if (result.status == ParseStatus::Complete) {
      if (result.consumed == 0) std::abort();
      outcome.sizes.push_back(result.consumed);
      buffer.erase(0, result.consumed);
      continue;
    }
    if (result.status == ParseStatus::Malformed) {
      outcome.last = ParseStatus::Malformed;
      return outcome;
    }
    if (fed == stream.size()) return outcome;
    std::size_t n = std::min(chunk, stream.size() - fed);
    buffer.append(stream.substr(fed, n));
    fed += n;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the size of the pieces; small limits let the caps be reached.
  std::size_t chunk = (data[0] % 16) + 1;
  std::string_view stream(reinterpret_cast<const char*>(data) + 1, size - 1);
  ParserLimits limits;
  limits.maxLine = 256;
  limits.maxSearchLine = 1024;
  limits.maxLiterals = 128;
  Outcome whole = Run(stream, stream.size() + 1, limits);
  Outcome pieces = Run(stream, chunk, limits);
  if (whole.sizes != pieces.sizes || whole.last != pieces.last) std::abort();
  return 0;
}
