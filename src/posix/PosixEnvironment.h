// The process environment of a POSIX process.
#pragma once

#include "platform/Environment.h"

namespace pw {

class PosixEnvironment : public Environment {
 public:
  std::optional<std::string> GetVariable(const std::string& name) override;
};

}  // namespace pw
