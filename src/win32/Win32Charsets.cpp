// The charsets of mail that Windows converts itself, for the header decoder.
#include "win32/Win32Charsets.h"

#include <climits>
#include <cstdlib>

#include "common/Text.h"
#include "win32/Strconv.h"
#include "win32/Win32.h"

namespace pw::win32 {

unsigned CodePageOfCharset(std::string_view charset) {
  struct Name {
    const char* name;
    unsigned codePage;
  };
  static constexpr Name kNames[] = {
      {"iso-8859-2", 28592},  {"iso-8859-3", 28593},   {"iso-8859-4", 28594},
      {"iso-8859-5", 28595},  {"iso-8859-6", 28596},   {"iso-8859-7", 28597},
      {"iso-8859-8", 28598},  {"iso-8859-8-i", 38598}, {"iso-8859-9", 28599},
      {"iso-8859-13", 28603}, {"koi8-r", 20866},       {"koi8-u", 21866},
      {"shift_jis", 932},     {"shift-jis", 932},      {"sjis", 932},
      {"euc-jp", 20932},      {"iso-2022-jp", 50220},  {"gb2312", 936},
      {"gbk", 936},           {"gb18030", 54936},      {"big5", 950},
      {"euc-kr", 949},        {"ks_c_5601-1987", 949}, {"iso-2022-kr", 50225},
      {"tis-620", 874},       {"windows-874", 874},    {"utf-7", 65000},
      {"ibm850", 850},        {"cp850", 850},          {"ibm437", 437},
      {"cp437", 437},         {"macintosh", 10000},
  };
  for (const Name& n : kNames) {
    if (EqualsNoCase(charset, n.name)) return n.codePage;
  }
  // windows-1250 ... windows-1258, cp1250 ...
  for (std::string_view prefix : {"windows-", "cp"}) {
    if (charset.size() == prefix.size() + 4 &&
        EqualsNoCase(charset.substr(0, prefix.size()), prefix)) {
      const std::string digits(charset.substr(prefix.size()));
      const unsigned long n = std::strtoul(digits.c_str(), nullptr, 10);
      if (n >= 1250 && n <= 1258) return static_cast<unsigned>(n);
    }
  }
  return 0;
}

bool SystemCharsetToUtf8(std::string_view charset, std::string_view bytes, std::string& utf8) {
  const unsigned codePage = CodePageOfCharset(charset);
  if (codePage == 0 || !IsValidCodePage(codePage)) return false;
  if (bytes.empty()) {
    utf8.clear();
    return true;
  }
  if (bytes.size() > INT_MAX / 2) return false;
  const int size = static_cast<int>(bytes.size());
  const int wide = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
  if (wide <= 0) return false;
  std::wstring text(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), size, text.data(), wide);
  utf8 = Narrow(text);
  return true;
}

}  // namespace pw::win32
