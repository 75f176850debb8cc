// libFuzzer target for the envelope reader and the header decoder: no crash, no overrun, and what
// comes out is valid UTF-8 without control characters or bidirectional overrides, short enough.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/HeaderText.h"
#include "common/MailNews.h"
#include "imap/Envelope.h"

namespace {

// Valid UTF-8 (CleanForDisplay's promise) with nothing a window must not get.
bool Clean(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t n = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : 4;
    if (b >= 0x80 && ((b & 0xC0) == 0x80 || b > 0xF4)) return false;
    if (i + n > s.size()) return false;
    char32_t c = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
    for (std::size_t k = 1; k < n; ++k) {
      const auto t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      c = (c << 6) | (t & 0x3F);
    }
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) ||
        (c >= 0x2066 && c <= 0x2069)) {
      return false;
    }
    i += n;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string shown = pw::CleanForDisplay(pw::DecodeHeader(input));
  if (!Clean(shown)) std::abort();
  if (pw::Shorten(shown, 10).size() > 4 * 10) std::abort();
  pw::MailEnvelope envelope;
  if (pw::imap::ParseFetchEnvelope(input, envelope)) {
    if (!Clean(envelope.sender) || !Clean(envelope.subject) || !Clean(envelope.date)) std::abort();
    pw::MailNews news{1, {envelope}};
    for (const std::string& line : pw::NewsLines(news)) {
      if (!Clean(line)) std::abort();
    }
  }
  return 0;
}
