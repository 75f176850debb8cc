#include "posix/PosixEnvironment.h"

#include <cstdlib>

namespace pw {

std::optional<std::string> PosixEnvironment::GetVariable(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

}  // namespace pw
