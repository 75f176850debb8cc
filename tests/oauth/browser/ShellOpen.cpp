// Opens a URL the way the program starts the default browser, ShellExecuteW with "open", and
// prints what ShellExecuteW returned. Exit status 0 when the start succeeded (a value above 32).
// Usage: shell_open.exe <url>
// shellapi.h needs the types of windows.h.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", argv[1], nullptr, nullptr, SW_SHOWNORMAL));
  std::printf("ShellExecuteW: %lld\n", static_cast<long long>(result));
  return result > 32 ? 0 : 1;
}
