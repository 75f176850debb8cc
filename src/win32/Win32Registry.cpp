// advapi32's registry A functions behind RegistryApi; pw::HKey carries the HKEY's bits.
#include "win32/Win32Registry.h"

#include "win32/Strconv.h"
#include "win32/Win32.h"

namespace pw::win32 {
namespace {

// The predefined roots are 32-bit values that Windows sign-extends into a 64-bit HKEY
// (HKEY_CURRENT_USER is 0xFFFFFFFF80000001 there); pw::HKey keeps the 32-bit form.
HKEY ToHkey(HKey key) {
  if (key >= kHkeyClassesRoot && key <= kHkeyDynData) {
    return reinterpret_cast<HKEY>(
        static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(key))));
  }
  return reinterpret_cast<HKEY>(key);
}

HKey FromHkey(HKEY key) {
  auto bits = reinterpret_cast<ULONG_PTR>(key);
  auto low = static_cast<HKey>(bits & 0xFFFFFFFFu);
  if (static_cast<LONG_PTR>(bits) == static_cast<LONG>(low) && low >= kHkeyClassesRoot &&
      low <= kHkeyDynData) {
    return low;
  }
  return static_cast<HKey>(bits);
}

}  // namespace

long Win32Registry::AnsiOpenKey(HKey root, const std::string& subKey, std::uint32_t options,
                                std::uint32_t access, HKey* result) {
  HKEY out = nullptr;
  LONG status = ::RegOpenKeyExA(ToHkey(root), subKey.c_str(), options, access, &out);
  *result = status == ERROR_SUCCESS ? FromHkey(out) : 0;
  return status;
}

long Win32Registry::AnsiCreateKey(HKey root, const std::string& subKey, std::uint32_t options,
                                  std::uint32_t access, HKey* result, std::uint32_t* disposition) {
  HKEY out = nullptr;
  DWORD disp = 0;
  char noClass[] = "";
  LONG status = ::RegCreateKeyExA(ToHkey(root), subKey.c_str(), 0, noClass, options, access,
                                  nullptr, &out, &disp);
  *result = status == ERROR_SUCCESS ? FromHkey(out) : 0;
  if (disposition != nullptr) *disposition = disp;
  return status;
}

long Win32Registry::AnsiQueryValue(HKey key, const std::string& valueName, std::uint32_t* type,
                                   std::uint8_t* data, std::uint32_t* size) {
  DWORD t = 0;
  DWORD n = size != nullptr ? *size : 0;
  LONG status = ::RegQueryValueExA(ToHkey(key), valueName.c_str(), nullptr, &t, data,
                                   size != nullptr ? &n : nullptr);
  if (type != nullptr && (status == ERROR_SUCCESS || status == ERROR_MORE_DATA)) *type = t;
  if (size != nullptr) *size = n;
  return status;
}

long Win32Registry::AnsiSetValue(HKey key, const std::string& valueName, std::uint32_t type,
                                 const std::uint8_t* data, std::uint32_t size) {
  return ::RegSetValueExA(ToHkey(key), valueName.c_str(), 0, type, data, size);
}

long Win32Registry::AnsiEnumKey(HKey key, std::uint32_t index, char* name,
                                std::uint32_t* nameLength) {
  DWORD n = *nameLength;
  FILETIME written{};
  LONG status = ::RegEnumKeyExA(ToHkey(key), index, name, &n, nullptr, nullptr, nullptr, &written);
  *nameLength = n;
  return status;
}

long Win32Registry::AnsiEnumValue(HKey key, std::uint32_t index, char* name,
                                  std::uint32_t* nameLength) {
  DWORD n = *nameLength;
  LONG status = ::RegEnumValueA(ToHkey(key), index, name, &n, nullptr, nullptr, nullptr, nullptr);
  *nameLength = n;
  return status;
}

long Win32Registry::AnsiDeleteKey(HKey key, const std::string& subKey) {
  return ::RegDeleteKeyA(ToHkey(key), subKey.c_str());
}

long Win32Registry::AnsiDeleteValue(HKey key, const std::string& valueName) {
  return ::RegDeleteValueA(ToHkey(key), valueName.c_str());
}

long Win32Registry::RegCloseKey(HKey key) { return ::RegCloseKey(ToHkey(key)); }

std::string Win32Registry::ToCodePage(std::string_view utf8) { return ToSystemCodePage(utf8); }

std::string Win32Registry::FromCodePage(std::string_view bytes) {
  return FromSystemCodePage(bytes);
}

}  // namespace pw::win32
