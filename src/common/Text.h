// Small text helpers for protocol words and setting texts: ASCII case and surrounding blanks.
#pragma once

#include <string>
#include <string_view>

namespace pw {

// Upper case of the ASCII letters only; every other byte stays as it is.
inline char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string AsciiUpperCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiUpper(c);
  return out;
}

// Equal but for the case of ASCII letters.
inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

// text without the characters of `chars` at either end; blanks only unless told otherwise
// (VB's Trim takes blanks only).
inline std::string_view Trim(std::string_view text, std::string_view chars = " ") {
  const std::size_t first = text.find_first_not_of(chars);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(chars) - first + 1);
}

// A whole number as VB converts text: blanks around it, an optional sign, then decimal digits
// only. False when the text is not of that form.
inline bool SplitSignedDigits(std::string_view text, bool* negative, std::string_view* digits) {
  std::string_view t = Trim(text);
  *negative = false;
  if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
    *negative = t[0] == '-';
    t.remove_prefix(1);
  }
  *digits = t;
  return !t.empty() && t.find_first_not_of("0123456789") == std::string_view::npos;
}

// The value of one hexadecimal digit (either case), or -1.
inline int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Appends a byte as two upper-case hexadecimal digits.
inline void AppendHexByte(std::string& out, unsigned char b) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += kHex[b >> 4];
  out += kHex[b & 15];
}

// A bearer token as RFC 6750's b64token allows it: nothing an HTTP header or a SASL string could
// be broken with.
inline bool IsBearerToken(std::string_view t) {
  if (t.empty()) return false;
  for (char c : t) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '.' || c == '_' || c == '~' || c == '+' || c == '/' ||
                    c == '=';
    if (!ok) return false;
  }
  return true;
}

}  // namespace pw
