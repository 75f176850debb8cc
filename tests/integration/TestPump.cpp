#include "TestPump.h"

#include <algorithm>

#ifdef _WIN32
#include "win32/Win32.h"
#endif

namespace pw::test {

#ifdef _WIN32
TestPump::TestPump() : timer_(SetTimer(nullptr, 0, 20, nullptr)) {}
TestPump::~TestPump() { KillTimer(nullptr, static_cast<UINT_PTR>(timer_)); }
void TestPump::TakeMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}
#else
TestPump::TestPump() = default;
TestPump::~TestPump() = default;
void TestPump::TakeMessages() {}
#endif

bool TestPump::Serve() {
  auto now = std::chrono::steady_clock::now();
  longestGap =
      std::max(longestGap, std::chrono::duration_cast<std::chrono::milliseconds>(now - last_));
  last_ = now;
  ++served;
  TakeMessages();
  if (onServe) onServe();
  return keepGoing;
}

}  // namespace pw::test
