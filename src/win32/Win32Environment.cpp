#include "win32/Win32Environment.h"

#include "win32/Strconv.h"
#include "win32/Win32.h"

namespace pw::win32 {

std::optional<std::string> Win32Environment::GetVariable(const std::string& name) {
  std::wstring wname = Widen(name);
  SetLastError(ERROR_SUCCESS);
  DWORD n = GetEnvironmentVariableW(wname.c_str(), nullptr, 0);
  if (n == 0) {
    // An empty variable also answers 0; only ERROR_ENVVAR_NOT_FOUND means absent.
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::string();
  }
  std::wstring value(n, L'\0');
  DWORD got = GetEnvironmentVariableW(wname.c_str(), value.data(), n);
  value.resize(got);
  return Narrow(value);
}

}  // namespace pw::win32
