// The message loop as the handlers see it: an explicit yield.
#pragma once

namespace pw {

class EventLoop {
 public:
  virtual ~EventLoop() = default;
  // Lets pending window messages be processed, then returns (DoEvents).
  virtual void DoEvents() = 0;
  // Waits for one message and dispatches it; false when the program is quitting.
  virtual bool WaitOne() = 0;
};

}  // namespace pw
