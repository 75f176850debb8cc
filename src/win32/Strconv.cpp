// UTF-8 to and from UTF-16 and the system code page.
#include "win32/Strconv.h"

#include "win32/Win32.h"

namespace pw::win32 {

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Narrow(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

std::string ToSystemCodePage(std::string_view utf8) {
  const std::wstring wide = Widen(utf8);
  if (wide.empty()) return {};
  // A system set to UTF-8 refuses the default character and the no-best-fit flag.
  const bool utf8System = GetACP() == CP_UTF8;
  const DWORD flags = utf8System ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* unknown = utf8System ? nullptr : "?";
  BOOL usedUnknown = FALSE;
  BOOL* usedUnknownOut = utf8System ? nullptr : &usedUnknown;
  const int size = static_cast<int>(wide.size());
  int n =
      WideCharToMultiByte(CP_ACP, flags, wide.data(), size, nullptr, 0, unknown, usedUnknownOut);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, flags, wide.data(), size, out.data(), n, unknown, usedUnknownOut);
  return out;
}

std::string FromSystemCodePage(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, wide.data(), n);
  return Narrow(wide);
}

}  // namespace pw::win32
