// A message loop whose yields the test can watch and fill with events.
#pragma once

#include <functional>
#include <vector>

#include "platform/EventLoop.h"
#include "substitute/EffectLog.h"

namespace pw {

class FakeEventLoop : public EventLoop {
 public:
  void DoEvents() override {
    ++yields_;
    Note(log, "yield");
    // Events queued for the next yield run now; events they queue wait for a later one.
    auto pending = std::move(pending_);
    pending_.clear();
    for (auto& event : pending) event();
  }
  bool WaitOne() override {
    if (pending_.empty()) return false;
    auto event = std::move(pending_.front());
    pending_.erase(pending_.begin());
    event();
    return true;
  }
  void Post(std::function<void()> event) { pending_.push_back(std::move(event)); }
  int Yields() const { return yields_; }

  EffectLog* log = nullptr;

 private:
  int yields_ = 0;
  std::vector<std::function<void()>> pending_;
};

}  // namespace pw
