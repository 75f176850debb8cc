// Window-message timers with the semantics of a form's timer control.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace pw {

// Enabling a timer starts its count; enabling an enabled timer keeps its count; disabling and
// enabling again restarts it. Setting the interval of an enabled timer restarts the count.
// An interval of 0 never fires.
class Timer {
 public:
  virtual ~Timer() = default;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;
  virtual void SetInterval(std::uint32_t milliseconds) = 0;
  virtual std::uint32_t Interval() const = 0;
};

class TimerFactory {
 public:
  virtual ~TimerFactory() = default;
  // A new timer, disabled, with interval 0; onTick runs on the user-interface thread.
  virtual std::unique_ptr<Timer> CreateTimer(std::function<void()> onTick) = 0;
};

}  // namespace pw
