// The narrow (ANSI) registry calls the core needs, in UTF-8; the edge crosses to the system code
// page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace pw {

using HKey = std::uintptr_t;

// Predefined roots, with the values Windows gives them.
inline constexpr HKey kHkeyClassesRoot = 0x80000000u;
inline constexpr HKey kHkeyCurrentUser = 0x80000001u;
inline constexpr HKey kHkeyLocalMachine = 0x80000002u;
inline constexpr HKey kHkeyUsers = 0x80000003u;
inline constexpr HKey kHkeyPerformanceData = 0x80000004u;
inline constexpr HKey kHkeyCurrentConfig = 0x80000005u;
inline constexpr HKey kHkeyDynData = 0x80000006u;

// Status codes as Win32 returns them.
inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorInvalidHandle = 6;
inline constexpr long kErrorInvalidParameter = 87;
inline constexpr long kErrorBadPathname = 161;
inline constexpr long kErrorMoreData = 234;
inline constexpr long kErrorNoMoreItems = 259;
inline constexpr long kErrorNoAccess = 998;
inline constexpr long kErrorKeyDeleted = 1018;

// Value types.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

// Access rights.
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeySetValue = 0x0002;
inline constexpr std::uint32_t kKeyCreateSubKey = 0x0004;
inline constexpr std::uint32_t kKeyEnumerateSubKeys = 0x0008;
inline constexpr std::uint32_t kKeyCreateLink = 0x0020;
inline constexpr std::uint32_t kDelete = 0x10000;
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyWrite = 0x20006;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;
// Opens HKEY_LOCAL_MACHINE\Software in the 32-bit programs' view (Wow6432Node) from a 64-bit
// program; the substitute has one view only.
inline constexpr std::uint32_t kKeyWow64_32Key = 0x0200;

// Dispositions of RegCreateKeyExA.
inline constexpr std::uint32_t kRegCreatedNewKey = 1;
inline constexpr std::uint32_t kRegOpenedExistingKey = 2;

// Names and string data are UTF-8 here. The edge passes them to the A functions in the system
// code page, because what other programs and older versions stored is what those calls see; a
// character the code page cannot hold arrives there as "?". Sizes and lengths count UTF-8 bytes.
class RegistryApi {
 public:
  virtual ~RegistryApi() = default;
  virtual long RegOpenKeyExA(HKey root, const std::string& subKey, std::uint32_t options,
                             std::uint32_t access, HKey* result) = 0;
  virtual long RegCreateKeyExA(HKey root, const std::string& subKey, std::uint32_t options,
                               std::uint32_t access, HKey* result, std::uint32_t* disposition) = 0;
  // data may be null (size query); *size is the buffer size in, the data size out.
  virtual long RegQueryValueExA(HKey key, const std::string& valueName, std::uint32_t* type,
                                std::uint8_t* data, std::uint32_t* size) = 0;
  virtual long RegSetValueExA(HKey key, const std::string& valueName, std::uint32_t type,
                              const std::uint8_t* data, std::uint32_t size) = 0;
  // *nameLength: buffer size in, name length out (without NUL). A name that does not fit with
  // its NUL answers 234 and leaves *nameLength as it was.
  virtual long RegEnumKeyExA(HKey key, std::uint32_t index, char* name,
                             std::uint32_t* nameLength) = 0;
  virtual long RegEnumValueA(HKey key, std::uint32_t index, char* name,
                             std::uint32_t* nameLength) = 0;
  virtual long RegDeleteKeyA(HKey key, const std::string& subKey) = 0;
  virtual long RegDeleteValueA(HKey key, const std::string& valueName) = 0;
  virtual long RegCloseKey(HKey key) = 0;

  // The value calls with the data's bytes handed to the A functions and back exactly as they are,
  // whatever the type: for data whose bytes the program fixes itself. The value name is UTF-8.
  virtual long RegQueryValueBytesA(HKey key, const std::string& valueName, std::uint32_t* type,
                                   std::uint8_t* data, std::uint32_t* size) = 0;
  virtual long RegSetValueBytesA(HKey key, const std::string& valueName, std::uint32_t type,
                                 const std::uint8_t* data, std::uint32_t size) = 0;

  // The length in bytes a name takes in the system code page, or nothing when it would not
  // come back unchanged from there (a character the code page cannot hold).
  virtual std::optional<std::size_t> CodePageLength(const std::string& text) = 0;
};

}  // namespace pw
