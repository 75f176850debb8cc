// The narrow registry calls through advapi32's A functions.
#pragma once

#include "platform/RegistryApi.h"

namespace pw::win32 {

class Win32Registry : public RegistryApi {
 public:
  long RegOpenKeyExA(HKey root, const std::string& subKey, std::uint32_t options,
                     std::uint32_t access, HKey* result) override;
  long RegCreateKeyExA(HKey root, const std::string& subKey, std::uint32_t options,
                       std::uint32_t access, HKey* result, std::uint32_t* disposition) override;
  long RegQueryValueExA(HKey key, const std::string& valueName, std::uint32_t* type,
                        std::uint8_t* data, std::uint32_t* size) override;
  long RegSetValueExA(HKey key, const std::string& valueName, std::uint32_t type,
                      const std::uint8_t* data, std::uint32_t size) override;
  long RegEnumKeyExA(HKey key, std::uint32_t index, char* name, std::uint32_t* nameLength) override;
  long RegEnumValueA(HKey key, std::uint32_t index, char* name, std::uint32_t* nameLength) override;
  long RegDeleteKeyA(HKey key, const std::string& subKey) override;
  long RegDeleteValueA(HKey key, const std::string& valueName) override;
  long RegCloseKey(HKey key) override;
};

}  // namespace pw::win32
