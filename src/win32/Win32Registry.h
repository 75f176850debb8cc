// The narrow registry calls through advapi32's A functions, in the system code page.
#pragma once

#include "platform/AnsiRegistry.h"

namespace pw::win32 {

class Win32Registry : public AnsiRegistry {
 public:
  long RegCloseKey(HKey key) override;

 protected:
  std::string ToCodePage(std::string_view utf8) override;
  std::string FromCodePage(std::string_view bytes) override;

  long AnsiOpenKey(HKey root, const std::string& subKey, std::uint32_t options,
                   std::uint32_t access, HKey* result) override;
  long AnsiCreateKey(HKey root, const std::string& subKey, std::uint32_t options,
                     std::uint32_t access, HKey* result, std::uint32_t* disposition) override;
  long AnsiQueryValue(HKey key, const std::string& valueName, std::uint32_t* type,
                      std::uint8_t* data, std::uint32_t* size) override;
  long AnsiSetValue(HKey key, const std::string& valueName, std::uint32_t type,
                    const std::uint8_t* data, std::uint32_t size) override;
  long AnsiEnumKey(HKey key, std::uint32_t index, char* name, std::uint32_t* nameLength) override;
  long AnsiEnumValue(HKey key, std::uint32_t index, char* name, std::uint32_t* nameLength) override;
  long AnsiDeleteKey(HKey key, const std::string& subKey) override;
  long AnsiDeleteValue(HKey key, const std::string& valueName) override;
};

}  // namespace pw::win32
