// The local time of day from GetLocalTime.
#pragma once

#include "platform/Clock.h"

namespace pw::win32 {

class Win32Clock : public Clock {
 public:
  int SecondsSinceMidnight() override;
};

}  // namespace pw::win32
