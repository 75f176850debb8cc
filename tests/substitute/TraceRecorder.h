// Records the trace notes while it lives, so a test can see that an ignored failure was noted.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Trace.h"

namespace pw {

class TraceRecorder {
 public:
  TraceRecorder() : previous_(SetTraceSink(&Record)) { Active() = this; }
  ~TraceRecorder() {
    Active() = nullptr;
    SetTraceSink(previous_);
  }
  TraceRecorder(const TraceRecorder&) = delete;
  TraceRecorder& operator=(const TraceRecorder&) = delete;

  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  static TraceRecorder*& Active() {
    static TraceRecorder* active = nullptr;
    return active;
  }
  static void Record(std::string_view line) {
    if (Active()) Active()->lines_.emplace_back(line);
  }

  TraceSink previous_;
  std::vector<std::string> lines_;
};

}  // namespace pw
