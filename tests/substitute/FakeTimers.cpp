#include "substitute/FakeTimers.h"

#include <algorithm>

namespace pw {

class FakeTimer : public Timer {
 public:
  FakeTimer(FakeTimerFactory& owner, std::shared_ptr<FakeTimerFactory::Entry> entry)
      : owner_(owner), entry_(std::move(entry)) {}
  ~FakeTimer() override { entry_->alive = false; }

  void SetEnabled(bool enabled) override {
    if (!entry_->name.empty()) Note(owner_.log, entry_->name + (enabled ? " on" : " off"));
    if (enabled && !entry_->enabled) entry_->due = owner_.now_ + entry_->interval;
    entry_->enabled = enabled;
  }
  bool Enabled() const override { return entry_->enabled; }
  void SetInterval(std::uint32_t milliseconds) override {
    entry_->interval = milliseconds;
    entry_->due = owner_.now_ + milliseconds;
  }
  std::uint32_t Interval() const override { return entry_->interval; }
  FakeTimerFactory::Entry& Data() { return *entry_; }

 private:
  FakeTimerFactory& owner_;
  std::shared_ptr<FakeTimerFactory::Entry> entry_;
};

std::unique_ptr<Timer> FakeTimerFactory::CreateTimer(std::function<void()> onTick) {
  auto entry = std::make_shared<Entry>();
  entry->onTick = std::move(onTick);
  entries_.push_back(entry);
  return std::make_unique<FakeTimer>(*this, entry);
}

void FakeTimerFactory::Name(Timer& timer, std::string name) {
  static_cast<FakeTimer&>(timer).Data().name = std::move(name);
}

void FakeTimerFactory::Advance(std::uint64_t milliseconds) {
  const std::uint64_t end = now_ + milliseconds;
  for (;;) {
    std::shared_ptr<Entry> next;
    for (const auto& e : entries_) {
      if (!e->alive || !e->enabled || e->interval == 0 || e->due > end) continue;
      if (!next || e->due < next->due) next = e;
    }
    if (!next) break;
    now_ = std::max(now_, next->due);
    next->due = now_ + next->interval;
    next->onTick();
  }
  now_ = end;
  std::erase_if(entries_, [](const auto& e) { return !e->alive; });
}

}  // namespace pw
