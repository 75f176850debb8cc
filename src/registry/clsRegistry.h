// clsRegistry: registry keys and values addressed by one path ("HKCU\Software\X\Name"),
// every value exchanged as text.
#pragma once

#include <cstdint>
#include <string>

#include "platform/RegistryApi.h"
#include "registry/Collection.h"

namespace pw {

// Paths and texts are UTF-8; the platform crosses them to its code page. Every operation opens
// what it needs and closes it again before it returns or raises. Errors are AppError with the
// number 0x80040200 + code, the operation as source and a German description.
class clsRegistry {
 public:
  explicit clsRegistry(RegistryApi& api) : api_(api) {}

  // Deletes the key (path ending in "\", which is dropped from Key first) or the value the path
  // names; the system's status, 0 on success.
  std::int32_t delKey();
  // The subkeys (path ending in "\") or the value names of the key, in the registry's order.
  Collection regEnum();
  std::string getValue();
  // Writes strStore as regType (1 REG_SZ, 3 REG_BINARY, 4 REG_DWORD); true when the last
  // registry call that set the status succeeded.
  bool setValue(const std::string& strStore, std::int32_t regType);

  const std::string& Key() const { return key_; }
  // Refuses "" and "\" with kRegInvalidKey, keeping the path it had.
  void Key(const std::string& path);
  bool autoCreate() const { return autoCreate_; }
  void autoCreate(bool value) { autoCreate_ = value; }
  // Whether the key (path ending in "\") opens or the value reads; never raises.
  bool KeyExists();
  // Always raises error 7.
  [[noreturn]] void KeyExists(bool dummy);

 private:
  HKey getRoot(const std::string& name) const;
  // A handle the caller must close (a predefined root when the path has no "\").
  HKey OpenKey(const std::string& path);

  RegistryApi& api_;
  std::string key_;
  bool autoCreate_ = true;
  bool lastExists_ = false;
};

}  // namespace pw
