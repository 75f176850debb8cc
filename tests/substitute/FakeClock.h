// A clock the test sets by hand.
#pragma once

#include "platform/Clock.h"

namespace pw {

class FakeClock : public Clock {
 public:
  int SecondsSinceMidnight() override { return seconds_; }
  void Set(int hours, int minutes, int seconds = 0) {
    seconds_ = hours * 3600 + minutes * 60 + seconds;
  }
  void SetSeconds(int seconds) { seconds_ = seconds; }

 private:
  int seconds_ = 10 * 3600;
};

}  // namespace pw
