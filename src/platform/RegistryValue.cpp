#include "platform/RegistryValue.h"

#include <algorithm>

namespace pw {

std::optional<RegistryValue> QueryValue(RegistryApi& api, HKey key, const std::string& name,
                                        bool asBytes) {
  auto query = [&](std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) {
    return asBytes ? api.RegQueryValueBytesA(key, name, type, data, size)
                   : api.RegQueryValueExA(key, name, type, data, size);
  };
  RegistryValue value;
  std::uint32_t size = 0;
  if (query(&value.type, nullptr, &size) != kErrorSuccess) return std::nullopt;
  // Another program may make the value longer between the two calls: ask again, a few times.
  for (int attempt = 0; attempt < 4; ++attempt) {
    value.data.assign(size, '\0');
    std::uint8_t none = 0;
    std::uint8_t* buffer = size > 0 ? reinterpret_cast<std::uint8_t*>(value.data.data()) : &none;
    const long status = query(&value.type, buffer, &size);
    if (status == kErrorSuccess) {
      value.data.resize(std::min<std::size_t>(size, value.data.size()));
      return value;
    }
    if (status != kErrorMoreData) return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace pw
