// Owns one registry handle and closes it when it goes (predefined roots included).
#pragma once

#include "platform/RegistryApi.h"

namespace pw {

class ScopedKey {
 public:
  explicit ScopedKey(RegistryApi& api, HKey key = 0) : api_(api), key_(key) {}
  ~ScopedKey() { Close(); }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;

  HKey get() const { return key_; }
  // For the calls that hand out a handle.
  HKey* out() {
    Close();
    return &key_;
  }
  void Close() {
    if (key_ != 0) api_.RegCloseKey(key_);
    key_ = 0;
  }

 private:
  RegistryApi& api_;
  HKey key_;
};

}  // namespace pw
