#include "win32/Win32VersionInfo.h"

#include <vector>

#include "win32/Win32.h"

namespace pw::win32 {

ProgramVersion Win32VersionInfo::Version() {
  std::wstring path = path_;
  if (path.empty()) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
      const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
      if (n == 0) return {};
      if (n < buffer.size()) {
        path.assign(buffer.data(), n);
        break;
      }
      buffer.resize(buffer.size() * 2);
    }
  }
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<unsigned char> data(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return {};
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info ||
      length < sizeof(VS_FIXEDFILEINFO)) {
    return {};
  }
  return ProgramVersion{static_cast<int>(HIWORD(info->dwFileVersionMS)),
                        static_cast<int>(LOWORD(info->dwFileVersionMS)),
                        static_cast<int>(LOWORD(info->dwFileVersionLS))};
}

}  // namespace pw::win32
