// RegistryApi in UTF-8 over registry calls that take the bytes of one code page, as the A
// functions do: both edges (advapi32, the in-memory substitute) share the crossing.
#pragma once

#include <string>
#include <string_view>

#include "platform/RegistryApi.h"

namespace pw {

class AnsiRegistry : public RegistryApi {
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
  long RegQueryValueBytesA(HKey key, const std::string& valueName, std::uint32_t* type,
                           std::uint8_t* data, std::uint32_t* size) override;
  long RegSetValueBytesA(HKey key, const std::string& valueName, std::uint32_t type,
                         const std::uint8_t* data, std::uint32_t size) override;
  std::optional<std::size_t> CodePageLength(const std::string& text) override;

 protected:
  // UTF-8 to the code page; a character it cannot hold becomes "?".
  virtual std::string ToCodePage(std::string_view utf8) = 0;
  virtual std::string FromCodePage(std::string_view bytes) = 0;

  // The A functions themselves: names and data in the code page, sizes in its bytes.
  virtual long AnsiOpenKey(HKey root, const std::string& subKey, std::uint32_t options,
                           std::uint32_t access, HKey* result) = 0;
  virtual long AnsiCreateKey(HKey root, const std::string& subKey, std::uint32_t options,
                             std::uint32_t access, HKey* result, std::uint32_t* disposition) = 0;
  virtual long AnsiQueryValue(HKey key, const std::string& valueName, std::uint32_t* type,
                              std::uint8_t* data, std::uint32_t* size) = 0;
  virtual long AnsiSetValue(HKey key, const std::string& valueName, std::uint32_t type,
                            const std::uint8_t* data, std::uint32_t size) = 0;
  virtual long AnsiEnumKey(HKey key, std::uint32_t index, char* name,
                           std::uint32_t* nameLength) = 0;
  virtual long AnsiEnumValue(HKey key, std::uint32_t index, char* name,
                             std::uint32_t* nameLength) = 0;
  virtual long AnsiDeleteKey(HKey key, const std::string& subKey) = 0;
  virtual long AnsiDeleteValue(HKey key, const std::string& valueName) = 0;

 private:
  long EnumName(bool values, HKey key, std::uint32_t index, char* name, std::uint32_t* nameLength);
};

}  // namespace pw
