// A stand-in for the program's message loop, served by the network waits of a transport.
#pragma once

#include <chrono>
#include <functional>

namespace pw::test {

// On Windows a thread timer posts a message every few milliseconds, since the waits serve the
// loop only when a message arrives; on POSIX the waits serve it between short polls anyway.
class TestPump {
 public:
  TestPump();
  ~TestPump();
  TestPump(const TestPump&) = delete;
  TestPump& operator=(const TestPump&) = delete;

  // What the transport calls: takes the pending messages, runs onServe, answers keepGoing.
  bool Serve();

  std::function<void()> onServe;
  bool keepGoing = true;
  int served = 0;
  // The longest time between two services, or since the pump was made for the first one.
  std::chrono::milliseconds longestGap{0};

 private:
  void TakeMessages();
  std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
  // The Windows thread timer; unused on POSIX.
  [[maybe_unused]] unsigned long long timer_ = 0;
};

}  // namespace pw::test
