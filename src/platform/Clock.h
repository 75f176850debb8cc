// The time of day, injected so that the office-day windows can be tested.
#pragma once

namespace pw {

class Clock {
 public:
  virtual ~Clock() = default;
  // Local time of day in whole seconds since midnight (0 to 86399).
  virtual int SecondsSinceMidnight() = 0;
};

}  // namespace pw
