// Timers on a virtual clock: tests advance time and the due ticks run in order.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Timer.h"
#include "substitute/EffectLog.h"

namespace pw {

class FakeTimerFactory : public TimerFactory {
 public:
  std::unique_ptr<Timer> CreateTimer(std::function<void()> onTick) override;

  // Moves virtual time forward, running every tick that falls due, earliest first.
  void Advance(std::uint64_t milliseconds);
  std::uint64_t Now() const { return now_; }

  // Names a timer this factory made; a named timer notes every switch in log.
  void Name(Timer& timer, std::string name);
  EffectLog* log = nullptr;

 private:
  friend class FakeTimer;
  struct Entry {
    std::function<void()> onTick;
    bool enabled = false;
    std::uint32_t interval = 0;
    std::uint64_t due = 0;
    bool alive = true;
    std::string name;
  };
  std::vector<std::shared_ptr<Entry>> entries_;
  std::uint64_t now_ = 0;
};

}  // namespace pw
