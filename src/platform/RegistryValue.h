// Reading one registry value whole: the size first, then the data, as every reader of a value
// needs it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/RegistryApi.h"

namespace pw {

struct RegistryValue {
  std::uint32_t type = kRegNone;
  std::string data;
};

// The type and data of the value `name` of an open key, through RegQueryValueExA (with asBytes:
// RegQueryValueBytesA, the data as stored); nothing when the value is missing or cannot be read.
std::optional<RegistryValue> QueryValue(RegistryApi& api, HKey key, const std::string& name,
                                        bool asBytes = false);

// Whether the type holds text (REG_SZ, REG_EXPAND_SZ).
inline bool IsStringType(std::uint32_t type) { return type == kRegSz || type == kRegExpandSz; }

// The text of string data: up to its first NUL, all of it when it has none.
inline std::string TextUpToNul(std::string_view data) {
  return std::string(data.substr(0, data.find('\0')));
}

}  // namespace pw
