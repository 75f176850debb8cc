// The process environment through GetEnvironmentVariableW.
#pragma once

#include "platform/Environment.h"

namespace pw::win32 {

class Win32Environment : public Environment {
 public:
  std::optional<std::string> GetVariable(const std::string& name) override;
};

}  // namespace pw::win32
