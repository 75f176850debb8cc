// Header texts for the desk: encoded words, charsets and the cleaning before a window shows them.
#include "common/HeaderText.h"

#include <vector>

#include "common/Text.h"
#include "common/Windows1252.h"

namespace pw {
namespace {

CharsetConverter g_converter = nullptr;

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// One character of UTF-8 at s[i]; advances i. Invalid, overlong and surrogate sequences are
// U+FFFD, one byte at a time.
char32_t NextChar(std::string_view s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  int extra = 0;
  char32_t c = 0;
  char32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1;
    c = b0 & 0x1F;
    min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2;
    c = b0 & 0x0F;
    min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3;
    c = b0 & 0x07;
    min = 0x10000;
  } else {
    ++i;
    return 0xFFFD;
  }
  if (i + static_cast<std::size_t>(extra) >= s.size()) {
    ++i;
    return 0xFFFD;
  }
  for (int k = 1; k <= extra; ++k) {
    const auto b = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    c = (c << 6) | (b & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++i;
    return 0xFFFD;
  }
  i += static_cast<std::size_t>(extra) + 1;
  return c;
}

bool IsValidUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t at = i;
    if (NextChar(s, i) == 0xFFFD && s.substr(at, 3) != "\xEF\xBF\xBD") return false;
  }
  return true;
}

// Raw 8-bit header text: UTF-8 where valid (RFC 6532), else the code page offices wrote it in.
std::string Raw8Bit(std::string_view bytes) {
  return IsValidUtf8(bytes) ? std::string(bytes) : From1252(bytes);
}

std::string Latin9(std::string_view bytes) {
  std::string out;
  for (char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    char32_t c = b;
    switch (b) {
      case 0xA4:
        c = 0x20AC;
        break;
      case 0xA6:
        c = 0x0160;
        break;
      case 0xA8:
        c = 0x0161;
        break;
      case 0xB4:
        c = 0x017D;
        break;
      case 0xB8:
        c = 0x017E;
        break;
      case 0xBC:
        c = 0x0152;
        break;
      case 0xBD:
        c = 0x0153;
        break;
      case 0xBE:
        c = 0x0178;
        break;
      default:
        break;
    }
    AppendUtf8(out, c);
  }
  return out;
}

bool IsOneOf(std::string_view name, std::initializer_list<std::string_view> names) {
  for (std::string_view n : names) {
    if (EqualsNoCase(name, n)) return true;
  }
  return false;
}

// B of RFC 2047, lenient about missing padding and stray characters as mail programs write it.
std::string DecodeB(std::string_view text) {
  std::string out;
  std::uint32_t bits = 0;
  int count = 0;
  for (char ch : text) {
    int v = -1;
    if (ch >= 'A' && ch <= 'Z') v = ch - 'A';
    if (ch >= 'a' && ch <= 'z') v = ch - 'a' + 26;
    if (ch >= '0' && ch <= '9') v = ch - '0' + 52;
    if (ch == '+') v = 62;
    if (ch == '/') v = 63;
    if (ch == '=') break;
    if (v < 0) continue;
    bits = (bits << 6) | static_cast<std::uint32_t>(v);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return out;
}

std::string DecodeQ(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '_') {
      out += ' ';
    } else if (text[i] == '=' && i + 2 < text.size() && HexDigitValue(text[i + 1]) >= 0 &&
               HexDigitValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

struct EncodedWord {
  std::string_view charset;
  std::string bytes;
  std::size_t length = 0;  // of the whole word in the header
};

// An encoded word "=?charset?B|Q?text?=" at the start of s.
bool ParseEncodedWord(std::string_view s, EncodedWord& word) {
  if (s.size() < 8 || s.substr(0, 2) != "=?") return false;
  const std::size_t q1 = s.find('?', 2);
  if (q1 == std::string_view::npos || q1 == 2 || q1 + 2 >= s.size() || s[q1 + 2] != '?') {
    return false;
  }
  const std::string_view charset = s.substr(2, q1 - 2);
  for (char c : charset) {
    if (c == ' ' || c == '\t' || c == '=' || static_cast<unsigned char>(c) >= 0x7F) return false;
  }
  const char encoding = AsciiUpper(s[q1 + 1]);
  if (encoding != 'B' && encoding != 'Q') return false;
  const std::size_t start = q1 + 3;
  const std::size_t end = s.find("?=", start);
  if (end == std::string_view::npos) return false;
  const std::string_view text = s.substr(start, end - start);
  if (text.find_first_of(" \t") != std::string_view::npos) return false;
  word.charset = charset;
  word.bytes = encoding == 'B' ? DecodeB(text) : DecodeQ(text);
  word.length = end + 2;
  return true;
}

bool IsBlank(std::string_view s) { return s.find_first_not_of(" \t") == std::string_view::npos; }

}  // namespace

void SetCharsetConverter(CharsetConverter converter) { g_converter = converter; }

bool CharsetToUtf8(std::string_view charset, std::string_view bytes, std::string& utf8) {
  // RFC 2231 lets a language follow the charset: "utf-8*de".
  charset = charset.substr(0, charset.find('*'));
  if (IsOneOf(charset, {"utf-8", "utf8"})) {
    utf8 = std::string(bytes);
    return true;
  }
  // Mail programs label Windows-1252 text ISO-8859-1 all the time; 1252 holds ISO-8859-1's
  // printable characters at the same codes, and its C1 controls would be dropped anyway.
  if (IsOneOf(charset, {"us-ascii", "ascii", "iso-8859-1", "iso_8859-1", "latin1", "l1",
                        "windows-1252", "cp1252", "x-cp1252"})) {
    utf8 = From1252(bytes);
    return true;
  }
  if (IsOneOf(charset, {"iso-8859-15", "iso_8859-15", "latin-9", "latin9"})) {
    utf8 = Latin9(bytes);
    return true;
  }
  return g_converter != nullptr && g_converter(charset, bytes, utf8);
}

std::string DecodeHeader(std::string_view raw) {
  // Unfolding (RFC 5322 2.2.3): a line break followed by a blank is the blank.
  std::string unfolded;
  unfolded.reserve(raw.size());
  for (char c : raw) {
    if (c != '\r' && c != '\n') unfolded += c;
  }
  std::string_view s = unfolded;
  std::string out;
  std::string pendingBytes;  // of adjacent encoded words in one charset
  std::string pendingCharset;
  std::string pendingRaw;  // the words as they came, for an unknown charset
  bool pending = false;
  auto flush = [&]() {
    if (!pending) return;
    std::string text;
    out += CharsetToUtf8(pendingCharset, pendingBytes, text) ? text : pendingRaw;
    pendingBytes.clear();
    pendingRaw.clear();
    pending = false;
  };
  std::size_t plainFrom = 0;
  std::size_t i = 0;
  while (i < s.size()) {
    EncodedWord word;
    if (s[i] != '=' || !ParseEncodedWord(s.substr(i), word)) {
      ++i;
      continue;
    }
    const std::string_view between = s.substr(plainFrom, i - plainFrom);
    // Blanks between two encoded words are no text (RFC 2047 6.2).
    if (!(pending && IsBlank(between))) {
      flush();
      out += Raw8Bit(between);
    }
    if (pending && !EqualsNoCase(pendingCharset, word.charset)) flush();
    if (!pending) pendingCharset = std::string(word.charset);
    pending = true;
    pendingBytes += word.bytes;
    pendingRaw += s.substr(i, word.length);
    i += word.length;
    plainFrom = i;
  }
  flush();
  out += Raw8Bit(s.substr(plainFrom));
  return out;
}

std::string CleanForDisplay(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  bool blank = false;
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c = NextChar(utf8, i);
    const bool isBlank = c == ' ' || c == '\t' || c == '\n' || c == 0xA0 || c == 0x2028 ||
                         c == 0x2029 || c == 0x3000;
    if (isBlank) {
      blank = !out.empty();
      continue;
    }
    const bool drop = c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) ||
                      (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF || c == 0x200E || c == 0x200F ||
                      c == 0x061C;
    if (drop) continue;
    if (blank) out += ' ';
    blank = false;
    AppendUtf8(out, c);
  }
  return out;
}

std::string Shorten(std::string_view utf8, std::size_t maxChars) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < utf8.size();) {
    starts.push_back(i);
    NextChar(utf8, i);
  }
  if (starts.size() <= maxChars) return std::string(utf8);
  if (maxChars <= 3) return std::string("...").substr(0, maxChars);
  std::string out(utf8.substr(0, starts[maxChars - 3]));
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out + "...";
}

}  // namespace pw
