// A stand-in for Outlook and the Terminal Server client: it writes how it was started (its own
// path, its command line and the window style asked for) to the file named by PW_STANDIN_LOG.
#include <windows.h>

#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

}  // namespace

int wmain() {
  wchar_t log[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"PW_STANDIN_LOG", log, MAX_PATH)) return 1;
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  GetStartupInfoW(&startup);
  const int style = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
  const std::string record =
      Utf8(self) + "\n" + Utf8(GetCommandLineW()) + "\n" + std::to_string(style) + "\n";
  // Written under another name and then renamed, so that the test never reads half a record.
  const std::wstring partial = std::wstring(log) + L".part";
  HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
  CloseHandle(file);
  return MoveFileExW(partial.c_str(), log, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
