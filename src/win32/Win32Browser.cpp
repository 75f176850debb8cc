// Opens an address in the default browser with ShellExecuteW.
#include "win32/Win32Browser.h"

#include "common/AppError.h"
#include "common/ErrorCatalog.h"
#include "win32/Strconv.h"
#include "win32/Win32.h"

// clang-format off: after windows.h, whose types it needs.
#include <shellapi.h>
// clang-format on

namespace pw::win32 {

// ShellExecute's "open" on an http(s) address starts the user's default browser; its result
// is above 32 on success (see ShellExecuteW on learn.microsoft.com).
void Win32Browser::Open(const std::string& url) {
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", Widen(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32) {
    throw AppError(kOAuthBadRedirect, "Browser",
                   ErrorDescription(kOAuthBadRedirect, "Browser (" + std::to_string(result) + ")"));
  }
}

}  // namespace pw::win32
