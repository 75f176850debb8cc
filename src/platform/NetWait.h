// The one wait loop of the network waits (sockets, name lookups): the edge brings its system
// wait, the loop keeps the deadline and serves the pump.
#pragma once

#include <chrono>
#include <functional>

#include "platform/Transport.h"

namespace pw {

// What one system wait came to.
enum class Woke {
  Ready,     // what was awaited happened (or may have: the caller looks again)
  Messages,  // window messages arrived first (only while pumping)
  TimedOut,  // the time given ran out
};

// The system wait of an edge: for at most ms milliseconds; 0 only looks.
using SystemWait = std::function<Woke(int ms)>;

// Waits until wait says Ready (true) or the deadline passes (false). Without a pump one system
// wait takes the whole rest; with one, no wait is longer than sliceMs and the pump is served
// whenever messages arrived or a slice ran out, the wait ending with kNetAborted when it
// answers false.
bool AwaitReady(std::chrono::steady_clock::time_point deadline, const WaitPump& pump, int sliceMs,
                const SystemWait& wait);

// The milliseconds from now to deadline, 0 once it has passed.
int MillisecondsLeft(std::chrono::steady_clock::time_point deadline);

}  // namespace pw
