// The process environment.
#pragma once

#include <optional>
#include <string>

namespace pw {

class Environment {
 public:
  virtual ~Environment() = default;
  // UTF-8 value of a variable, or nothing when it is not set.
  virtual std::optional<std::string> GetVariable(const std::string& name) = 0;
};

}  // namespace pw
