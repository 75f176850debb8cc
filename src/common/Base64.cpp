// Base64 encoding and the strict decoding of a server's challenge.
#include "common/Base64.h"

#include <cstdint>

namespace pw {
namespace {

constexpr char kStandard[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kUrl[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

std::string Encode(std::string_view data, const char* alphabet, bool pad) {
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= data.size(); i += 3) {
    const std::uint32_t v = (static_cast<unsigned char>(data[i]) << 16) |
                            (static_cast<unsigned char>(data[i + 1]) << 8) |
                            static_cast<unsigned char>(data[i + 2]);
    out += alphabet[(v >> 18) & 63];
    out += alphabet[(v >> 12) & 63];
    out += alphabet[(v >> 6) & 63];
    out += alphabet[v & 63];
  }
  const std::size_t rest = data.size() - i;
  if (rest > 0) {
    std::uint32_t v = static_cast<unsigned char>(data[i]) << 16;
    if (rest == 2) v |= static_cast<unsigned char>(data[i + 1]) << 8;
    out += alphabet[(v >> 18) & 63];
    out += alphabet[(v >> 12) & 63];
    if (rest == 2) out += alphabet[(v >> 6) & 63];
    if (pad) out.append(rest == 1 ? "==" : "=");
  }
  return out;
}

int Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::string Base64Encode(std::string_view data) { return Encode(data, kStandard, true); }

std::string Base64UrlEncode(std::string_view data) { return Encode(data, kUrl, false); }

std::optional<std::string> Base64Decode(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  std::string out;
  for (std::size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    int v[4];
    int pads = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = text[i + static_cast<std::size_t>(k)];
      if (c == '=' && last && k >= 2) {
        ++pads;
        v[k] = 0;
        continue;
      }
      if (pads > 0) return std::nullopt;
      v[k] = Value(c);
      if (v[k] < 0) return std::nullopt;
    }
    const std::uint32_t n =
        (static_cast<std::uint32_t>(v[0]) << 18) | (static_cast<std::uint32_t>(v[1]) << 12) |
        (static_cast<std::uint32_t>(v[2]) << 6) | static_cast<std::uint32_t>(v[3]);
    out += static_cast<char>((n >> 16) & 0xFF);
    if (pads < 2) out += static_cast<char>((n >> 8) & 0xFF);
    if (pads < 1) out += static_cast<char>(n & 0xFF);
  }
  return out;
}

}  // namespace pw
