#include "win32/Win32Timers.h"

namespace pw::win32 {

namespace {
constexpr wchar_t kTimerWindowClass[] = L"PostwachtTimerWindow";
}

class Win32Timer : public Timer {
 public:
  Win32Timer(Win32TimerFactory& owner, std::shared_ptr<Win32TimerFactory::Entry> entry)
      : owner_(owner), entry_(std::move(entry)) {}
  ~Win32Timer() override { owner_.Disarm(*entry_); }

  void SetEnabled(bool enabled) override {
    if (enabled == entry_->enabled) return;
    entry_->enabled = enabled;
    owner_.Arm(entry_);
  }
  bool Enabled() const override { return entry_->enabled; }
  void SetInterval(std::uint32_t milliseconds) override {
    entry_->interval = milliseconds;
    owner_.Arm(entry_);
  }
  std::uint32_t Interval() const override { return entry_->interval; }

 private:
  Win32TimerFactory& owner_;
  std::shared_ptr<Win32TimerFactory::Entry> entry_;
};

Win32TimerFactory::Win32TimerFactory(HINSTANCE instance) {
  RegisterClassOnce(instance, kTimerWindowClass, nullptr, nullptr, nullptr);
  Create(instance, kTimerWindowClass, L"", 0, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr);
}

Win32TimerFactory::~Win32TimerFactory() {
  for (auto& [id, entry] : armed_) KillTimer(Hwnd(), id);
  armed_.clear();
  if (Hwnd()) DestroyWindow(Hwnd());
}

std::unique_ptr<Timer> Win32TimerFactory::CreateTimer(std::function<void()> onTick) {
  auto entry = std::make_shared<Entry>();
  entry->onTick = std::move(onTick);
  return std::make_unique<Win32Timer>(*this, std::move(entry));
}

void Win32TimerFactory::Arm(const std::shared_ptr<Entry>& entry) {
  Disarm(*entry);
  if (!entry->enabled || entry->interval == 0 || !Hwnd()) return;
  UINT_PTR id = nextId_++;
  if (SetTimer(Hwnd(), id, entry->interval, nullptr) == 0) return;
  entry->armedId = id;
  armed_[id] = entry;
}

void Win32TimerFactory::Disarm(Entry& entry) {
  if (entry.armedId == 0) return;
  if (Hwnd()) KillTimer(Hwnd(), entry.armedId);
  armed_.erase(entry.armedId);
  entry.armedId = 0;
}

void Win32TimerFactory::OnTimer(UINT_PTR id) {
  auto it = armed_.find(id);
  if (it == armed_.end()) return;
  // The handler may switch or destroy its own timer; keep the entry alive while it runs.
  std::shared_ptr<Entry> entry = it->second;
  if (entry->onTick) entry->onTick();
}

LRESULT Win32TimerFactory::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER) {
    OnTimer(static_cast<UINT_PTR>(wParam));
    return 0;
  }
  return Default(message, wParam, lParam);
}

}  // namespace pw::win32
