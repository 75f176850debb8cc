// What the substitute edge was asked to do, in the order it happened, for tests that pin the
// order of a handler's effects.
#pragma once

#include <string>
#include <vector>

namespace pw {

struct EffectLog {
  std::vector<std::string> entries;
};

// Adds entry to log, when there is one.
inline void Note(EffectLog* log, std::string entry) {
  if (log) log->entries.push_back(std::move(entry));
}

}  // namespace pw
