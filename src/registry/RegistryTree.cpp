// Depth-first key deletion: RegDeleteKeyA refuses a key that still has subkeys.
#include "registry/RegistryTree.h"

#include "registry/ScopedKey.h"

namespace pw {

long DeleteKeyTree(RegistryApi& api, HKey parent, const std::string& path) {
  // The calls read the path as a C string; whatever follows a NUL does not count.
  const std::string subKey(path.c_str());
  if (subKey.find_first_not_of('\\') == std::string::npos) return kErrorInvalidParameter;
  ScopedKey key(api);
  long status = api.RegOpenKeyExA(parent, subKey, 0, kKeyRead, key.out());
  if (status != kErrorSuccess) return status;
  for (;;) {
    // Index 0 every time: each pass deletes the first subkey. A key name of 256 code-page bytes
    // can take three times as many in UTF-8.
    char name[1024];
    std::uint32_t length = sizeof(name);
    status = api.RegEnumKeyExA(key.get(), 0, name, &length);
    if (status != kErrorSuccess) break;
    status = DeleteKeyTree(api, key.get(), std::string(name, length));
    if (status != kErrorSuccess) break;
  }
  key.Close();
  if (status != kErrorNoMoreItems) return status;
  return api.RegDeleteKeyA(parent, subKey);
}

}  // namespace pw
