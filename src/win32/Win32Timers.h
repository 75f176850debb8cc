// Form timers on SetTimer/KillTimer, all on one hidden message-only window of the UI thread.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "platform/Timer.h"
#include "win32/WindowBase.h"

namespace pw::win32 {

class Win32TimerFactory : public TimerFactory, private WindowBase {
 public:
  explicit Win32TimerFactory(HINSTANCE instance);
  ~Win32TimerFactory() override;

  // The factory must outlive the timers it made.
  std::unique_ptr<Timer> CreateTimer(std::function<void()> onTick) override;

 private:
  friend class Win32Timer;
  struct Entry {
    std::function<void()> onTick;
    bool enabled = false;
    std::uint32_t interval = 0;
    UINT_PTR armedId = 0;
  };

  // (Re)starts the count of an enabled timer, or stops it.
  void Arm(const std::shared_ptr<Entry>& entry);
  void Disarm(Entry& entry);
  void OnTimer(UINT_PTR id);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  // Every arming takes a fresh id, so a WM_TIMER still queued for an earlier count finds
  // nothing (KillTimer does not take back a WM_TIMER already in the queue).
  std::map<UINT_PTR, std::shared_ptr<Entry>> armed_;
  UINT_PTR nextId_ = 1;
};

}  // namespace pw::win32
