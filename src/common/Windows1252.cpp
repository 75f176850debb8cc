// Windows-1252 code page table and UTF-8 conversions.
#include "common/Windows1252.h"

#include <array>

namespace pw {
namespace {

// Characters of the codes 0x80-0x9F; the undefined ones map to the C1 control of the same number.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

char32_t Cp1252Char(unsigned char code) {
  if (code >= 0x80 && code <= 0x9F) return kHigh[code - 0x80];
  return code;
}

int Cp1252Code(char32_t ch) {
  if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return static_cast<int>(ch);
  for (std::size_t i = 0; i < kHigh.size(); ++i) {
    if (kHigh[i] == ch) return static_cast<int>(0x80 + i);
  }
  return -1;
}

std::u32string DecodeUtf8(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    auto b = static_cast<unsigned char>(s[i]);
    char32_t cp = 0;
    std::size_t len = 0;
    if (b < 0x80) {
      cp = b;
      len = 1;
    } else if ((b & 0xE0) == 0xC0) {
      cp = b & 0x1F;
      len = 2;
    } else if ((b & 0xF0) == 0xE0) {
      cp = b & 0x0F;
      len = 3;
    } else if ((b & 0xF8) == 0xF0) {
      cp = b & 0x07;
      len = 4;
    }
    bool ok = len != 0 && i + len <= s.size();
    for (std::size_t k = 1; ok && k < len; ++k) {
      auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (!ok) {
      // A stray byte is taken as a Windows-1252 character, so no input is lost.
      out.push_back(Cp1252Char(b));
      ++i;
      continue;
    }
    out.push_back(cp);
    i += len;
  }
  return out;
}

std::string EncodeUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t cp : text) {
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::string To1252(std::string_view utf8) {
  std::string out;
  for (char32_t cp : DecodeUtf8(utf8)) {
    int code = Cp1252Code(cp);
    out.push_back(code < 0 ? '?' : static_cast<char>(code));
  }
  return out;
}

std::string From1252(std::string_view bytes) {
  std::u32string text;
  text.reserve(bytes.size());
  for (char c : bytes) text.push_back(Cp1252Char(static_cast<unsigned char>(c)));
  return EncodeUtf8(text);
}

}  // namespace pw
