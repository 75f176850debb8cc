#include "platform/NetWait.h"

namespace pw {

int MillisecondsLeft(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool AwaitReady(std::chrono::steady_clock::time_point deadline, const WaitPump& pump, int sliceMs,
                const SystemWait& wait) {
  for (;;) {
    const int left = MillisecondsLeft(deadline);
    const int slice = pump && left > sliceMs ? sliceMs : left;
    const Woke woke = wait(slice);
    if (woke == Woke::Ready) return true;
    if (woke == Woke::TimedOut && slice == left) return false;
    if (pump && !pump()) throw NetError(kNetAborted);
    // Messages that keep coming (or that the pump leaves on the queue) never end a wait past
    // its deadline.
    if (left == 0) return false;
  }
}

}  // namespace pw
