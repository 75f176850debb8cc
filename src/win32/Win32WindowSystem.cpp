#include "win32/Win32WindowSystem.h"

#include <vector>

#include "common/AppError.h"
#include "win32/Handles.h"
#include "win32/Strconv.h"
#include "win32/Win32.h"

namespace pw::win32 {

namespace {

HWND ToHwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }
WindowHandle FromHwnd(HWND window) { return reinterpret_cast<WindowHandle>(window); }

std::string AnsiBuffer(const std::vector<char>& buffer, int length) {
  if (length <= 0) return {};
  return FromSystemCodePage(std::string_view(buffer.data(), static_cast<std::size_t>(length)));
}

}  // namespace

WindowHandle Win32WindowSystem::FindWindowA(const std::string& title) {
  return FromHwnd(::FindWindowA(nullptr, ToSystemCodePage(title).c_str()));
}

bool Win32WindowSystem::BringWindowToTop(WindowHandle window) {
  return ::BringWindowToTop(ToHwnd(window)) != FALSE;
}

WindowHandle Win32WindowSystem::GetTopWindow() { return FromHwnd(::GetTopWindow(nullptr)); }

WindowHandle Win32WindowSystem::GetNextWindow(WindowHandle window) {
  return FromHwnd(::GetWindow(ToHwnd(window), GW_HWNDNEXT));
}

std::string Win32WindowSystem::GetWindowTextA(WindowHandle window, int maxChars) {
  if (maxChars <= 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(maxChars), '\0');
  return AnsiBuffer(buffer, ::GetWindowTextA(ToHwnd(window), buffer.data(), maxChars));
}

std::string Win32WindowSystem::GetClassNameA(WindowHandle window, int maxChars) {
  if (maxChars <= 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(maxChars), '\0');
  return AnsiBuffer(buffer, ::GetClassNameA(ToHwnd(window), buffer.data(), maxChars));
}

void Win32WindowSystem::StartProgram(const std::string& program, const std::string& commandLine,
                                     int windowStyle) {
  // CreateProcessW may write into the command line, so it gets a copy of its own.
  std::wstring wide = Widen(commandLine);
  std::vector<wchar_t> line(wide.begin(), wide.end());
  line.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(windowStyle);
  PROCESS_INFORMATION process{};
  // The program is named: CreateProcess then neither searches for it nor reads it from an
  // unquoted command line, where "c:\programme\microsoft office\..." would start
  // "c:\programme\microsoft.exe" first.
  if (!CreateProcessW(Widen(program).c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    const std::int32_t number = SystemErrorNumber(GetLastError());
    throw AppError(number, "StartProgram", ErrorDescription(number));
  }
  UniqueKernelHandle processHandle(process.hProcess);
  UniqueKernelHandle threadHandle(process.hThread);
}

bool Win32WindowSystem::FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesW(Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Win32WindowSystem::SystemDirectory() {
  wchar_t folder[MAX_PATH] = {};
  UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return Narrow(std::wstring(folder, length));
}

}  // namespace pw::win32
