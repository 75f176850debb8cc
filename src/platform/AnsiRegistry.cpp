// The UTF-8 registry calls crossed to the code page of the A functions and back.
#include "platform/AnsiRegistry.h"

#include <cstring>
#include <vector>

namespace pw {
namespace {

bool IsStringType(std::uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

// The longest start of a UTF-8 text that fits into size bytes without splitting a character.
std::size_t Utf8Fit(const std::string& text, std::size_t size) {
  if (text.size() <= size) return text.size();
  while (size > 0 && (static_cast<unsigned char>(text[size]) & 0xC0) == 0x80) --size;
  return size;
}

// A value name that does not fit the caller's buffer of nameLength bytes: the A function's
// answer, the name cut there with a NUL, in UTF-8 without a split character.
long CutValueName(const std::string& text, char* name, std::uint32_t nameLength) {
  if (nameLength == 0) return kErrorMoreData;
  const std::size_t fit = Utf8Fit(text, nameLength - 1u);
  std::memcpy(name, text.data(), fit);
  std::memset(name + fit, 0, nameLength - fit);
  return kErrorMoreData;
}

}  // namespace

long AnsiRegistry::RegOpenKeyExA(HKey root, const std::string& subKey, std::uint32_t options,
                                 std::uint32_t access, HKey* result) {
  return AnsiOpenKey(root, ToCodePage(subKey), options, access, result);
}

long AnsiRegistry::RegCreateKeyExA(HKey root, const std::string& subKey, std::uint32_t options,
                                   std::uint32_t access, HKey* result, std::uint32_t* disposition) {
  return AnsiCreateKey(root, ToCodePage(subKey), options, access, result, disposition);
}

long AnsiRegistry::RegQueryValueExA(HKey key, const std::string& valueName, std::uint32_t* type,
                                    std::uint8_t* data, std::uint32_t* size) {
  const std::string name = ToCodePage(valueName);
  std::uint32_t storedType = kRegNone;
  std::uint32_t storedSize = 0;
  // Strings are read whole and crossed, so that sizes can be answered in UTF-8; everything
  // else, and every failure, is the A function's own answer.
  if ((data != nullptr && size == nullptr) ||
      AnsiQueryValue(key, name, &storedType, nullptr, &storedSize) != kErrorSuccess ||
      !IsStringType(storedType)) {
    return AnsiQueryValue(key, name, type, data, size);
  }
  std::vector<std::uint8_t> stored(storedSize + 1u, 0);
  if (long status = AnsiQueryValue(key, name, &storedType, stored.data(), &storedSize);
      status != kErrorSuccess) {
    return status;
  }
  const std::string text =
      FromCodePage(std::string_view(reinterpret_cast<const char*>(stored.data()), storedSize));
  const auto needed = static_cast<std::uint32_t>(text.size());
  if (type != nullptr) *type = storedType;
  if (data == nullptr) {
    if (size != nullptr) *size = needed;
    return kErrorSuccess;
  }
  if (*size < needed) {
    *size = needed;
    return kErrorMoreData;
  }
  std::memcpy(data, text.data(), needed);
  if (*size > needed) data[needed] = 0;
  *size = needed;
  return kErrorSuccess;
}

long AnsiRegistry::RegSetValueExA(HKey key, const std::string& valueName, std::uint32_t type,
                                  const std::uint8_t* data, std::uint32_t size) {
  if (!IsStringType(type) || data == nullptr) {
    return AnsiSetValue(key, ToCodePage(valueName), type, data, size);
  }
  std::string text = ToCodePage(
      std::string_view(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size)));
  // The A function looks at the byte after a string count that leaves out the NUL; it gets
  // the same byte it would have seen after the caller's data.
  const auto length = static_cast<std::uint32_t>(text.size());
  text.push_back(size > 0 && data[size - 1] != 0 ? static_cast<char>(data[size]) : '\0');
  return AnsiSetValue(key, ToCodePage(valueName), type,
                      reinterpret_cast<const std::uint8_t*>(text.data()), length);
}

long AnsiRegistry::EnumName(bool values, HKey key, std::uint32_t index, char* name,
                            std::uint32_t* nameLength) {
  if (name == nullptr || nameLength == nullptr) {
    return values ? AnsiEnumValue(key, index, name, nameLength)
                  : AnsiEnumKey(key, index, name, nameLength);
  }
  // The A function gets a buffer of the caller's size, so that what does not fit there is
  // decided in the code page as before; the crossed name must then fit in turn.
  std::vector<char> buffer(*nameLength + 1u, '\0');
  std::uint32_t length = *nameLength;
  long status = values ? AnsiEnumValue(key, index, buffer.data(), &length)
                       : AnsiEnumKey(key, index, buffer.data(), &length);
  if (status == kErrorMoreData && values && *nameLength > 0) {
    // The value name comes back cut to the buffer, with a NUL.
    return CutValueName(FromCodePage(buffer.data()), name, *nameLength);
  }
  if (status != kErrorSuccess) return status;
  const std::string text = FromCodePage(std::string_view(buffer.data(), length));
  if (text.size() + 1 > *nameLength) {
    return values ? CutValueName(text, name, *nameLength) : kErrorMoreData;
  }
  std::memcpy(name, text.c_str(), text.size() + 1);
  *nameLength = static_cast<std::uint32_t>(text.size());
  return kErrorSuccess;
}

long AnsiRegistry::RegEnumKeyExA(HKey key, std::uint32_t index, char* name,
                                 std::uint32_t* nameLength) {
  return EnumName(false, key, index, name, nameLength);
}

long AnsiRegistry::RegEnumValueA(HKey key, std::uint32_t index, char* name,
                                 std::uint32_t* nameLength) {
  return EnumName(true, key, index, name, nameLength);
}

long AnsiRegistry::RegDeleteKeyA(HKey key, const std::string& subKey) {
  return AnsiDeleteKey(key, ToCodePage(subKey));
}

long AnsiRegistry::RegDeleteValueA(HKey key, const std::string& valueName) {
  return AnsiDeleteValue(key, ToCodePage(valueName));
}

long AnsiRegistry::RegQueryValueBytesA(HKey key, const std::string& valueName, std::uint32_t* type,
                                       std::uint8_t* data, std::uint32_t* size) {
  return AnsiQueryValue(key, ToCodePage(valueName), type, data, size);
}

long AnsiRegistry::RegSetValueBytesA(HKey key, const std::string& valueName, std::uint32_t type,
                                     const std::uint8_t* data, std::uint32_t size) {
  return AnsiSetValue(key, ToCodePage(valueName), type, data, size);
}

std::optional<std::size_t> AnsiRegistry::CodePageLength(const std::string& text) {
  const std::string bytes = ToCodePage(text);
  if (FromCodePage(bytes) != text) return std::nullopt;
  return bytes.size();
}

}  // namespace pw
