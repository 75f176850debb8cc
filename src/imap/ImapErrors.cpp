#include "imap/ImapErrors.h"

namespace pw::imap {

AppError Error(std::int32_t number, std::string description) {
  return AppError(number, "Imap1", std::move(description));
}

std::string ServerText(std::string_view text) {
  constexpr std::size_t kMax = 200;
  std::string out;
  std::size_t i = 0;
  while (i < text.size() && out.size() < kMax) {
    auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      out += (c < 0x20 || c == 0x7F) ? '?' : static_cast<char>(c);
      ++i;
      continue;
    }
    // Keep a multi-byte character only when it is well-formed UTF-8.
    std::size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
    bool ok = n != 0 && c < 0xF5 && i + n <= text.size();
    for (std::size_t k = 1; ok && k < n; ++k) {
      ok = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    }
    if (ok && n == 3) {
      auto c1 = static_cast<unsigned char>(text[i + 1]);
      ok = !(c == 0xE0 && c1 < 0xA0) && !(c == 0xED && c1 >= 0xA0);
    }
    if (ok && n == 4) {
      auto c1 = static_cast<unsigned char>(text[i + 1]);
      ok = !(c == 0xF0 && c1 < 0x90) && !(c == 0xF4 && c1 >= 0x90);
    }
    if (!ok) {
      out += '?';
      ++i;
      continue;
    }
    if (out.size() + n > kMax) break;
    out.append(text.substr(i, n));
    i += n;
  }
  return out;
}

}  // namespace pw::imap
