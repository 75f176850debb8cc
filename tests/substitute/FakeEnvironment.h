// An environment held in memory.
#pragma once

#include <map>

#include "platform/Environment.h"

namespace pw {

class FakeEnvironment : public Environment {
 public:
  std::optional<std::string> GetVariable(const std::string& name) override {
    auto it = vars_.find(name);
    if (it == vars_.end()) return std::nullopt;
    return it->second;
  }
  void Set(const std::string& name, const std::string& value) { vars_[name] = value; }
  void Unset(const std::string& name) { vars_.erase(name); }

 private:
  std::map<std::string, std::string> vars_;
};

}  // namespace pw
