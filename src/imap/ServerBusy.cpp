#include "imap/ServerBusy.h"

#include <charconv>

#include "common/Text.h"

namespace pw::imap {
namespace {

// The position of needle in text, compared without regard to case; npos when absent.
std::size_t FindNoCase(std::string_view text, std::string_view needle) {
  for (std::size_t i = 0; i + needle.size() <= text.size(); ++i) {
    if (EqualsNoCase(text.substr(i, needle.size()), needle)) return i;
  }
  return std::string_view::npos;
}

}  // namespace

bool AsksForPatience(std::string_view code, std::string_view text) {
  return EqualsNoCase(code, "UNAVAILABLE") || EqualsNoCase(code, "LIMIT") ||
         EqualsNoCase(code, "INUSE") ||
         FindNoCase(text, "Request is throttled") != std::string_view::npos;
}

std::optional<long long> SuggestedBackoffMs(std::string_view text) {
  constexpr std::string_view kLead = "Suggested Backoff Time:";
  const std::size_t at = FindNoCase(text, kLead);
  if (at == std::string_view::npos) return std::nullopt;
  std::string_view rest = Trim(text.substr(at + kLead.size()));
  long long value = 0;
  auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
  if (ec != std::errc() || value < 0) return std::nullopt;
  return value;
}

}  // namespace pw::imap
